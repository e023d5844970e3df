// D3DXCreateTextureFromFileExA's parameters, the image information it reports, and how it
// copes with what the device cannot do.
#include "test_texture_support.h"

using namespace textest;
using V = std::vector<uint64_t>;

namespace {

const std::string kBmp = kData + "/rgb_3x2.bmp";  // 3x2: white, grey, black over (10, 20, 30)
const UINT kNp2 = D3DX_DEFAULT_NONPOW2;

class TextureOptions : public TextureTest {
protected:
    HRESULT LoadEx(const std::string& path, UINT w, UINT h, UINT mips, D3DFORMAT format,
                   DWORD filter = D3DX_DEFAULT, D3DCOLOR key = 0, D3DXIMAGE_INFO* info = nullptr) {
        Drop();
        return D3DXCreateTextureFromFileExA(&dev, path.c_str(), w, h, mips, D3DUSAGE_DYNAMIC,
                                            format, D3DPOOL_DEFAULT, filter, D3DX_DEFAULT, key,
                                            info, nullptr, &tex);
    }
};

Bytes SolidDxt1(uint32_t side, uint8_t lo, uint8_t hi, uint32_t mips) {
    size_t blocks = 0;
    for (uint32_t i = 0; i < std::max(1u, mips); ++i)
        blocks += std::max(1u, (side >> i) / 4) * std::max(1u, (side >> i) / 4);
    return DdsFile(FourCC("DXT1", side, side, mips), Repeat({lo, hi, lo, hi, 0, 0, 0, 0}, blocks));
}

}  // namespace

TEST_F(TextureOptions, SizesMipCountsAndFormats) {
    ASSERT_EQ(LoadEx(kBmp, kNp2, kNp2, D3DX_DEFAULT, D3DFMT_R5G6B5), S_OK);
    EXPECT_EQ(Created(), (V{3, 2, 2, D3DFMT_R5G6B5}));
    EXPECT_EQ(dev.Calls("CreateTexture")[0].u(3), uint64_t(D3DUSAGE_DYNAMIC));
    EXPECT_EQ(dev.Calls("CreateTexture")[0].u(5), uint64_t(D3DPOOL_DEFAULT));
    EXPECT_EQ(Level(0, 6, 1), Texels({0xFFFF, 0x8410, 0x0000}, 2));
    ASSERT_EQ(LoadEx(kBmp, 0, 0, 1, D3DFMT_R8G8B8), S_OK);  // zero rounds up; no 24-bit textures
    EXPECT_EQ(Created(), (V{4, 2, 1, D3DFMT_X8R8G8B8}));
    ASSERT_EQ(LoadEx(kBmp, 16, 16, 99, D3DFMT_UNKNOWN), S_OK);
    EXPECT_EQ(Created(), (V{16, 16, 5, D3DFMT_X8R8G8B8}));

    const std::string dds = WriteScratch("chain.dds", SolidDxt1(16, 0x00, 0xF8, 2));
    ASSERT_EQ(LoadEx(dds, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_FROM_FILE, D3DFMT_UNKNOWN), S_OK);
    EXPECT_EQ(Created(), (V{16, 16, 2, D3DFMT_DXT1}));
    ASSERT_EQ(LoadEx(dds, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_A8R8G8B8), S_OK);
    EXPECT_EQ(Created(), (V{16, 16, 5, D3DFMT_A8R8G8B8}));
    EXPECT_EQ(Texel32(4, 0, 0), 0xFFFF0000u);

    dev.Clear();
    EXPECT_EQ(LoadEx(kBmp, kNp2, kNp2, 1, D3DFMT_A2R10G10B10), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(LoadEx(kBmp, 32768, 4, 1, D3DFMT_UNKNOWN), D3DERR_INVALIDCALL);
    EXPECT_EQ(LoadEx(kBmp, kNp2, kNp2, 1, D3DFMT_UNKNOWN, 7), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev.Count("CreateTexture"), 0u);
    EXPECT_EQ(tex, nullptr);
}

TEST_F(TextureOptions, FiltersColourKeyAndImageInformation) {
    ASSERT_EQ(LoadEx(kBmp, D3DX_DEFAULT, D3DX_DEFAULT, 1, D3DFMT_UNKNOWN, D3DX_FILTER_POINT), S_OK);
    EXPECT_EQ(Level(0, 16, 1), Texels({0xFFFFFFFF, 0xFF808080, 0xFF808080, 0xFF000000}));

    // The black texel turns transparent; the file has no alpha, so the texture gets some.
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(LoadEx(kBmp, kNp2, kNp2, 1, D3DFMT_UNKNOWN, D3DX_DEFAULT, 0xFF000000, &info), S_OK);
    EXPECT_EQ(Created()[3], uint64_t(D3DFMT_A8R8G8B8));
    EXPECT_EQ(Level(0, 12, 1), Texels({0xFFFFFFFF, 0xFF808080, 0x00000000}));
    EXPECT_EQ(std::vector<UINT>({info.Width, info.Height, info.Depth, info.MipLevels}),
              (std::vector<UINT>{3, 2, 1, 1}));
    EXPECT_EQ(info.Format, D3DFMT_R8G8B8);  // the file's 24 bits, not the texture's 32
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_BMP);

    // The file's format, not the texture's; and a failed load leaves the record alone.
    const Bytes rgb24 = DdsFile(Masked(24, 0xFF0000, 0xFF00, 0xFF, 0, 3, 5, 3), Bytes(45 + 6 + 3));
    ASSERT_EQ(LoadEx(WriteScratch("a.dds", rgb24), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT,
                     D3DFMT_UNKNOWN, D3DX_DEFAULT, 0, &info),
              S_OK);
    EXPECT_EQ(std::vector<UINT>({info.Width, info.Height, info.MipLevels}),
              (std::vector<UINT>{3, 5, 3}));
    EXPECT_EQ(info.Format, D3DFMT_R8G8B8);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_TEXTURE);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_DDS);
    EXPECT_LT(LoadEx(ScratchDir() + "/none.png", 0, 0, 0, D3DFMT_UNKNOWN, D3DX_DEFAULT, 0, &info),
              0);
    EXPECT_EQ(info.Width, 3u);
}

