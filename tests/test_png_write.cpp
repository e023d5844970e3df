// The shared PNG writer: what it writes reads back the same for every channel count, the
// compression level applies to one call only, and bad arguments are refused.
#include <gtest/gtest.h>
#include <qv_png.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/png_file.h"

namespace {

std::string TempPath(const char* name)
{
    return ::testing::TempDir() + "qv_png_" + name + ".png";
}

std::vector<unsigned char> FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A picture with both smooth runs and detail, so that the compression level shows.
std::vector<unsigned char> Pattern(int width, int height, int channels)
{
    std::vector<unsigned char> p(size_t(width) * height * channels);
    for (size_t i = 0; i < p.size(); ++i)
        p[i] = static_cast<unsigned char>((i / 7) * 13 + (i % 3) * 40 + ((i * 2654435761u) >> 29));
    return p;
}

TEST(PngWrite, ReadsBackTheSamePixelsForEveryChannelCount)
{
    for (int channels = 1; channels <= 4; ++channels) {
        const std::string path = TempPath("channels");
        const std::vector<unsigned char> pixels = Pattern(5, 3, channels);
        ASSERT_TRUE(QvWritePng(path.c_str(), 5, 3, channels, pixels.data())) << channels;
        PngPixels back;
        ASSERT_TRUE(ReadPng(path, &back)) << channels;
        EXPECT_EQ(back.width, 5);
        EXPECT_EQ(back.height, 3);
        EXPECT_EQ(back.channels, channels);
        EXPECT_EQ(back.bytes, pixels) << channels;
        std::remove(path.c_str());
    }
}

TEST(PngWrite, CompressionLevelHoldsForOneCallOnly)
{
    const std::vector<unsigned char> pixels = Pattern(96, 64, 3);
    const std::string path = TempPath("level");
    ASSERT_TRUE(QvWritePng(path.c_str(), 96, 64, 3, pixels.data()));
    const std::vector<unsigned char> before = FileBytes(path);
    ASSERT_TRUE(QvWritePng(path.c_str(), 96, 64, 3, pixels.data(), 1));
    const size_t fast = FileBytes(path).size();
    ASSERT_TRUE(QvWritePng(path.c_str(), 96, 64, 3, pixels.data(), 9));
    const size_t small = FileBytes(path).size();
    EXPECT_LT(small, fast);
    ASSERT_TRUE(QvWritePng(path.c_str(), 96, 64, 3, pixels.data()));
    EXPECT_EQ(FileBytes(path), before);
    std::remove(path.c_str());
}

TEST(PngWrite, RefusesBadArgumentsAndUnwritablePaths)
{
    const unsigned char px[4] = {1, 2, 3, 4};
    const std::string path = TempPath("bad");
    EXPECT_FALSE(QvWritePng(nullptr, 1, 1, 4, px));
    EXPECT_FALSE(QvWritePng(path.c_str(), 1, 1, 4, nullptr));
    EXPECT_FALSE(QvWritePng(path.c_str(), 0, 1, 4, px));
    EXPECT_FALSE(QvWritePng(path.c_str(), 1, -1, 4, px));
    EXPECT_FALSE(QvWritePng(path.c_str(), 1, 1, 0, px));
    EXPECT_FALSE(QvWritePng(path.c_str(), 1, 1, 5, px));
    EXPECT_FALSE(QvWritePng(path.c_str(), 1, 1, 4, px, 0));
    EXPECT_FALSE(QvWritePng(path.c_str(), 1, 1, 4, px, 10));
    EXPECT_FALSE(QvWritePng("/nonexistent-dir/x.png", 1, 1, 4, px));
    EXPECT_FALSE(std::ifstream(path).good());
}

} // namespace
