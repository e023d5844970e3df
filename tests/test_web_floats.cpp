// The web build's float reading and writing (platform/web/shortest_float.h) against this
// system's own std::from_chars and std::to_chars: traces and key scripts must read and print
// alike in the page and natively, character for character.
#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/web/shortest_float.h"

namespace {

template <typename T>
std::string Native(T value)
{
    char text[64];
    auto r = std::to_chars(text, text + sizeof text, value);
    return std::string(text, r.ptr);
}

template <typename T>
std::string Ours(T value)
{
    char text[64];
    auto r = qvweb::WriteShortest(text, text + sizeof text, value);
    EXPECT_EQ(r.ec, std::errc());
    return std::string(text, r.ptr);
}

float FloatFromBits(uint32_t bits)
{
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

double DoubleFromBits(uint64_t bits)
{
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// Prints values natively and with ours and reads ours back, counting the values whose texts
// differ or whose text does not read back bit for bit; the first few are reported.
template <typename T>
struct PrintCheck {
    int failures = 0;

    void operator()(T value)
    {
        char native[64], ours[64];
        const auto n = std::to_chars(native, native + sizeof native, value);
        const auto o = qvweb::WriteShortest(ours, ours + sizeof ours, value);
        T back = 0;
        const auto read = qvweb::ReadFloat(ours, o.ptr, back);
        const std::string_view nativeText(native, static_cast<size_t>(n.ptr - native));
        const std::string_view ourText(ours, static_cast<size_t>(o.ptr - ours));
        if (o.ec == std::errc() && ourText == nativeText && read.ec == std::errc() && read.ptr == o.ptr &&
            std::memcmp(&back, &value, sizeof value) == 0) {
            return;
        }
        if (++failures <= 10) ADD_FAILURE() << nativeText << " printed as " << ourText << ", read back as " << back;
    }
};

// Samples are cut in unoptimised and sanitizer builds, which run them many times slower.
#if defined(__SANITIZE_ADDRESS__) || !defined(__OPTIMIZE__)
constexpr int kSampleDivisor = 16;
#else
constexpr int kSampleDivisor = 1;
#endif

template <typename T>
void ExpectReadAlike(const char* text)
{
    const char* end = text + std::strlen(text);
    T nativeValue = 7, ourValue = 7;
    auto native = std::from_chars(text, end, nativeValue);
    auto ours = qvweb::ReadFloat(text, end, ourValue);
    EXPECT_EQ(ours.ptr - text, native.ptr - text) << '"' << text << '"';
    EXPECT_EQ(ours.ec, native.ec) << '"' << text << '"';
    if (!std::isnan(nativeValue)) {
        EXPECT_EQ(ourValue, nativeValue) << '"' << text << '"';
    }
}

TEST(WebFloats, ShortestTextIsTheNativeTextForFloatsAndDoubles)
{
    std::vector<float> floats = {0.0f, -0.0f, 1.0f, -1.0f, 0.1f, 0.02f, 1e-5f, 1e-4f, 123456792.0f,
                                 1e10f, 1e15f, 16777216.0f, 100.0f, 0.5f, 3.14159265f, FLT_MAX,
                                 FLT_MIN, FLT_TRUE_MIN, -FLT_MAX, 1.5e-40f,
                                 std::numeric_limits<float>::infinity(),
                                 -std::numeric_limits<float>::infinity()};
    for (int degrees = -720; degrees <= 720; ++degrees) floats.push_back(float(degrees) * 0.0174532925f);
    for (int e = -45; e <= 38; ++e) floats.push_back(std::pow(10.0f, float(e)));
    PrintCheck<float> checkFloat;
    for (float f : floats) checkFloat(f);
    std::mt19937 random(20);
    for (int i = 0; i < 1000000 / kSampleDivisor; ++i) {
        const float f = FloatFromBits(random());
        if (!std::isnan(f)) checkFloat(f);
    }
    EXPECT_EQ(checkFloat.failures, 0);

    PrintCheck<double> checkDouble;
    std::mt19937_64 random64(20);
    for (int i = 0; i < 150000 / kSampleDivisor; ++i) {
        const double d = DoubleFromBits(random64());
        if (!std::isnan(d)) checkDouble(d);
    }
    // Doubles of few digits, where fixed notation is the shorter.
    for (int i = 0; i < 50000 / kSampleDivisor; ++i) {
        const double d = static_cast<double>(random64() % 2000001) - 1000000;
        checkDouble(d / 1000);
        checkDouble(d * 1e10);
    }
    EXPECT_EQ(checkDouble.failures, 0);

    char small[3];
    EXPECT_EQ(qvweb::WriteShortest(small, small + sizeof small, 0.125f).ec, std::errc::value_too_large);
}

// Just above a power of two the values that read back reach half as far below as above, and the
// correctly rounded digits at a length can miss that asymmetric interval while a neighbour hits it.
TEST(WebFloats, PowersOfTwoSubnormalsAndLimitsPrintAsNatively)
{
    EXPECT_EQ(Ours(std::ldexp(1.0f, -96)), "1.2621775e-29");  // not 1.26217745e-29

    // Each exponent's first few and last significands: the powers of two, their neighbours and
    // the largest value below the next power, so also the least and largest subnormal and normal.
    PrintCheck<float> checkFloat;
    for (uint32_t exponent = 0; exponent < 255; ++exponent) {
        for (uint32_t fraction : {0u, 1u, 2u, 3u, 0x400000u, 0x7ffffeu, 0x7fffffu}) {
            checkFloat(FloatFromBits(exponent << 23 | fraction));
            checkFloat(-FloatFromBits(exponent << 23 | fraction));
        }
    }
    for (int bit = 0; bit < 23; ++bit) checkFloat(FloatFromBits(1u << bit));  // subnormal powers of two
    // Subnormals: every one up to 2^16 times the least, and a dense stride through the rest.
    const uint32_t stride = 13 * kSampleDivisor;
    for (uint32_t bits = 1; bits < 0x800000u; bits += bits < 0x10000u ? 1 : stride) checkFloat(FloatFromBits(bits));
    EXPECT_EQ(checkFloat.failures, 0);

    PrintCheck<double> checkDouble;
    for (uint64_t exponent = 0; exponent < 2047; ++exponent) {
        for (uint64_t fraction : {uint64_t(0), uint64_t(1), uint64_t(2), uint64_t(3), uint64_t(1) << 51,
                                  (uint64_t(1) << 52) - 2, (uint64_t(1) << 52) - 1}) {
            checkDouble(DoubleFromBits(exponent << 52 | fraction));
            checkDouble(-DoubleFromBits(exponent << 52 | fraction));
        }
    }
    for (int bit = 0; bit < 52; ++bit) checkDouble(DoubleFromBits(uint64_t(1) << bit));
    for (double d : {static_cast<double>(FLT_MAX), 1e23, 9007199254740991.0, 5e-324}) checkDouble(d);
    std::mt19937_64 random64(21);
    for (int i = 0; i < 20000 / kSampleDivisor; ++i) checkDouble(DoubleFromBits(random64() >> 12));  // subnormal
    EXPECT_EQ(checkDouble.failures, 0);
}

TEST(WebFloats, ReadingStopsAndFailsWhereTheNativeReaderDoes)
{
    const char* texts[] = {"1", "-0", "0.02", "1e5", "1.5e-3x", "12abc", " 1", "+1", "0x10", "-0x1p3",
                           "inf", "-infinity", "nan", ".5", "5.", "1e", "1e+", "1e400", "-1e400",
                           "1e-400", "3.4028236e38", "1e-45", "", "-", ".", "e5", "abc",
                           "0.000000000000000000000000000000000000000000001", "dt", "1,5"};
    for (const char* text : texts) {
        ExpectReadAlike<float>(text);
        ExpectReadAlike<double>(text);
    }
    // Only the given range is read, even when a number goes on past it.
    const char digits[] = "12345";
    float value = 0;
    auto r = qvweb::ReadFloat(digits, digits + 3, value);
    EXPECT_EQ(r.ptr, digits + 3);
    EXPECT_EQ(value, 123.0f);
}

}  // namespace
