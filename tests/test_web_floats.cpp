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
    std::mt19937 random(20);
    for (int i = 0; i < 200000; ++i) {
        const float f = FloatFromBits(random());
        if (!std::isnan(f)) floats.push_back(f);
    }
    int mismatches = 0;
    for (float f : floats) {
        if (Native(f) != Ours(f) && ++mismatches <= 10) ADD_FAILURE() << Native(f) << " printed as " << Ours(f);
    }
    EXPECT_EQ(mismatches, 0);

    std::mt19937_64 random64(20);
    mismatches = 0;
    for (int i = 0; i < 50000; ++i) {
        const double d = DoubleFromBits(random64());
        if (std::isnan(d)) continue;
        if (Native(d) != Ours(d) && ++mismatches <= 10) ADD_FAILURE() << Native(d) << " printed as " << Ours(d);
    }
    EXPECT_EQ(mismatches, 0);

    char small[3];
    EXPECT_EQ(qvweb::WriteShortest(small, small + sizeof small, 0.125f).ec, std::errc::value_too_large);
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
