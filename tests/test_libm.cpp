// The sine and cosine the game computes with (musl's, built into both programs): on every
// argument the game produces they agree with glibc's, so Linux results did not move when the
// game stopped using the C library's; both builds compute them to the same bits; and the float
// ones are correctly rounded where glibc's are not always.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "third_party/musl-math/qv_libm.h"

namespace {

// Every bobbing angle: from 0 in float steps of 0.3 until past 360, where it starts again.
std::vector<float> BobAngles()
{
    std::vector<float> angles{0.0f};
    for (float a = 0.0f + 0.3f; a <= 360.0f; a = a + 0.3f) angles.push_back(a);
    return angles;
}

// Whole degrees as the matrix paths turn them into radians (÷ 57.2, in float): object yaws,
// the field of view's half, and anything a later constant may bring.
std::vector<float> MatrixAngles()
{
    std::vector<float> angles;
    for (int d = -720; d <= 720; ++d) {
        angles.push_back(static_cast<float>(d) / 57.2f);
        angles.push_back(static_cast<float>(d) / 57.2f * 0.5f);
    }
    return angles;
}

// Whole and half degrees as the camera turns them (× 3.14 / 180, in double, kept as float).
std::vector<float> CameraAngles()
{
    std::vector<float> angles;
    for (int h = -720; h <= 720; ++h) {
        const float degrees = static_cast<float>(h) * 0.5f;
        angles.push_back(static_cast<float>(static_cast<double>(degrees) / 180.0 * static_cast<double>(3.14f)));
    }
    return angles;
}

uint32_t Bits(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

// FNV-1a over the bits of every result, the same in both builds.
uint64_t Fingerprint()
{
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](float f) {
        const uint32_t u = Bits(f);
        for (int i = 0; i < 4; ++i) h = (h ^ ((u >> (8 * i)) & 0xFFu)) * 1099511628211ull;
    };
    for (float a : BobAngles()) mix(static_cast<float>(qv_sin(a)));
    for (float a : CameraAngles()) {
        mix(static_cast<float>(qv_sin(a)));
        mix(static_cast<float>(qv_cos(a)));
    }
    for (float a : MatrixAngles()) {
        mix(qv_sinf(a));
        mix(qv_cosf(a));
    }
    return h;
}

}  // namespace

// The matrix angles the game builds today: object yaws of 0, 90, 180 and -90 degrees and half
// the 65-degree field of view.
const float kGameMatrixAngles[] = {0.0f, 90.0f / 57.2f, 180.0f / 57.2f, -90.0f / 57.2f, 65.0f / 57.2f * 0.5f};

TEST(GameSine, AgreesWithGlibcOnEveryArgumentTheGameUses)
{
#if defined(__GLIBC__)
    int differ = 0;
    for (float a : BobAngles()) differ += Bits(float(qv_sin(a))) != Bits(float(std::sin(double(a))));
    for (float a : CameraAngles()) {
        differ += Bits(float(qv_sin(a))) != Bits(float(std::sin(double(a))));
        differ += Bits(float(qv_cos(a))) != Bits(float(std::cos(double(a))));
    }
    for (float a : kGameMatrixAngles) {
        differ += Bits(qv_sinf(a)) != Bits(std::sin(a));
        differ += Bits(qv_cosf(a)) != Bits(std::cos(a));
    }
    EXPECT_EQ(differ, 0);
#else
    GTEST_SKIP() << "glibc is the Linux build's";
#endif
}

// On every whole and half degree the float results are the correctly rounded ones (x87's
// extended sine rounded to float is, but for ties closer than 2^-40). glibc's own sinf and cosf
// miss by one unit on about 1% of these, which is why the game no longer uses them.
TEST(GameSine, FloatResultsAreCorrectlyRounded)
{
#if defined(__GLIBC__) && defined(__x86_64__)
    int wrong = 0;
    for (float a : MatrixAngles()) {
        wrong += Bits(qv_sinf(a)) != Bits(float(sinl(a)));
        wrong += Bits(qv_cosf(a)) != Bits(float(cosl(a)));
    }
    for (float a : BobAngles()) wrong += Bits(float(qv_sin(a))) != Bits(float(sinl(a)));
    EXPECT_EQ(wrong, 0);
#else
    GTEST_SKIP() << "the reference is glibc's extended sine";
#endif
}

TEST(GameSine, BothBuildsComputeTheSameBits)
{
    EXPECT_EQ(Fingerprint(), 4137854603417755399u);
}

TEST(GameSine, SpecialValues)
{
    EXPECT_EQ(qv_sin(0.0), 0.0);
    EXPECT_TRUE(std::signbit(qv_sin(-0.0)));
    EXPECT_EQ(qv_cos(0.0), 1.0);
    EXPECT_EQ(qv_cosf(0.0f), 1.0f);
    EXPECT_TRUE(std::isnan(qv_sin(INFINITY)));
    EXPECT_TRUE(std::isnan(qv_cosf(NAN)));
    // Far arguments take the long reduction; still within a unit of the true value.
    EXPECT_NEAR(qv_sin(1.0e22), -0.8522008497671888, 1e-15);
    EXPECT_NEAR(qv_sinf(1.0e30f), -0.7911634f, 1e-6f);
}
