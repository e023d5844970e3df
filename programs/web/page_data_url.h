// Pictures on the page's console: a PNG the program wrote to its file system, as one data URL
// a test can take from the line and show or decode.
#pragma once

#include <string>

namespace webpage {

// "data:image/png;base64,..." of the file at `path`; empty when it cannot be read or is empty.
std::string PngFileDataUrl(const std::string& path);

}  // namespace webpage
