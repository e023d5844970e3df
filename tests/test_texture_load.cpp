// D3DXCreateTextureFromFileA end to end: each file format through a RecordingDevice, with the
// texture's size, format, levels and texels read back.
#include "test_texture_support.h"

#include "gfxutil/texels/dds_dxt.h"
#include "gfxutil/texels/image_format.h"

#include <cstring>
#include <memory>

using namespace textest;
using V = std::vector<uint64_t>;

namespace {

class TextureLoad : public TextureTest {
protected:
    texels::ArgbImage DecodedDxt(UINT level) {
        D3DSURFACE_DESC d{};
        tex->GetLevelDesc(level, &d);
        const Bytes b = Level(level, size_t((d.Width + 3) / 4) * (d.Format == D3DFMT_DXT1 ? 8 : 16),
                              (d.Height + 3) / 4);
        texels::ArgbImage img;
        EXPECT_TRUE(texels::DecodeDxt(d.Format, texels::ByteView(b), d.Width, d.Height, &img));
        return img;
    }
    Bytes WholeLevel(UINT level) {
        D3DSURFACE_DESC d{};
        tex->GetLevelDesc(level, &d);
        return Level(level, texels::RowBytes(d.Format, d.Width), texels::RowCount(d.Format, d.Height));
    }
};

const Bytes kRed = {0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0};  // solid DXT1 colour blocks
const Bytes kGreen = {0xE0, 0x07, 0xE0, 0x07, 0, 0, 0, 0};
const Bytes kBlue = {0x1F, 0x00, 0x1F, 0x00, 0, 0, 0, 0};

}  // namespace

TEST_F(TextureLoad, Dds32BitWithoutMipsGetsABoxFilteredChain) {
    const Bytes texels = Texels({0xFF000000, 0xFF000000, 0x00FF0000, 0xFFFF0000,  //
                                 0xFFFFFFFF, 0xFFFFFFFF, 0x00FF0000, 0xFFFF0000,  //
                                 0xFF102030, 0xFF102030, 0xFF000000, 0xFF000000,  //
                                 0xFF102030, 0xFF102030, 0xFF000000, 0xFF000000});
    ASSERT_EQ(LoadBytes(DdsFile(Masked(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, 4, 4), texels)),
              S_OK);
    EXPECT_EQ(Created(), (V{4, 4, 3, D3DFMT_A8R8G8B8}));
    const RecordedCall create = dev.Calls("CreateTexture")[0];
    EXPECT_EQ(create.u(3), 0u);  // usage
    EXPECT_EQ(create.u(5), uint64_t(D3DPOOL_MANAGED));
    EXPECT_EQ(dev.Count("Tex.LockRect"), 3u);  // one write per level, all unlocked
    EXPECT_EQ(dev.Count("Tex.UnlockRect"), 3u);
    EXPECT_EQ(Level(0, 16, 4), texels);
    EXPECT_EQ(Level(1, 8, 2), Texels({0xFF808080, 0x80FF0000, 0xFF102030, 0xFF000000}));
    EXPECT_EQ(Texel32(2, 0, 0), 0xE064282Cu);  // the four above, rounded per pass
}

TEST_F(TextureLoad, DdsUncompressedLayouts) {
    // 16- and 32-bit layouts keep their format and bytes; the rest become 32-bit.
    const struct {
        DdsHeader header;
        int bytes;
        D3DFORMAT format;
    } kept[] = {
        {Masked(16, 0xF800, 0x07E0, 0x001F, 0, 2, 2), 2, D3DFMT_R5G6B5},
        {Masked(16, 0x7C00, 0x03E0, 0x001F, 0x8000, 2, 2), 2, D3DFMT_A1R5G5B5},
        {Masked(16, 0x0F00, 0x00F0, 0x000F, 0xF000, 2, 2), 2, D3DFMT_A4R4G4B4},
        {Masked(32, 0xFF0000, 0xFF00, 0xFF, 0, 2, 2), 4, D3DFMT_X8R8G8B8},
    };
    for (const auto& c : kept) {
        const Bytes texels = Texels({0xF00F, 0x1234, 0x8001, 0xFFFF}, c.bytes);
        ASSERT_EQ(LoadBytes(DdsFile(c.header, texels)), S_OK);
        EXPECT_EQ(Created(), (V{2, 2, 2, uint64_t(c.format)}));
        EXPECT_EQ(Level(0, 2 * c.bytes, 2), texels);
    }
    ASSERT_EQ(LoadBytes(DdsFile(Masked(24, 0xFF0000, 0xFF00, 0xFF, 0, 2, 1),
                                Texels({0x102030, 0x8000FF}, 3))),
              S_OK);
    EXPECT_EQ(Created(), (V{2, 1, 2, D3DFMT_X8R8G8B8}));
    EXPECT_EQ(Level(0, 8, 1), Texels({0xFF102030, 0xFF8000FF}));
    // Red in the low byte: the device's A8B8G8R8, kept as stored.
    DdsHeader bgra = Masked(32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000, 1, 1);
    ASSERT_EQ(LoadBytes(DdsFile(bgra, Texels({0x80302010}))), S_OK);
    EXPECT_EQ(Created(), (V{1, 1, 1, D3DFMT_A8B8G8R8}));
    EXPECT_EQ(Level(0, 4, 1), Texels({0x80302010}));
    // Blue in the low byte of a 24-bit texel: no such format, so 32-bit ARGB.
    ASSERT_EQ(LoadBytes(DdsFile(Masked(24, 0xFF, 0xFF00, 0xFF0000, 0, 1, 1), Texels({0x302010}, 3))),
              S_OK);
    EXPECT_EQ(Texel32(0, 0, 0), 0xFF102030u);
}

