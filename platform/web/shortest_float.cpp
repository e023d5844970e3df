#include "platform/web/shortest_float.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace qvweb {
namespace {


template <typename T>
T Parse(const char* text, char** end);
template <>
float Parse<float>(const char* text, char** end) { return std::strtof(text, end); }
template <>
double Parse<double>(const char* text, char** end) { return std::strtod(text, end); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

template <typename T>
std::from_chars_result ReadNumber(const char* first, const char* last, T& value)
{
    // from_chars takes no leading space, no plus sign and no hexadecimal prefix, which strtod
    // would; and its range is [first, last), not a terminated string.
    const char* p = first;
    if (p != last && *p == '-') ++p;
    if (p == last || !(IsDigit(*p) || *p == '.' || *p == 'i' || *p == 'I' || *p == 'n' || *p == 'N')) {
        return {first, std::errc::invalid_argument};
    }
    std::string text(first, last);
    if (p + 1 < last && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        text.resize(static_cast<size_t>(p + 1 - first));  // "0x..." reads as the 0 alone
    }
    char* end = nullptr;
    errno = 0;
    const T parsed = Parse<T>(text.c_str(), &end);
    if (end == text.c_str()) return {first, std::errc::invalid_argument};
    const char* stop = first + (end - text.c_str());
    if (errno == ERANGE && (std::isinf(parsed) || parsed == 0)) return {stop, std::errc::result_out_of_range};
    value = parsed;
    return {stop, std::errc()};
}

// Digits of the shortest decimal that reads back as `value` (positive, finite, not zero), and
// the power of ten of the first of them.
template <typename T>
void ShortestDigits(T value, std::string* digits, int* exponent)
{
    constexpr int kMostDigits = sizeof(T) == 4 ? 9 : 17;
    char buffer[64];
    for (int precision = 0; precision < kMostDigits; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*e", precision, static_cast<double>(value));
        if (Parse<T>(buffer, nullptr) == value || precision == kMostDigits - 1) break;
    }
    const char* e = std::strchr(buffer, 'e');
    *exponent = std::atoi(e + 1);
    digits->clear();
    for (const char* c = buffer; c != e; ++c) {
        if (IsDigit(*c)) digits->push_back(*c);
    }
    while (digits->size() > 1 && digits->back() == '0') digits->pop_back();
}

template <typename T>
std::to_chars_result WriteNumber(char* first, char* last, T value)
{
    std::string out;
    if (std::signbit(value)) out += '-';
    if (std::isnan(value)) {
        out += "nan";
    } else if (std::isinf(value)) {
        out += "inf";
    } else if (value == 0) {
        out += '0';
    } else {
        std::string digits;
        int exponent = 0;
        ShortestDigits(std::fabs(value), &digits, &exponent);
        const int count = static_cast<int>(digits.size());
        std::string scientific = digits.substr(0, 1);
        if (count > 1) scientific += "." + digits.substr(1);
        char power[16];
        std::snprintf(power, sizeof power, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        scientific += power;
        std::string fixed;
        if (exponent < 0) {
            fixed = "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
        } else if (count <= exponent + 1) {
            // A whole number: as long as its digits padded with zeros, but the digits are the
            // value's own, exactly (123456792, not 123456790), as the native library writes it.
            if (static_cast<size_t>(exponent) + 1 <= scientific.size()) {
                char whole[64];
                std::snprintf(whole, sizeof whole, "%.0f", static_cast<double>(std::fabs(value)));
                fixed = whole;
            } else {
                fixed = std::string(static_cast<size_t>(exponent) + 1, '0');  // longer: never chosen
            }
        } else {
            fixed = digits.substr(0, static_cast<size_t>(exponent + 1)) + "." +
                    digits.substr(static_cast<size_t>(exponent + 1));
        }
        out += fixed.size() <= scientific.size() ? fixed : scientific;
    }
    if (out.size() > static_cast<size_t>(last - first)) return {last, std::errc::value_too_large};
    std::memcpy(first, out.data(), out.size());
    return {first + out.size(), std::errc()};
}

}  // namespace

std::from_chars_result ReadFloat(const char* first, const char* last, float& value)
{
    return ReadNumber(first, last, value);
}

std::from_chars_result ReadFloat(const char* first, const char* last, double& value)
{
    return ReadNumber(first, last, value);
}

std::to_chars_result WriteShortest(char* first, char* last, float value) { return WriteNumber(first, last, value); }

std::to_chars_result WriteShortest(char* first, char* last, double value) { return WriteNumber(first, last, value); }

}  // namespace qvweb
