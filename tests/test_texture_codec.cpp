// The texture loader's building blocks: DXT blocks, 16-bit texel layouts, resampling.
#include "gfxutil/dds_dxt.h"
#include "gfxutil/image_decode.h"
#include "gfxutil/image_format.h"
#include "gfxutil/image_resample.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace gfxutil;

namespace {

int MaxChannelError(uint32_t x, uint32_t y) {
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8)
        worst = std::max(worst, std::abs(int((x >> shift) & 0xFF) - int((y >> shift) & 0xFF)));
    return worst;
}

ArgbImage MakeImage(UINT w, UINT h, std::initializer_list<uint32_t> texels) {
    ArgbImage img(w, h);
    img.pixels.assign(texels);
    return img;
}

}  // namespace

TEST(DxtBlocks, DecodeDxt1FourAndThreeColourModes) {
    // c0 = pure red (0xF800) > c1 = pure blue (0x001F): four colours, thirds in between.
    const uint8_t four[8] = {0x00, 0xF8, 0x1F, 0x00, 0b11100100, 0, 0, 0};
    uint32_t t[16];
    DecodeDxtBlock(D3DFMT_DXT1, four, t);
    EXPECT_EQ(t[0], 0xFFFF0000u);
    EXPECT_EQ(t[1], 0xFF0000FFu);
    EXPECT_EQ(t[2], 0xFFAA0055u);  // (2 * red + blue) / 3
    EXPECT_EQ(t[3], 0xFF5500AAu);
    EXPECT_EQ(t[4], 0xFFFF0000u);  // index 0 for the rest of the block

    // Swapped endpoints: three colours and transparent black at index 3.
    const uint8_t three[8] = {0x1F, 0x00, 0x00, 0xF8, 0b11100100, 0, 0, 0};
    DecodeDxtBlock(D3DFMT_DXT1, three, t);
    EXPECT_EQ(t[2], 0xFF7F007Fu);
    EXPECT_EQ(t[3], 0x00000000u);
}

TEST(DxtBlocks, DecodeDxt3AndDxt5Alpha) {
    uint8_t dxt3[16] = {0x0F, 0xF0};  // texel 0: 15, 1: 0, 2: 0, 3: 15; colour block all black
    uint32_t t[16];
    DecodeDxtBlock(D3DFMT_DXT3, dxt3, t);
    EXPECT_EQ(t[0] >> 24, 255u);
    EXPECT_EQ(t[1] >> 24, 0u);
    EXPECT_EQ(t[3] >> 24, 255u);
    EXPECT_EQ(t[0] & 0xFFFFFF, 0u);

    // Eight-step alpha (a0 > a1): texels take indices 2, 7, 0, 1. The colour block has
    // c0 <= c1, which DXT5 still reads as four opaque colours: index 3 is (c0 + 2 c1) / 3.
    const uint8_t dxt5[16] = {200, 100, 0x3A, 0x02, 0, 0, 0, 0, 0x1F, 0x00, 0x00, 0xF8, 0xFF, 0, 0, 0};
    DecodeDxtBlock(D3DFMT_DXT5, dxt5, t);
    EXPECT_EQ(t[0], 0xB9AA0055u);  // alpha (6 * 200 + 100) / 7 = 185
    EXPECT_EQ(t[1] >> 24, 114u);
    EXPECT_EQ(t[2] >> 24, 200u);
    EXPECT_EQ(t[3] >> 24, 100u);

    // Six-step alpha (a0 <= a1) with the two fixed values 0 and 255 at indices 6 and 7.
    const uint8_t six[16] = {100, 200, 6 | (7 << 3) | (2 << 6), 0, 0, 0, 0, 0};
    DecodeDxtBlock(D3DFMT_DXT5, six, t);
    EXPECT_EQ(t[0] >> 24, 0u);
    EXPECT_EQ(t[1] >> 24, 255u);
    EXPECT_EQ(t[2] >> 24, 120u);
}