TEST_F(TextureLoad, DdsStoredChainsAreCopiedAndCapped) {
    // 8x8 DXT1 with all four levels (4 + 1 + 1 + 1 blocks, each different), and a 4x4
    // chain in each 16-byte block format; a mip count of 11 reads only the 3 levels there are.
    Bytes dxt1, wide;
    for (int i = 0; i < 7; ++i)
        dxt1.insert(dxt1.end(), {uint8_t(i), 0xF8, 0x1F, uint8_t(i), 0x1B, 0xE4, uint8_t(i), 0x55});
    for (int i = 0; i < 48; ++i) wide.push_back(uint8_t(i));
    ASSERT_EQ(LoadBytes(DdsFile(FourCC("DXT1", 8, 8, 4), dxt1)), S_OK);
    EXPECT_EQ(Created(), (V{8, 8, 4, D3DFMT_DXT1}));
    EXPECT_EQ(Level(0, 16, 2), Bytes(dxt1.begin(), dxt1.begin() + 32));
    EXPECT_EQ(Level(3, 8, 1), Bytes(dxt1.begin() + 48, dxt1.end()));
    for (const char* code : {"DXT2", "DXT3", "DXT4", "DXT5"}) {
        ASSERT_EQ(LoadBytes(DdsFile(FourCC(code, 4, 4, 11), wide)), S_OK) << code;
        EXPECT_EQ(Created(), (V{4, 4, 3, MAKEFOURCC(code[0], code[1], code[2], code[3])}));
        EXPECT_EQ(Level(2, 16, 1), Bytes(wide.begin() + 32, wide.end()));
    }
}

TEST_F(TextureLoad, DxtChainsAreCompletedAndOddSizesResampledInTheSameFormat) {
    // DXT5 8x8, solid red at alpha 0x80, two of four levels stored: the last two are made.
    const Bytes solid = {0x80, 0x80, 0, 0, 0, 0, 0, 0, 0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0};
    ASSERT_EQ(LoadBytes(DdsFile(FourCC("DXT5", 8, 8, 2), Repeat(solid, 5))), S_OK);
    EXPECT_EQ(Created(), (V{8, 8, 4, D3DFMT_DXT5}));
    for (uint32_t t : DecodedDxt(3).pixels) EXPECT_LE(MaxChannelError(t, 0x80FF0000u), 2);

    // DXT1 12x4, red, green, blue blocks: 16x4 with five levels, colours in the same order.
    Bytes rgb = kRed;
    rgb.insert(rgb.end(), kGreen.begin(), kGreen.end());
    rgb.insert(rgb.end(), kBlue.begin(), kBlue.end());
    ASSERT_EQ(LoadBytes(DdsFile(FourCC("DXT1", 12, 4), rgb)), S_OK);
    EXPECT_EQ(Created(), (V{16, 4, 5, D3DFMT_DXT1}));
    texels::ArgbImage top = DecodedDxt(0);
    EXPECT_EQ(top.At(0, 0), 0xFFFF0000u);
    EXPECT_LE(MaxChannelError(top.At(7, 2), 0xFF00FF00u), 8);  // shares a block with a blend
    EXPECT_EQ(top.At(15, 3), 0xFF0000FFu);
    EXPECT_EQ(DecodedDxt(4).width, 1u);
}

TEST_F(TextureLoad, PngWithAndWithoutAlpha) {
    // Palette PNG with a tRNS chunk: alpha without an alpha channel. 3x2 becomes 4x2 and the
    // corners keep their texels.
    ASSERT_EQ(Load(kData + "/palette_trns_3x2.png"), S_OK);
    EXPECT_EQ(Created(), (V{4, 2, 3, D3DFMT_A8R8G8B8}));
    EXPECT_EQ(Texel32(0, 0, 0), 0x00FF0000u);
    EXPECT_EQ(Texel32(0, 3, 0), 0xFF0000FFu);
    EXPECT_EQ(Texel32(0, 3, 1), 0x00FF0000u);
    // 16 bits per channel, no alpha.
    ASSERT_EQ(Load(kData + "/rgb16_2x2.png"), S_OK);
    EXPECT_EQ(Created(), (V{2, 2, 2, D3DFMT_X8R8G8B8}));
    EXPECT_EQ(Level(0, 8, 2), Texels({0xFFFFFFFF, 0xFF000000, 0xFF804020, 0xFFFF0000}));
    EXPECT_EQ(Texel32(1, 0, 0), 0xFFA05048u);
}

