// The floating-point std::from_chars and std::to_chars that Emscripten's libc++ (of LLVM 14)
// declares but lacks. Included ahead of every file of the web build (web.cmake), so the engine's
// X-file reader, key scripts and traces compile there unchanged (shortest_float.h does the work).
#pragma once

#ifdef __cplusplus
#include <charconv>

namespace std {

from_chars_result from_chars(const char* first, const char* last, float& value,
                             chars_format fmt = chars_format::general);
from_chars_result from_chars(const char* first, const char* last, double& value,
                             chars_format fmt = chars_format::general);
to_chars_result to_chars(char* first, char* last, float value);
to_chars_result to_chars(char* first, char* last, double value);

}  // namespace std
#endif
