// The texture loader's building blocks: DXT blocks, 16-bit texel layouts, resampling.
#include "test_texture_support.h"

#include "gfxutil/texels/dds_dxt.h"
#include "gfxutil/texels/image_format.h"
#include "gfxutil/texels/image_resample.h"

#include <cmath>

using namespace texels;
using textest::MaxChannelError;

TEST(DxtBlocks, DecodeEachModeOfEachFormat) {
    uint32_t t[16];
    // DXT1, c0 (red) > c1 (blue): four colours; texels take indices 0, 1, 2, 3.
    const uint8_t four[8] = {0x00, 0xF8, 0x1F, 0x00, 0b11100100, 0, 0, 0};
    DecodeDxtBlock(D3DFMT_DXT1, four, t);
    EXPECT_EQ(std::vector<uint32_t>(t, t + 4),
              (std::vector<uint32_t>{0xFFFF0000, 0xFF0000FF, 0xFFAA0055, 0xFF5500AA}));
    // Swapped endpoints: three colours and transparent black.
    const uint8_t three[8] = {0x1F, 0x00, 0x00, 0xF8, 0b11100100, 0, 0, 0};
    DecodeDxtBlock(D3DFMT_DXT1, three, t);
    EXPECT_EQ(t[2], 0xFF7F007Fu);
    EXPECT_EQ(t[3], 0u);

    // DXT3: 4-bit alpha per texel (15, 0, 0, 15 ...).
    const uint8_t dxt3[16] = {0x0F, 0xF0};
    DecodeDxtBlock(D3DFMT_DXT3, dxt3, t);
    EXPECT_EQ(t[0], 0xFF000000u);
    EXPECT_EQ(t[1], 0x00000000u);
    // DXT5 eight-step alpha (200 > 100), indices 2, 7, 0, 1; its colour block has c0 <= c1,
    // which DXT5 still reads as four opaque colours: index 3 is (c0 + 2 c1) / 3.
    const uint8_t dxt5[16] = {200,  100,  0x3A, 0x02, 0,    0, 0, 0,
                              0x1F, 0x00, 0x00, 0xF8, 0xFF, 0, 0, 0};
    DecodeDxtBlock(D3DFMT_DXT5, dxt5, t);
    EXPECT_EQ(t[0], 0xB9AA0055u);  // alpha (6 * 200 + 100) / 7
    EXPECT_EQ(std::vector<uint32_t>({t[1] >> 24, t[2] >> 24, t[3] >> 24}),
              (std::vector<uint32_t>{114, 200, 100}));
    // Six-step alpha (100 <= 200) with 0 and 255 at indices 6 and 7.
    const uint8_t six[16] = {100, 200, 6 | (7 << 3) | (2 << 6), 0, 0, 0, 0, 0};
    DecodeDxtBlock(D3DFMT_DXT5, six, t);
    EXPECT_EQ(std::vector<uint32_t>({t[0] >> 24, t[1] >> 24, t[2] >> 24}),
              (std::vector<uint32_t>{0, 255, 120}));
}

TEST(DxtBlocks, EncodeKeepsWhatTheFormatCanHold) {
    uint32_t two[16], cutout[16], ramp[16], back[16];
    for (int i = 0; i < 16; ++i) {
        two[i] = (i % 3) ? 0xFFFF0000u : 0xFF0000FFu;  // 565-exact: must come back exactly
        cutout[i] = (i < 8) ? 0u : 0xFF20C040u + uint32_t(i);
        ramp[i] = (uint32_t(i * 17) << 24) | 0x808080u;
    }
    uint8_t block[16];
    for (D3DFORMAT f : {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5}) {
        EncodeDxtBlock(f, two, block);
        DecodeDxtBlock(f, block, back);
        EXPECT_EQ(std::vector<uint32_t>(back, back + 16), std::vector<uint32_t>(two, two + 16))
            << f;
    }
    // DXT1 keeps cut-out transparency exactly and the opaque colours closely.
    EncodeDxtBlock(D3DFMT_DXT1, cutout, block);
    DecodeDxtBlock(D3DFMT_DXT1, block, back);
    for (int i = 0; i < 16; ++i) EXPECT_LE(MaxChannelError(back[i], cutout[i]), i < 8 ? 0 : 8) << i;
    // An alpha ramp through explicit and interpolated alpha.
    for (D3DFORMAT f : {D3DFMT_DXT3, D3DFMT_DXT5}) {
        EncodeDxtBlock(f, ramp, block);
        DecodeDxtBlock(f, block, back);
        for (int i = 0; i < 16; ++i)
            EXPECT_LE(MaxChannelError(back[i], ramp[i]), 20) << f << " " << i;
    }
}

