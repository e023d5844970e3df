// Reading and writing floating-point numbers as std::from_chars and the plain std::to_chars do:
// reading as strtod in the "C" locale, but without leading space, plus sign or hexadecimal
// prefix; writing the shortest digits that read back to the same value (of those, the ones
// nearest the value), in fixed or scientific notation, whichever is shorter (fixed on a tie). The web build's libc++ lacks both
// (web_charconv.h); plain C++ here, so the native tests hold it to the native library.
#pragma once

#include <charconv>

namespace qvweb {

std::from_chars_result ReadFloat(const char* first, const char* last, float& value);
std::from_chars_result ReadFloat(const char* first, const char* last, double& value);
std::to_chars_result WriteShortest(char* first, char* last, float value);
std::to_chars_result WriteShortest(char* first, char* last, double value);

}  // namespace qvweb