TEST_F(TextureLoad, BmpTgaAndJpeg) {
    // 24-bit BMP, bottom-up with padded rows; the path written with Windows separators.
    std::string bmp = kData + "/rgb_3x2.bmp";
    std::replace(bmp.begin(), bmp.end(), '/', '\\');
    ASSERT_EQ(Load(bmp), S_OK);
    EXPECT_EQ(Created(), (V{4, 2, 3, D3DFMT_X8R8G8B8}));
    EXPECT_EQ(Texel32(0, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(Texel32(0, 3, 0), 0xFF000000u);
    EXPECT_EQ(Texel32(0, 2, 1), 0xFF0A141Eu);
    // Run-length TGA stored bottom row first: red must still be on top.
    ASSERT_EQ(Load(kData + "/rle_bottomup_3x3.tga"), S_OK);
    EXPECT_EQ(Created(), (V{4, 4, 3, D3DFMT_X8R8G8B8}));
    EXPECT_EQ(Texel32(0, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(Texel32(0, 3, 3), 0xFF0000FFu);
    // 12x8 JPEG, orange left half and blue right half.
    ASSERT_EQ(Load(kData + "/halves_12x8.jpg"), S_OK);
    EXPECT_EQ(Created(), (V{16, 8, 5, D3DFMT_X8R8G8B8}));
    EXPECT_LE(MaxChannelError(Texel32(0, 1, 4), 0xFFE08020u), 6);
    EXPECT_LE(MaxChannelError(Texel32(0, 14, 4), 0xFF2090E0u), 6);
}

TEST_F(TextureLoad, TheGamesOwnTexturesLoadWithFullChains) {
    const std::filesystem::path models = std::filesystem::path(kData) / "../../../Models";
    int loaded = 0;
    for (const auto& entry : std::filesystem::directory_iterator(models)) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".dds" && ext != ".bmp") continue;
        ASSERT_EQ(Load(entry.path().string()), S_OK) << entry.path();
        const V made = Created();
        UINT levels = 1;
        for (uint64_t side = std::max(made[0], made[1]); side > 1; side /= 2) ++levels;
        EXPECT_EQ(made[2], levels) << entry.path();
        ++loaded;
    }
    EXPECT_GT(loaded, 1);
}

TEST_F(TextureLoad, FilesInMemoryLoadAsTheSameFilesOnDisk) {
    std::vector<std::pair<Bytes, std::string>> files = {
        {DdsFile(FourCC("DXT1", 8, 8, 2), Repeat(kRed, 5)), "chain.dds"},
        {DdsFile(Masked(24, 0xFF0000, 0xFF00, 0xFF, 0, 2, 1), Texels({0x102030, 0x8000FF}, 3)),
         "rgb24.dds"}};
    for (const char* name :
         {"palette_trns_3x2.png", "rle_bottomup_3x3.tga", "rgb_3x2.bmp", "halves_12x8.jpg"})
        files.push_back({ReadAll(kData + "/" + name), name});
    for (const auto& [bytes, name] : files) {
        D3DXIMAGE_INFO fromDisk{}, fromMemory{};
        ASSERT_EQ(D3DXCreateTextureFromFileExA(&dev, WriteScratch(name, bytes).c_str(), D3DX_DEFAULT,
                                               D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                               D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                               &fromDisk, nullptr, &tex),
                  S_OK)
            << name;
        const V made = Created();
        std::vector<Bytes> levels;
        for (UINT i = 0; i < made[2]; ++i) levels.push_back(WholeLevel(i));
        Drop();
        // The copy is exactly as long as the file, so the sanitizer build catches any read past.
        const std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size()]);
        std::copy(bytes.begin(), bytes.end(), copy.get());
        ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(
                      &dev, copy.get(), UINT(bytes.size()), D3DX_DEFAULT, D3DX_DEFAULT,
                      D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                      D3DX_DEFAULT, 0, &fromMemory, nullptr, &tex),
                  S_OK)
            << name;
        EXPECT_EQ(Created(), made) << name;
        for (UINT i = 0; i < made[2]; ++i) EXPECT_EQ(WholeLevel(i), levels[i]) << name << i;
        EXPECT_EQ(std::memcmp(&fromDisk, &fromMemory, sizeof fromDisk), 0) << name;
        Drop();
        ASSERT_EQ(D3DXCreateTextureFromFileInMemory(&dev, copy.get(), UINT(bytes.size()), &tex),
                  S_OK);
        EXPECT_EQ(Created(), made) << name;
    }
}
