#include "platform/web/shortest_float.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <type_traits>

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

// An unsigned integer of up to kLimbs 32-bit limbs, lowest first. ShortestDigits' numbers stay
// below 2^164 for a float and 2^1092 for a double: its denominator, at most 2^151 (2^1076) or
// 4 * 10^39 (4 * 10^309) and then shifted to fill its top limb, stays below 2^160 (2^1088), and
// the others below ten times that.
template <int kLimbs>
class Big {
public:
    explicit Big(uint64_t value)
    {
        for (; value != 0; value >>= 32) limbs_[size_++] = static_cast<uint32_t>(value);
    }

    void Multiply(uint32_t factor)
    {
        uint64_t carry = 0;
        for (int i = 0; i < size_; ++i) {
            carry += static_cast<uint64_t>(limbs_[i]) * factor;
            limbs_[i] = static_cast<uint32_t>(carry);
            carry >>= 32;
        }
        if (carry != 0) limbs_[size_++] = static_cast<uint32_t>(carry);
    }

    void MultiplyByPowerOfTen(int power)
    {
        static constexpr uint32_t kPowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
        for (; power >= 9; power -= 9) Multiply(1000000000);
        Multiply(kPowers[power]);
    }

    void ShiftLeft(int bits)
    {
        if (size_ == 0) return;
        const int whole = bits / 32, part = bits % 32;
        if (part != 0) {
            uint32_t carry = 0;
            for (int i = 0; i < size_; ++i) {
                const uint32_t next = limbs_[i] >> (32 - part);
                limbs_[i] = limbs_[i] << part | carry;
                carry = next;
            }
            if (carry != 0) limbs_[size_++] = carry;
        }
        if (whole != 0) {
            for (int i = size_ - 1; i >= 0; --i) limbs_[i + whole] = limbs_[i];
            std::fill(limbs_.begin(), limbs_.begin() + whole, 0u);
            size_ += whole;
        }
    }

    // How far ShiftLeft may go without adding a limb (of a number other than zero).
    int ZerosAtTop() const
    {
        int zeros = 0;
        for (uint32_t top = limbs_[size_ - 1]; top < 0x80000000u; top <<= 1) ++zeros;
        return zeros;
    }

    // *this -= other * times, where that is no more than *this.
    void Subtract(const Big& other, uint32_t times)
    {
        uint64_t product = 0;
        int64_t borrow = 0;
        for (int i = 0; i < size_; ++i) {
            product += static_cast<uint64_t>(other.limbs_[i]) * times;
            borrow += static_cast<int64_t>(limbs_[i]) - static_cast<uint32_t>(product);
            product >>= 32;
            limbs_[i] = static_cast<uint32_t>(borrow);
            borrow = borrow < 0 ? -1 : 0;
        }
        while (size_ > 0 && limbs_[size_ - 1] == 0) --size_;
    }

    // Replaces *this by *this mod divisor and returns *this / divisor, where that is below 10 and
    // the divisor's top bit is set (ZerosAtTop() == 0).
    int DivideSmall(const Big& divisor)
    {
        // An estimate from the top limbs, never above the quotient and at most one below it.
        const int n = divisor.size_;
        const uint64_t top = static_cast<uint64_t>(limbs_[n]) << 32 | limbs_[n - 1];
        int quotient = static_cast<int>(top / (static_cast<uint64_t>(divisor.limbs_[n - 1]) + 1));
        if (quotient > 0) Subtract(divisor, static_cast<uint32_t>(quotient));
        for (; Compare(*this, divisor) >= 0; ++quotient) Subtract(divisor, 1);
        return quotient;
    }

    friend int Compare(const Big& a, const Big& b)
    {
        if (a.size_ != b.size_) return a.size_ < b.size_ ? -1 : 1;
        for (int i = a.size_ - 1; i >= 0; --i) {
            if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
        }
        return 0;
    }

    // Compares a + b with c.
    friend int Compare(const Big& a, const Big& b, const Big& c)
    {
        const int size = std::max({a.size_, b.size_, c.size_});
        uint64_t carry = 0;
        int order = 0;
        for (int i = 0; i < size; ++i) {
            carry += static_cast<uint64_t>(a.limbs_[i]) + b.limbs_[i];
            const uint32_t sum = static_cast<uint32_t>(carry);
            carry >>= 32;
            if (sum != c.limbs_[i]) order = sum < c.limbs_[i] ? -1 : 1;
        }
        return carry != 0 ? 1 : order;
    }

private:
    std::array<uint32_t, kLimbs> limbs_{};  // zero above size_
    int size_ = 0;
};