TEST(DxtBlocks, EncodeKeepsWhatTheFormatCanHold) {
    // Two 565-exact colours in a pattern come back exactly in every format.
    uint32_t two[16];
    for (int i = 0; i < 16; ++i) two[i] = (i % 3) ? 0xFFFF0000u : 0xFF0000FFu;
    for (D3DFORMAT f : {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5}) {
        uint8_t block[16];
        uint32_t back[16];
        EncodeDxtBlock(f, two, block);
        DecodeDxtBlock(f, block, back);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(back[i], two[i]) << "format " << f << " texel " << i;
    }

    // DXT1 keeps cut-out transparency; opaque texels stay opaque and near their colour.
    uint32_t cutout[16];
    for (int i = 0; i < 16; ++i) cutout[i] = (i < 8) ? 0x00000000u : 0xFF20C040u + uint32_t(i);
    uint8_t block[8];
    uint32_t back[16];
    EncodeDxtBlock(D3DFMT_DXT1, cutout, block);
    DecodeDxtBlock(D3DFMT_DXT1, block, back);
    for (int i = 0; i < 16; ++i) {
        if (i < 8) EXPECT_EQ(back[i], 0u);
        else EXPECT_LE(MaxChannelError(back[i], cutout[i]), 8) << i;
    }

    // A smooth alpha ramp through DXT5's interpolated alpha and DXT3's 4-bit alpha.
    uint32_t ramp[16];
    for (int i = 0; i < 16; ++i) ramp[i] = (uint32_t(i * 17) << 24) | 0x808080u;
    for (D3DFORMAT f : {D3DFMT_DXT3, D3DFMT_DXT5}) {
        uint8_t b16[16];
        EncodeDxtBlock(f, ramp, b16);
        DecodeDxtBlock(f, b16, back);
        for (int i = 0; i < 16; ++i) EXPECT_LE(MaxChannelError(back[i], ramp[i]), 20) << f << " " << i;
    }
}

TEST(DxtBlocks, LevelsSmallerThanABlockAndShortData) {
    ArgbImage tiny = MakeImage(2, 1, {0xFFFF0000u, 0xFF00FF00u});
    std::vector<uint8_t> bytes = EncodeDxt(D3DFMT_DXT1, tiny);
    ASSERT_EQ(bytes.size(), 8u);  // one block, padded
    ArgbImage back;
    ASSERT_TRUE(DecodeDxt(D3DFMT_DXT1, ByteView(bytes), 2, 1, &back));
    EXPECT_EQ(back.width, 2u);
    EXPECT_EQ(back.pixels.size(), 2u);
    EXPECT_LE(MaxChannelError(back.pixels[0], 0xFFFF0000u), 8);
    EXPECT_LE(MaxChannelError(back.pixels[1], 0xFF00FF00u), 8);

    // 8x4 needs two blocks; one is not enough and must not be read past.
    std::vector<uint8_t> one(8);
    EXPECT_FALSE(DecodeDxt(D3DFMT_DXT1, ByteView(one), 8, 4, &back));
    std::vector<uint8_t> almost(31);
    EXPECT_FALSE(DecodeDxt(D3DFMT_DXT5, ByteView(almost), 8, 4, &back));
}

TEST(TexelFormats, SizesOfLevels) {
    EXPECT_EQ(LevelBytes(D3DFMT_DXT1, 1, 1), 8u);
    EXPECT_EQ(LevelBytes(D3DFMT_DXT5, 6, 6), 4u * 16);
    EXPECT_EQ(LevelBytes(D3DFMT_R5G6B5, 3, 5), 30u);
    EXPECT_EQ(LevelBytes(D3DFMT_A8R8G8B8, 16384, 16384), uint64_t(1) << 30);
    EXPECT_EQ(RowCount(D3DFMT_DXT3, 9), 3u);
    EXPECT_FALSE(IsLoadableFormat(D3DFMT_R8G8B8));
    EXPECT_FALSE(FormatHasAlpha(D3DFMT_X1R5G5B5));
    EXPECT_TRUE(FormatHasAlpha(D3DFMT_A4R4G4B4));
}

TEST(TexelFormats, SixteenBitLayoutsDecodeAndEncode) {
    struct Case {
        D3DFORMAT format;
        uint16_t stored;
        uint32_t argb;
    } cases[] = {
        {D3DFMT_R5G6B5, 0xF800, 0xFFFF0000u},   {D3DFMT_R5G6B5, 0x07E0, 0xFF00FF00u},
        {D3DFMT_R5G6B5, 0x001F, 0xFF0000FFu},   {D3DFMT_A1R5G5B5, 0x8000, 0xFF000000u},
        {D3DFMT_A1R5G5B5, 0x7C1F, 0x00FF00FFu}, {D3DFMT_A4R4G4B4, 0xF0F0, 0xFF00FF00u},
        {D3DFMT_A4R4G4B4, 0x1234, 0x11223344u}, {D3DFMT_X1R5G5B5, 0xFC00, 0xFFFF0000u},
    };
    for (const Case& c : cases) {
        const uint8_t bytes[2] = {uint8_t(c.stored), uint8_t(c.stored >> 8)};
        ArgbImage img;
        ASSERT_TRUE(DecodeLevel(c.format, ByteView(bytes, 2), 1, 1, &img));
        EXPECT_EQ(img.pixels[0], c.argb) << c.format << " " << c.stored;
        std::vector<uint8_t> again = EncodeLevel(c.format, img);
        ASSERT_EQ(again.size(), 2u);
        // X1R5G5B5 writes its unused bit as one; everything else comes back as stored.
        EXPECT_EQ(again[0] | (again[1] << 8), c.format == D3DFMT_X1R5G5B5 ? (c.stored | 0x8000) : c.stored);
    }
    uint8_t one = 0;
    ArgbImage img;
    EXPECT_FALSE(DecodeLevel(D3DFMT_R5G6B5, ByteView(&one, 1), 1, 1, &img));
}

