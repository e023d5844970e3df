// File names as the engine writes them (Windows style) turned into names this OS can open.
#pragma once

#include <string>

namespace base {

// Backslashes are directory separators on Windows; the engine's paths mix both kinds
// ("..\Models/tank0.x"), so every '\' becomes '/'. A null name gives an empty string.
std::string NativePath(const char* path);

}  // namespace base