TEST(TexelFormats, SixteenBitLayoutsDecodeAndEncode) {
    const struct {
        D3DFORMAT format;
        uint16_t stored;
        uint32_t argb;
    } cases[] = {
        {D3DFMT_R5G6B5, 0xF800, 0xFFFF0000u},   {D3DFMT_R5G6B5, 0x07E0, 0xFF00FF00u},
        {D3DFMT_A1R5G5B5, 0x7C1F, 0x00FF00FFu}, {D3DFMT_A1R5G5B5, 0x8000, 0xFF000000u},
        {D3DFMT_A4R4G4B4, 0x1234, 0x11223344u}, {D3DFMT_X1R5G5B5, 0xFC00, 0xFFFF0000u},
    };
    for (const auto& c : cases) {
        const uint8_t bytes[2] = {uint8_t(c.stored), uint8_t(c.stored >> 8)};
        ArgbImage img;
        ASSERT_TRUE(DecodeLevel(c.format, ByteView(bytes, 2), 1, 1, &img));
        EXPECT_EQ(img.pixels[0], c.argb) << c.format;
        // Back the same way; X1R5G5B5's unused bit is written as one.
        const uint8_t high = uint8_t(bytes[1] | (c.format == D3DFMT_X1R5G5B5 ? 0x80 : 0));
        EXPECT_EQ(EncodeLevel(c.format, img), (textest::Bytes{bytes[0], high}));
    }
}

TEST(Resampling, EnlargingBlendsBetweenTexelCentres) {
    ArgbImage pair(2, 1);
    pair.pixels = {0xFF000000u, 0xFFFFFFFFu};
    EXPECT_EQ(Resample(pair, 4, 2, ResampleFilter::Linear).pixels,
              (std::vector<uint32_t>{0xFF000000, 0xFF404040, 0xFFBFBFBF, 0xFFFFFFFF,  //
                                     0xFF000000, 0xFF404040, 0xFFBFBFBF, 0xFFFFFFFF}));
}

// Halving a side (every step down a mip chain of even sides) is a box of two texels with weights
// of one half each, summed in float and rounded half away from zero, rows first; kept sides are
// copied. Checked on random pictures against that rule written out in floats.
TEST(Resampling, HalvingMatchesTheBoxRuleInFloats) {
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    auto box = [](uint32_t a, uint32_t b) {
        uint32_t out = 0;
        for (int ch = 0; ch < 4; ++ch) {
            float sum = 0.0f;
            sum += 0.5f * float((a >> (8 * ch)) & 0xFF);
            sum += 0.5f * float((b >> (8 * ch)) & 0xFF);
            out |= uint32_t(std::lround(sum)) << (8 * ch);
        }
        return out;
    };
    const struct { UINT w, h, tw, th; } sizes[] = {{16, 8, 8, 4}, {16, 1, 8, 1}, {1, 16, 1, 8}, {8, 8, 8, 4}, {8, 6, 4, 6}};
    for (const auto& s : sizes) {
        ArgbImage src(s.w, s.h);
        for (uint32_t& p : src.pixels) p = next();
        ArgbImage rows(s.tw, s.h);
        for (UINT y = 0; y < s.h; ++y)
            for (UINT x = 0; x < s.tw; ++x)
                rows.pixels[y * s.tw + x] = s.tw == s.w ? src.At(x, y) : box(src.At(2 * x, y), src.At(2 * x + 1, y));
        std::vector<uint32_t> want(size_t(s.tw) * s.th);
        for (UINT y = 0; y < s.th; ++y)
            for (UINT x = 0; x < s.tw; ++x)
                want[y * s.tw + x] = s.th == s.h ? rows.At(x, y) : box(rows.At(x, 2 * y), rows.At(x, 2 * y + 1));
        EXPECT_EQ(Resample(src, s.tw, s.th, ResampleFilter::Linear).pixels, want) << s.w << "x" << s.h;
    }
    // Odd sides take the general box: three texels into one, weights of a third.
    ArgbImage three(3, 1);
    three.pixels = {0xFF000000u, 0xFF000000u, 0xFFFFFFFFu};
    EXPECT_EQ(Resample(three, 1, 1, ResampleFilter::Linear).pixels, std::vector<uint32_t>{0xFF555555u});
}

// Eight-bit RGB(A) layouts read and write their bytes straight; alpha where there is none is
// opaque, and X8R8G8B8's padding byte is written as ones.
TEST(TexelFormats, EightBitLayoutsDecodeAndEncodeTheirBytes) {
    const uint8_t bgra[8] = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80};
    ArgbImage img;
    ASSERT_TRUE(DecodeLevel(D3DFMT_A8R8G8B8, ByteView(bgra, 8), 2, 1, &img));
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0x40302010u, 0x80706050u}));
    EXPECT_EQ(EncodeLevel(D3DFMT_A8R8G8B8, img), (textest::Bytes(bgra, bgra + 8)));
    ASSERT_TRUE(DecodeLevel(D3DFMT_X8R8G8B8, ByteView(bgra, 8), 2, 1, &img));
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFF302010u, 0xFF706050u}));
    EXPECT_EQ(EncodeLevel(D3DFMT_X8R8G8B8, img), (textest::Bytes{0x10, 0x20, 0x30, 0xFF, 0x50, 0x60, 0x70, 0xFF}));
    // Three-byte pixels (24-bit BMP rows).
    ASSERT_TRUE(DecodeMasked(ByteView(bgra, 6), 2, 1, 3, ChannelMasks{0, 0xFF0000u, 0xFF00u, 0xFFu}, &img));
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFF302010u, 0xFF605040u}));
    // Alpha in a fourth byte that a three-byte pixel does not have reads as none.
    ASSERT_TRUE(DecodeMasked(ByteView(bgra, 6), 2, 1, 3, ChannelMasks{0xFF000000u, 0xFF0000u, 0xFF00u, 0xFFu}, &img));
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0x00302010u, 0x00605040u}));
}