// Digits of the shortest decimal that reads back as `value` (positive, finite, not zero), and
// the power of ten of the first of them; of two equally short, the one nearer the value, and on
// an exact tie the even one. Free-format digit generation (Steele and White; Burger and Dybvig)
// in exact integers: the value is r / s, the values that read back as it lie between
// (r - below) / s and (r + above) / s, inclusive when its significand is even (reading rounds
// ties to even). Just above a power of two the gap below is half the gap above.
template <typename T>
void ShortestDigits(T value, std::string* digits, int* exponent)
{
    using Bits = std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>;
    constexpr int kFractionBits = std::numeric_limits<T>::digits - 1;
    constexpr int kBias = std::numeric_limits<T>::max_exponent - 1;
    Bits bits;
    std::memcpy(&bits, &value, sizeof bits);
    const Bits fraction = bits & ((Bits(1) << kFractionBits) - 1);
    const int biased = static_cast<int>(bits >> kFractionBits);
    const uint64_t significand = biased == 0 ? fraction : fraction | Bits(1) << kFractionBits;
    const int power = (biased == 0 ? 1 : biased) - kBias - kFractionBits;  // value = significand * 2^power
    const bool even = significand % 2 == 0;
    const int closerBelow = fraction == 0 && biased > 1 ? 1 : 0;

    using Number = Big<sizeof(T) == 4 ? 8 : 40>;
    Number r(significand), s(1), below(1);
    r.ShiftLeft(1 + closerBelow + std::max(power, 0));
    s.ShiftLeft(1 + closerBelow + std::max(-power, 0));
    below.ShiftLeft(std::max(power, 0));
    Number twiceBelow = below;  // kept only where it is `above`
    twiceBelow.ShiftLeft(1);
    const Number& above = closerBelow ? twiceBelow : below;

    // The first digit's place is 10^(k-1), 10^k being the least power of ten above the interval
    // (or at its top, when that is left out): guessed from the binary exponent, never too high,
    // and then raised.
    int bitCount = 0;
    while (significand >> bitCount != 0) ++bitCount;
    int k = static_cast<int>(std::ceil((power + bitCount - 1) * 0.30102999566398119 - 1e-10));
    if (k >= 0) {
        s.MultiplyByPowerOfTen(k);
    } else {
        r.MultiplyByPowerOfTen(-k);
        below.MultiplyByPowerOfTen(-k);
        if (closerBelow) twiceBelow.MultiplyByPowerOfTen(-k);
    }
    while (Compare(r, above, s) >= (even ? 0 : 1)) {
        s.Multiply(10);
        ++k;
    }
    const int shift = s.ZerosAtTop();  // for DivideSmall
    for (Number* number : {&r, &s, &below, &twiceBelow}) number->ShiftLeft(shift);

    digits->clear();
    for (;;) {
        r.Multiply(10);
        below.Multiply(10);
        if (closerBelow) twiceBelow.Multiply(10);
        int digit = r.DivideSmall(s);
        const bool lowEnough = Compare(r, below) < (even ? 1 : 0);  // stopping here reads back
        const bool highEnough = Compare(r, above, s) >= (even ? 0 : 1);  // so would digit + 1
        if (!lowEnough && !highEnough) {
            digits->push_back(static_cast<char>('0' + digit));
            continue;
        }
        if (lowEnough && highEnough) {
            const int half = Compare(r, r, s);
            if (half > 0 || (half == 0 && digit % 2 == 1)) ++digit;
        } else if (highEnough) {
            ++digit;
        }
        digits->push_back(static_cast<char>('0' + digit));
        break;
    }
    *exponent = k - 1;
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
        const int magnitude = std::abs(exponent);  // at least two digits: e+05, e-310
        scientific += 'e';
        scientific += exponent < 0 ? '-' : '+';
        if (magnitude >= 100) scientific += static_cast<char>('0' + magnitude / 100);
        scientific += static_cast<char>('0' + magnitude / 10 % 10);
        scientific += static_cast<char>('0' + magnitude % 10);
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
            fixed = digits.substr(0, static_cast<size_t>(exponent) + 1) + "." +
                    digits.substr(static_cast<size_t>(exponent) + 1);
        }
        out += fixed.size() <= scientific.size() ? fixed : scientific;
    }
    if (out.size() > static_cast<size_t>(last - first)) return {last, std::errc::value_too_large};
    // Like std::to_chars: the text without a terminating zero, its end returned.
    std::memcpy(first, out.data(), out.size());  // NOLINT(bugprone-not-null-terminated-result)
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