TEST_F(TextureOptions, WhatTheDeviceCannotTake) {
    // Wider than the device allows: halved until it fits, averaging as it goes.
    dev.caps.MaxTextureWidth = 2;
    const Bytes texels = Texels({0xFF000000, 0xFF000000, 0xFF0000FF, 0xFF0000FF, 0xFFFFFFFF,
                                 0xFFFFFFFF, 0xFF00FF00, 0xFF00FF00});
    ASSERT_EQ(LoadBytes(DdsFile(Masked(32, 0xFF0000, 0xFF00, 0xFF, 0, 8, 1), texels)), S_OK);
    EXPECT_EQ(Created(), (V{2, 1, 2, D3DFMT_X8R8G8B8}));
    EXPECT_EQ(Level(0, 8, 1), Texels({0xFF000080, 0xFF80FF80}));
    dev.caps.MaxTextureWidth = 4096;

    // No DXT textures: the file's own format falls back to 32 bits...
    const std::string dds = WriteScratch("green.dds", SolidDxt1(8, 0xE0, 0x07, 0));
    dev.Clear();
    dev.Fail("CreateTexture", D3DERR_NOTAVAILABLE, 1);
    ASSERT_EQ(Load(dds), S_OK);
    EXPECT_EQ(dev.Calls("CreateTexture")[0].u(4), uint64_t(D3DFMT_DXT1));
    EXPECT_EQ(Created(), (V{8, 8, 4, D3DFMT_A8R8G8B8}));
    EXPECT_EQ(Texel32(3, 0, 0), 0xFF00FF00u);
    // ...but a format the caller insisted on is not swapped behind its back.
    dev.Fail("CreateTexture", D3DERR_NOTAVAILABLE, 1);
    EXPECT_EQ(LoadEx(dds, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_DXT1),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(tex, nullptr);
}
