// D3DXCreateTextureFromFileA/ExA end to end: each file format through a RecordingDevice, with
// the texture's size, format, levels and texels read back.
#include "test_texture_support.h"

#include "gfxutil/dds_dxt.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

#include <algorithm>

using namespace textest;

namespace {

const std::string kData = QV_TEXTURE_DATA;

// RGBA bytes as stb_image_write takes them, from ARGB values.
Bytes Rgba(std::initializer_list<uint32_t> argb) {
    Bytes out;
    for (uint32_t c : argb) out.insert(out.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(c >> 24)});
    return out;
}

void AppendToVector(void* context, void* data, int size) {
    auto* out = static_cast<Bytes*>(context);
    out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

Bytes Png(int w, int h, int comp, const Bytes& rgba) {
    Bytes src;
    for (size_t i = 0; i < rgba.size(); i += 4) src.insert(src.end(), rgba.begin() + i, rgba.begin() + i + comp);
    Bytes out;
    stbi_write_png_to_func(AppendToVector, &out, w, h, comp, src.data(), w * comp);
    return out;
}

int MaxChannelError(uint32_t x, uint32_t y) {
    int worst = 0;
    for (int s = 0; s < 32; s += 8) worst = std::max(worst, std::abs(int((x >> s) & 0xFF) - int((y >> s) & 0xFF)));
    return worst;
}

class TextureLoad : public TextureTest {
protected:
    RecordedCall Created() {
        auto calls = dev.Calls("CreateTexture");
        EXPECT_FALSE(calls.empty());
        return calls.empty() ? RecordedCall{} : calls.back();
    }
    void ExpectCreated(UINT w, UINT h, UINT levels, D3DFORMAT format) {
        RecordedCall c = Created();
        EXPECT_EQ(c.u(0), w);
        EXPECT_EQ(c.u(1), h);
        EXPECT_EQ(c.u(2), levels);
        EXPECT_EQ(c.u(3), 0u);  // usage
        EXPECT_EQ(c.u(4), uint64_t(format));
        EXPECT_EQ(c.u(5), uint64_t(D3DPOOL_MANAGED));
    }
    // Level `level` decoded from whatever format the texture has.
    gfxutil::ArgbImage DecodedLevel(UINT level) {
        D3DSURFACE_DESC d = Desc(level);
        UINT blocksDown = (d.Height + 3) / 4;
        size_t rowBytes = size_t((d.Width + 3) / 4) * (d.Format == D3DFMT_DXT1 ? 8 : 16);
        gfxutil::ArgbImage img;
        Bytes b = Level(level, rowBytes, blocksDown);
        EXPECT_TRUE(gfxutil::DecodeDxt(d.Format, gfxutil::ByteView(b), d.Width, d.Height, &img));
        return img;
    }
};

}  // namespace

TEST_F(TextureLoad, Dds32BitWithoutMipsGetsAFullBoxFilteredChain) {
    const Bytes texels = Texels({0xFF000000, 0xFF000000, 0x00FF0000, 0xFFFF0000,  //
                                 0xFFFFFFFF, 0xFFFFFFFF, 0x00FF0000, 0xFFFF0000,  //
                                 0xFF102030, 0xFF102030, 0xFF000000, 0xFF000000,  //
                                 0xFF102030, 0xFF102030, 0xFF000000, 0xFF000000});
    ASSERT_EQ(LoadBytes(DdsFile(Masked(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, 4, 4), texels)), S_OK);
    ExpectCreated(4, 4, 3, D3DFMT_A8R8G8B8);
    EXPECT_EQ(dev.Count("Tex.LockRect"), 3u);  // one write per level
    EXPECT_EQ(dev.Count("Tex.UnlockRect"), 3u);
    EXPECT_EQ(Level(0, 16, 4), texels);  // stored level copied as is
    EXPECT_EQ(Texel32(1, 0, 0), 0xFF808080u);
    EXPECT_EQ(Texel32(1, 1, 0), 0x80FF0000u);
    EXPECT_EQ(Texel32(1, 0, 1), 0xFF102030u);
    EXPECT_EQ(Texel32(1, 1, 1), 0xFF000000u);
    EXPECT_EQ(Texel32(2, 0, 0), 0xE064282Cu);  // mean of the four above, rounded per pass
}