TEST(TexelFormats, MaskedLayoutsAsADdsFileDescribesThem) {
    // 24-bit BGR bytes, as R8G8B8 stores them, and an 8-bit luminance with 8-bit alpha.
    const uint8_t bgr[6] = {0x30, 0x20, 0x10, 0xFF, 0x00, 0x80};
    ArgbImage img;
    ASSERT_TRUE(DecodeMasked(ByteView(bgr, 6), 2, 1, 3, {0, 0xFF0000, 0xFF00, 0xFF}, &img));
    EXPECT_EQ(img.pixels[0], 0xFF102030u);
    EXPECT_EQ(img.pixels[1], 0xFF8000FFu);
    const uint8_t la[2] = {0x40, 0x80};
    ASSERT_TRUE(DecodeMasked(ByteView(la, 2), 1, 1, 2, {0xFF00, 0xFF, 0xFF, 0xFF}, &img));
    EXPECT_EQ(img.pixels[0], 0x80404040u);
    EXPECT_FALSE(DecodeMasked(ByteView(bgr, 5), 2, 1, 3, {0, 0xFF0000, 0xFF00, 0xFF}, &img));
    EXPECT_EQ(FormatFromMasks(32, {0xFF000000u, 0xFF0000, 0xFF00, 0xFF}), D3DFMT_A8R8G8B8);
    EXPECT_EQ(FormatFromMasks(32, {0, 0xFF, 0xFF00, 0xFF0000}), D3DFMT_UNKNOWN);  // BGR order
}

TEST(Resampling, EnlargingKeepsCornersAndBlends) {
    ArgbImage src = MakeImage(2, 1, {0xFF000000u, 0xFFFFFFFFu});
    ArgbImage out = Resample(src, 4, 1, ResampleFilter::Linear);
    ASSERT_EQ(out.pixels.size(), 4u);
    EXPECT_EQ(out.pixels[0], 0xFF000000u);
    EXPECT_EQ(out.pixels[3], 0xFFFFFFFFu);
    EXPECT_EQ(out.pixels[1], 0xFF404040u);  // a quarter of the way across
    EXPECT_EQ(out.pixels[2], 0xFFBFBFBFu);

    ArgbImage odd = MakeImage(3, 1, {0xFF000000u, 0xFF808080u, 0xFFFFFFFFu});
    out = Resample(odd, 4, 2, ResampleFilter::Linear);
    EXPECT_EQ(out.At(0, 1), 0xFF000000u);
    EXPECT_EQ(out.At(3, 0), 0xFFFFFFFFu);
    EXPECT_LT(out.At(1, 0) & 0xFF, out.At(2, 0) & 0xFF);

    out = Resample(src, 4, 1, ResampleFilter::Point);
    EXPECT_EQ(out.pixels[1], 0xFF000000u);
    EXPECT_EQ(out.pixels[2], 0xFFFFFFFFu);
}

TEST(Resampling, MipLevelsAverageTheirFootprint) {
    ArgbImage src = MakeImage(4, 2, {0xFF000000u, 0xFF000000u, 0x00FF0000u, 0xFFFF0000u,
                                     0xFFFFFFFFu, 0xFFFFFFFFu, 0x00FF0000u, 0xFFFF0000u});
    ArgbImage mip = NextMipLevel(src, ResampleFilter::Linear);
    ASSERT_EQ(mip.width, 2u);
    ASSERT_EQ(mip.height, 1u);
    EXPECT_EQ(mip.pixels[0], 0xFF808080u);
    EXPECT_EQ(mip.pixels[1], 0x80FF0000u);
    ArgbImage last = NextMipLevel(mip, ResampleFilter::Linear);
    EXPECT_EQ(last.width, 1u);
    EXPECT_EQ(last.pixels[0], 0xC0C04040u);
    // Odd sizes shrink by area too: three texels into one.
    ArgbImage three = MakeImage(3, 1, {0xFF000000u, 0xFF000000u, 0xFFF0F0F0u});
    EXPECT_EQ(NextMipLevel(three, ResampleFilter::Linear).pixels[0], 0xFF505050u);
}

TEST(ImageLimits, SmallFilesCannotClaimHugePictures) {
    // A picture needs at least so many bytes of file: tiny files get tiny budgets.
    EXPECT_LT(MaxPixelsForFile(D3DXIFF_JPG, 200), 200000u);
    EXPECT_LT(MaxPixelsForFile(D3DXIFF_BMP, 1000), 10000u);
    EXPECT_GE(MaxPixelsForFile(D3DXIFF_PNG, 1000), 1000u * 1000);  // deflate squeezes hard
    EXPECT_LE(MaxPixelsForFile(D3DXIFF_PNG, size_t(1) << 30), uint64_t(1) << 26);
}
