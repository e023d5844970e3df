// The texture loader's building blocks: DXT blocks, 16-bit texel layouts, resampling.
#include "test_texture_support.h"

#include "gfxutil/dds_dxt.h"
#include "gfxutil/image_format.h"
#include "gfxutil/image_resample.h"

using namespace gfxutil;
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