TEST_F(TextureLoad, DdsSixteenAndThirtyTwoBitFormatsKeepTheirFormat) {
    struct Case {
        DdsSpec spec;
        D3DFORMAT format;
        int bytes;
    } cases[] = {
        {Masked(16, 0xF800, 0x07E0, 0x001F, 0, 2, 2), D3DFMT_R5G6B5, 2},
        {Masked(16, 0x7C00, 0x03E0, 0x001F, 0x8000, 2, 2), D3DFMT_A1R5G5B5, 2},
        {Masked(16, 0x0F00, 0x00F0, 0x000F, 0xF000, 2, 2), D3DFMT_A4R4G4B4, 2},
        {Masked(32, 0xFF0000, 0xFF00, 0xFF, 0, 2, 2), D3DFMT_X8R8G8B8, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        const Bytes texels = Texels({0xF00F, 0x1234, 0x8001, 0xFFFF}, c.bytes);
        ASSERT_EQ(LoadBytes(DdsFile(c.spec, texels)), S_OK);
        ExpectCreated(2, 2, 2, c.format);
        EXPECT_EQ(Level(0, 2 * c.bytes, 2), texels);
    }
}

TEST_F(TextureLoad, Dds24BitAndLuminanceBecome32Bit) {
    ASSERT_EQ(LoadBytes(DdsFile(Masked(24, 0xFF0000, 0xFF00, 0xFF, 0, 2, 1),
                                Texels({0x102030, 0x8000FF}, 3))),
              S_OK);
    ExpectCreated(2, 1, 2, D3DFMT_X8R8G8B8);
    EXPECT_EQ(Texel32(0, 0, 0), 0xFF102030u);
    EXPECT_EQ(Texel32(0, 1, 0), 0xFF8000FFu);

    DdsSpec lum = Masked(8, 0xFF, 0, 0, 0, 1, 1);
    lum.pfFlags = kDdpfLuminance;
    ASSERT_EQ(LoadBytes(DdsFile(lum, {0x40})), S_OK);
    ExpectCreated(1, 1, 1, D3DFMT_X8R8G8B8);
    EXPECT_EQ(Texel32(0, 0, 0), 0xFF404040u);
}

TEST_F(TextureLoad, DxtStoredChainIsCopiedBitForBit) {
    // 8x8 DXT1 with all four levels: 4 + 1 + 1 + 1 blocks, each one different.
    Bytes data;
    for (int block = 0; block < 7; ++block)
        data.insert(data.end(), {uint8_t(block), 0xF8, 0x1F, uint8_t(block), 0x1B, 0xE4, uint8_t(block), 0x55});
    ASSERT_EQ(LoadBytes(DdsFile(FourCC("DXT1", 8, 8, 4), data)), S_OK);
    ExpectCreated(8, 8, 4, D3DFMT_DXT1);
    EXPECT_EQ(Level(0, 16, 2), Bytes(data.begin(), data.begin() + 32));
    EXPECT_EQ(Level(1, 8, 1), Bytes(data.begin() + 32, data.begin() + 40));
    EXPECT_EQ(Level(3, 8, 1), Bytes(data.begin() + 48, data.end()));
}

TEST_F(TextureLoad, SixteenByteBlockFormatsKeepTheirFormat) {
    // 4x4 with its chain: three 16-byte blocks of DXT2, DXT3, DXT4 and DXT5 alike.
    Bytes data;
    for (int block = 0; block < 3; ++block)
        for (int i = 0; i < 16; ++i) data.push_back(uint8_t(block * 16 + i));
    for (const char* code : {"DXT2", "DXT3", "DXT4", "DXT5"}) {
        SCOPED_TRACE(code);
        ASSERT_EQ(LoadBytes(DdsFile(FourCC(code, 4, 4, 3), data)), S_OK);
        ExpectCreated(4, 4, 3, D3DFORMAT(MAKEFOURCC(code[0], code[1], code[2], code[3])));
        EXPECT_EQ(Level(2, 16, 1), Bytes(data.begin() + 32, data.end()));
    }
}

TEST_F(TextureLoad, DxtPartialOrMissingChainIsCompletedInTheSameFormat) {
    // A solid 8x8 DXT5 with two of its four levels stored: the last two are made from level 1.
    Bytes solid = {0x80, 0x80, 0, 0, 0, 0, 0, 0, 0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0};  // red, alpha 0x80
    Bytes data = Repeat(solid, 5);
    ASSERT_EQ(LoadBytes(DdsFile(FourCC("DXT5", 8, 8, 2), data)), S_OK);
    ExpectCreated(8, 8, 4, D3DFMT_DXT5);
    EXPECT_EQ(Level(1, 16, 1), solid);
    for (UINT level = 2; level < 4; ++level) {
        gfxutil::ArgbImage img = DecodedLevel(level);
        for (uint32_t t : img.pixels) EXPECT_LE(MaxChannelError(t, 0x80FF0000u), 2) << level;
    }

    // No chain at all: every level below the top is made.
    ASSERT_EQ(LoadBytes(DdsFile(FourCC("DXT1", 8, 8), Repeat(Bytes(solid.begin() + 8, solid.end()), 4))), S_OK);
    ExpectCreated(8, 8, 4, D3DFMT_DXT1);
    EXPECT_EQ(DecodedLevel(3).pixels[0], 0xFFFF0000u);
}

TEST_F(TextureLoad, DxtNonPowerOfTwoIsResampledAndReencoded) {
    // 12x4 DXT1: three blocks, red, green, blue. Becomes 16x4 with colours in the same order.
    Bytes data = {0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0, 0xE0, 0x07, 0xE0, 0x07, 0, 0, 0, 0,
                  0x1F, 0x00, 0x1F, 0x00, 0, 0, 0, 0};
    ASSERT_EQ(LoadBytes(DdsFile(FourCC("DXT1", 12, 4), data)), S_OK);
    ExpectCreated(16, 4, 5, D3DFMT_DXT1);
    gfxutil::ArgbImage top = DecodedLevel(0);
    EXPECT_EQ(top.At(0, 0), 0xFFFF0000u);
    EXPECT_LE(MaxChannelError(top.At(7, 2), 0xFF00FF00u), 8);  // shares a block with a blend
    EXPECT_EQ(top.At(15, 3), 0xFF0000FFu);
}

TEST_F(TextureLoad, DdsMipCountBeyondTheFullChainIsCapped) {
    const Bytes chain = Repeat(Texels({0xFF336699}), 16 + 4 + 1);
    ASSERT_EQ(LoadBytes(DdsFile(Masked(32, 0xFF0000, 0xFF00, 0xFF, 0, 4, 4, 11), chain)), S_OK);
    ExpectCreated(4, 4, 3, D3DFMT_X8R8G8B8);
    EXPECT_EQ(Texel32(2, 0, 0), 0xFF336699u);
}

TEST_F(TextureLoad, PngWithAndWithoutAlpha) {
    // 3x5 with alpha becomes 4x8; the corners keep their texels exactly.
    Bytes rgba;
    for (int i = 0; i < 15; ++i) {
        Bytes t = Rgba({uint32_t(0x40000000u * (i % 4) + 0x010203u * i) | (i == 14 ? 0xFF000000u : 0)});
        rgba.insert(rgba.end(), t.begin(), t.end());
    }
    ASSERT_EQ(LoadBytes(Png(3, 5, 4, rgba), "a.png"), S_OK);
    ExpectCreated(4, 8, 4, D3DFMT_A8R8G8B8);
    EXPECT_EQ(Texel32(0, 0, 0), 0x00000000u);
    EXPECT_EQ(Texel32(0, 3, 0), 0x80020406u);
    EXPECT_EQ(Texel32(0, 3, 7), 0xFF0E1C2Au);

    ASSERT_EQ(LoadBytes(Png(2, 2, 3, Rgba({0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFF808080})), "b.png"), S_OK);
    ExpectCreated(2, 2, 2, D3DFMT_X8R8G8B8);
    EXPECT_EQ(Texel32(0, 1, 1), 0xFF808080u);
    EXPECT_EQ(Texel32(1, 0, 0), 0xFF606060u);
}

TEST_F(TextureLoad, FilesFromOtherWriters) {
    // Palette PNG with a tRNS chunk: it has alpha although it stores no alpha channel.
    ASSERT_EQ(Load(kData + "/palette_trns_3x2.png"), S_OK);
    ExpectCreated(4, 2, 3, D3DFMT_A8R8G8B8);
    EXPECT_EQ(Texel32(0, 0, 0), 0x00FF0000u);
    EXPECT_EQ(Texel32(0, 3, 0), 0xFF0000FFu);
    EXPECT_EQ(Texel32(0, 0, 1), 0xFF0000FFu);

    ASSERT_EQ(Load(kData + "/rgb16_2x2.png"), S_OK);
    ExpectCreated(2, 2, 2, D3DFMT_X8R8G8B8);
    EXPECT_EQ(Texel32(0, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(Texel32(0, 0, 1), 0xFF804020u);

    // Run-length TGA stored bottom row first: red must still be on top.
    ASSERT_EQ(Load(kData + "/rle_bottomup_3x3.tga"), S_OK);
    ExpectCreated(4, 4, 3, D3DFMT_X8R8G8B8);
    EXPECT_EQ(Texel32(0, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(Texel32(0, 3, 3), 0xFF0000FFu);

    // 24-bit BMP with padded rows, bottom-up.
    ASSERT_EQ(Load(kData + "/rgb_3x2.bmp"), S_OK);
    ExpectCreated(4, 2, 3, D3DFMT_X8R8G8B8);
    EXPECT_EQ(Texel32(0, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(Texel32(0, 3, 0), 0xFF000000u);
    EXPECT_EQ(Texel32(0, 2, 1), 0xFF0A141Eu);
}

TEST_F(TextureLoad, JpegDecodesCloseToTheOriginal) {
    // 12x8, orange left half and blue right half, saved at quality 100.
    ASSERT_EQ(Load(kData + "/halves_12x8.jpg"), S_OK);
    ExpectCreated(16, 8, 5, D3DFMT_X8R8G8B8);
    EXPECT_LE(MaxChannelError(Texel32(0, 1, 4), 0xFFE08020u), 6);
    EXPECT_LE(MaxChannelError(Texel32(0, 14, 4), 0xFF2090E0u), 6);
}

TEST_F(TextureLoad, BackslashesInPathsAreSeparators) {
    std::string path = kData + "/rgb_3x2.bmp";
    std::replace(path.begin(), path.end(), '/', '\\');
    ASSERT_EQ(Load(path), S_OK);
    ExpectCreated(4, 2, 3, D3DFMT_X8R8G8B8);
}
