// base/: reading whole files (what is and is not a file), the mip chain on its boundaries, and
// DXT levels whose edges hang over or whose data falls short.
#include "base/dxt_block.h"
#include "base/file_read.h"
#include "base/texture_size.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

class WholeFile : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(testing::TempDir()) / ("qv_base_" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const char* name, const std::string& bytes)
    {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    fs::path dir_;
};

TEST_F(WholeFile, ReadsRegularFilesUpToTheLimit)
{
    std::vector<uint8_t> out;
    ASSERT_TRUE(base::ReadWholeFile(Write("four", "abcd"), 4, &out));
    EXPECT_EQ(out, (std::vector<uint8_t>{'a', 'b', 'c', 'd'}));
    ASSERT_TRUE(base::ReadWholeFile(Write("empty", ""), 4, &out));
    EXPECT_TRUE(out.empty());
}

TEST_F(WholeFile, WhatIsNoFileOrTooLargeFailsAndLeavesTheOutputAlone)
{
    const std::vector<uint8_t> before{1, 2, 3};
    std::vector<uint8_t> out = before;
    const std::string five = Write("five", "abcde");
    EXPECT_FALSE(base::ReadWholeFile(five, 4, &out));
    EXPECT_FALSE(base::ReadWholeFile((dir_ / "missing").string(), 100, &out));
    EXPECT_FALSE(base::ReadWholeFile("", 100, &out));
    // Directories open as streams on Linux: an ordinary one, one whose end seeks far away, and
    // procfs, whose directories report a size of 0 and would read as empty files.
    for (const std::string& directory : {dir_.string(), fs::temp_directory_path().string(), std::string("/proc/self")})
        EXPECT_FALSE(base::ReadWholeFile(directory, 100, &out)) << directory;
    fs::create_symlink(five, dir_ / "link");
    EXPECT_TRUE(base::ReadWholeFile((dir_ / "link").string(), 100, &out));  // a link to a file is the file
    out = before;
    fs::create_directory_symlink(dir_, dir_ / "dirlink");
    EXPECT_FALSE(base::ReadWholeFile((dir_ / "dirlink").string(), 100, &out));
    EXPECT_EQ(out, before);
}

TEST(MipChain, CountsBothEndsOfTheLongerSide)
{
    const struct {
        uint32_t width, height, levels;
    } cases[] = {
        {1, 1, 1}, {0, 0, 1}, {2, 1, 2}, {1, 3, 2}, {4, 4, 3}, {5, 2, 3}, {7, 1, 3}, {8, 1, 4},
        {256, 16, 9}, {8191, 1, 13}, {1, base::kMaxTextureSize, 14}, {0xFFFFFFFFu, 1, 32},
    };
    for (const auto& c : cases)
        EXPECT_EQ(base::MipChainLength(c.width, c.height), c.levels) << c.width << "x" << c.height;
}

TEST(DxtLevel, EdgeBlocksAreCutAndShortDataIsRefused)
{
    // 5 x 3 texels: two blocks side by side, each a single colour (c0 == c1, all indices 0).
    const uint8_t red[8] = {0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0};
    const uint8_t blue[8] = {0x1F, 0x00, 0x1F, 0x00, 0, 0, 0, 0};
    std::vector<uint8_t> blocks(red, red + 8);
    blocks.insert(blocks.end(), blue, blue + 8);

    std::vector<uint32_t> argb(15, 0x12345678u);
    ASSERT_TRUE(base::DecodeDxtToArgb(base::DxtKind::Dxt1, blocks.data(), blocks.size(), 5, 3, argb.data()));
    std::vector<uint8_t> rgba(15 * 4, 0xEE);
    ASSERT_TRUE(base::DecodeDxtToRgba(base::DxtKind::Dxt1, blocks.data(), blocks.size(), 5, 3, rgba.data()));
    for (size_t i = 0; i < 15; ++i) {
        const bool right = i % 5 == 4;
        EXPECT_EQ(argb[i], right ? 0xFF0000FFu : 0xFFFF0000u) << i;
        const uint8_t expected[4] = {uint8_t(right ? 0 : 255), 0, uint8_t(right ? 255 : 0), 255};
        EXPECT_EQ(std::vector<uint8_t>(rgba.begin() + i * 4, rgba.begin() + i * 4 + 4),
                  std::vector<uint8_t>(expected, expected + 4)) << i;
    }

    std::vector<uint32_t> untouched(15, 7u);
    EXPECT_FALSE(base::DecodeDxtToArgb(base::DxtKind::Dxt1, blocks.data(), blocks.size() - 1, 5, 3, untouched.data()));
    EXPECT_FALSE(base::DecodeDxtToArgb(base::DxtKind::ExplicitAlpha, blocks.data(), blocks.size(), 5, 3, untouched.data()));
    // Sides whose block count overflows 32 bits are measured against the data all the same.
    EXPECT_FALSE(base::DecodeDxtToArgb(base::DxtKind::Dxt1, blocks.data(), blocks.size(), 0xFFFFFFFFu, 0xFFFFFFFFu,
                                       untouched.data()));
    EXPECT_EQ(untouched, std::vector<uint32_t>(15, 7u));
}

TEST(DxtLevel, FourCCsNameTheirKind)
{
    const auto fourCC = [](const char* s) {
        return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
               uint32_t(uint8_t(s[3])) << 24;
    };
    const struct {
        const char* name;
        bool known;
        base::DxtKind kind;
    } cases[] = {
        {"DXT1", true, base::DxtKind::Dxt1},          {"DXT2", true, base::DxtKind::ExplicitAlpha},
        {"DXT3", true, base::DxtKind::ExplicitAlpha}, {"DXT4", true, base::DxtKind::InterpolatedAlpha},
        {"DXT5", true, base::DxtKind::InterpolatedAlpha}, {"DXT0", false, {}}, {"DXT6", false, {}},
        {"ATI1", false, {}}, {"dxt1", false, {}},
    };
    for (const auto& c : cases) {
        base::DxtKind kind = c.kind == base::DxtKind::Dxt1 ? base::DxtKind::ExplicitAlpha : base::DxtKind::Dxt1;
        EXPECT_EQ(base::DxtKindFromFourCC(fourCC(c.name), &kind), c.known) << c.name;
        if (c.known) {
            EXPECT_EQ(kind, c.kind) << c.name;
        }
    }
}

}  // namespace
