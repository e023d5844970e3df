// Files and devices that let the texture loader down: every one must end in a negative result
// with no texture handed out, and (under the sanitizer build) without reading past the data.
#include "test_texture_support.h"

#include <filesystem>
#include <random>

using namespace textest;

namespace {

const std::string kData = QV_TEXTURE_DATA;

class TextureBroken : public TextureTest {
protected:
    // Loads and checks the promise every failure keeps: negative, nothing handed out.
    HRESULT Fails(const Bytes& file, const char* name = "t.dds") {
        tex = reinterpret_cast<IDirect3DTexture9*>(this);  // must be overwritten with null
        HRESULT hr = D3DXCreateTextureFromFileA(&dev, WriteScratch(name, file).c_str(), &tex);
        EXPECT_LT(hr, 0);
        EXPECT_EQ(tex, nullptr);
        if (SUCCEEDED(hr) && tex) tex->Release();
        tex = nullptr;
        return hr;
    }
    // Every texture the device made has been released again.
    void ExpectNoTextureLeft() { EXPECT_EQ(dev.Count("CreateTexture"), dev.Count("Tex.Release")); }
};

Bytes GoodDxt1WithChain() {
    Bytes data;
    for (int i = 0; i < 7; ++i) data.insert(data.end(), {0x00, 0xF8, 0x1F, 0x00, 0x1B, 0xE4, 0x1B, 0xE4});
    return DdsFile(FourCC("DXT1", 8, 8, 4), data);
}

}  // namespace

TEST_F(TextureBroken, MissingEmptyAndNonFiles) {
    EXPECT_EQ(Load(ScratchDir() + "/no_such_file.dds"), D3DXERR_INVALIDDATA);
    EXPECT_EQ(tex, nullptr);
    EXPECT_EQ(Load(ScratchDir()), D3DXERR_INVALIDDATA);  // a directory
    EXPECT_EQ(tex, nullptr);
    EXPECT_EQ(Fails({}), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Fails({}, "empty.png"), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Load(""), D3DXERR_INVALIDDATA);
    EXPECT_EQ(dev.Count("CreateTexture"), 0u);
}

TEST_F(TextureBroken, NullArgumentsAreRefused) {
    const std::string path = kData + "/rgb_3x2.bmp";
    EXPECT_EQ(D3DXCreateTextureFromFileA(nullptr, path.c_str(), &tex), D3DERR_INVALIDCALL);
    EXPECT_EQ(tex, nullptr);
    EXPECT_EQ(D3DXCreateTextureFromFileA(&dev, nullptr, &tex), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileA(&dev, path.c_str(), nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev.Count("CreateTexture"), 0u);
}

TEST_F(TextureBroken, DdsHeadersThatLie) {
    const Bytes block(8, 0);
    DdsSpec spec = FourCC("DXT1", 4, 4);
    Bytes good = DdsFile(spec, block);
    ASSERT_EQ(LoadBytes(good), S_OK);

    Bytes magic = good;
    magic[3] = 'X';
    EXPECT_EQ(Fails(magic), D3DXERR_INVALIDDATA);

    DdsSpec s = spec;
    s.headerSize = 100;
    EXPECT_EQ(Fails(DdsFile(s, block)), D3DXERR_INVALIDDATA);
    s = spec, s.pfSize = 0;
    EXPECT_EQ(Fails(DdsFile(s, block)), D3DXERR_INVALIDDATA);
    s = spec, s.width = 0;
    EXPECT_EQ(Fails(DdsFile(s, block)), D3DXERR_INVALIDDATA);
    s = spec, s.height = 0xFFFFFFFFu;
    EXPECT_EQ(Fails(DdsFile(s, block)), D3DXERR_INVALIDDATA);
    s = spec, s.width = s.height = 16384;  // allowed size, but the file holds one block
    EXPECT_EQ(Fails(DdsFile(s, block)), D3DXERR_INVALIDDATA);
    s = spec, s.width = 20000;
    EXPECT_EQ(Fails(DdsFile(s, Bytes(5000 * 8))), D3DXERR_INVALIDDATA);

    // Uncompressed layouts that cannot be read.
    EXPECT_EQ(Fails(DdsFile(Masked(7, 0x7F, 0, 0, 0, 1, 1), Bytes(4))), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Fails(DdsFile(Masked(64, 0xFF, 0, 0, 0, 1, 1), Bytes(8))), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Fails(DdsFile(Masked(16, 0xFF0000, 0, 0, 0, 1, 1), Bytes(2))), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Fails(DdsFile(Masked(32, 0, 0, 0, 0, 1, 1), Bytes(4))), D3DXERR_INVALIDDATA);
    s = Masked(32, 0xFF0000, 0xFF00, 0xFF, 0, 1, 1);
    s.pfFlags = 0;
    EXPECT_EQ(Fails(DdsFile(s, Bytes(4))), D3DXERR_INVALIDDATA);

    // Well-formed, but not something a 2D texture is loaded from.
    EXPECT_EQ(Fails(DdsFile(FourCC("ATI2", 4, 4), Bytes(16))), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(Fails(DdsFile(FourCC("DX10", 4, 4), Bytes(64))), D3DERR_NOTAVAILABLE);
    s = spec, s.caps2 = 0x200000;  // volume
    EXPECT_EQ(Fails(DdsFile(s, Bytes(64))), D3DERR_NOTAVAILABLE);
}

TEST_F(TextureBroken, DdsDataShorterThanClaimed) {
    // One byte short of the top level, of a 24-bit level, and of the last stored mip level.
    EXPECT_EQ(Fails(DdsFile(FourCC("DXT5", 8, 8), Bytes(63))), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Fails(DdsFile(Masked(24, 0xFF0000, 0xFF00, 0xFF, 0, 3, 3), Bytes(26))), D3DXERR_INVALIDDATA);
    Bytes chain = GoodDxt1WithChain();
    chain.pop_back();
    EXPECT_EQ(Fails(chain), D3DXERR_INVALIDDATA);

    // Every cut of a good file fails cleanly; only the whole file loads.
    const Bytes good = GoodDxt1WithChain();
    for (size_t n = 0; n < good.size(); ++n) {
        SCOPED_TRACE(n);
        Fails(Bytes(good.begin(), good.begin() + n));
    }
    EXPECT_EQ(LoadBytes(good), S_OK);
}

TEST_F(TextureBroken, ImagesThatAreCutShortOrClaimTooMuch) {
    const Bytes png = ReadAll(kData + "/palette_trns_3x2.png");
    ASSERT_FALSE(png.empty());
    for (size_t n = 1; n < png.size() - 12; ++n) {  // everything before IEND is needed
        SCOPED_TRACE(n);
        Fails(Bytes(png.begin(), png.begin() + n), "cut.png");
    }
    const Bytes tga = ReadAll(kData + "/rle_bottomup_3x3.tga");
    for (size_t n = 1; n < tga.size(); ++n) Fails(Bytes(tga.begin(), tga.begin() + n), "cut.tga");
    const Bytes bmp = ReadAll(kData + "/rgb_3x2.bmp");
    for (size_t n = 1; n < bmp.size(); ++n) Fails(Bytes(bmp.begin(), bmp.begin() + n), "cut.bmp");
    const Bytes jpg = ReadAll(kData + "/halves_12x8.jpg");
    for (size_t n = 1; n < jpg.size(); ++n) Fails(Bytes(jpg.begin(), jpg.begin() + n), "cut.jpg");

    // Headers claiming pictures far larger than the file could hold are refused up front.
    Bytes bigPng = png;
    Put32(bigPng, 16, 0x00300000);  // big-endian width 12288 in IHDR (CRC unchecked by readers)
    Put32(bigPng, 20, 0x00300000);
    EXPECT_EQ(Fails(bigPng, "big.png"), D3DXERR_INVALIDDATA);
    Bytes bigBmp = bmp;
    Put32(bigBmp, 18, 16000);
    Put32(bigBmp, 22, 16000);
    EXPECT_EQ(Fails(bigBmp, "big.bmp"), D3DXERR_INVALIDDATA);
    Bytes wideTga = tga;
    wideTga[12] = 0xFF, wideTga[13] = 0x7F;  // width 32767
    EXPECT_EQ(Fails(wideTga, "wide.tga"), D3DXERR_INVALIDDATA);
    // A JPEG start-of-frame for 16000 x 16000 with no scan data behind it.
    const Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x3E, 0x80, 0x3E, 0x80, 0x01,
                        0x01, 0x11, 0x00, 0xFF, 0xD9};
    EXPECT_EQ(Fails(jpeg, "huge.jpg"), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Fails(Bytes(300, 0x5A), "noise.bin"), D3DXERR_INVALIDDATA);
}

TEST_F(TextureBroken, ScrambledFilesNeverCrash) {
    // Random byte changes in good files: any result is fine, as long as a failure hands out
    // nothing and the sanitizers stay quiet.
    std::mt19937 rng(1234);
    const std::vector<std::pair<Bytes, const char*>> seeds = {
        {GoodDxt1WithChain(), "s.dds"},
        {DdsFile(Masked(24, 0xFF0000, 0xFF00, 0xFF, 0, 3, 5, 3), Bytes(3 * 5 * 3 + 1 * 2 * 3 + 1 * 1 * 3)), "s24.dds"},
        {ReadAll(kData + "/palette_trns_3x2.png"), "s.png"},
        {ReadAll(kData + "/rle_bottomup_3x3.tga"), "s.tga"},
        {ReadAll(kData + "/rgb_3x2.bmp"), "s.bmp"},
        {ReadAll(kData + "/halves_12x8.jpg"), "s.jpg"},
    };
    for (const auto& [seed, name] : seeds) {
        for (int round = 0; round < 150; ++round) {
            Bytes file = seed;
            for (int k = 0; k < 3; ++k) file[rng() % file.size()] = uint8_t(rng());
            HRESULT hr = LoadBytes(file, name);
            if (FAILED(hr)) {
                EXPECT_EQ(tex, nullptr);
            }
        }
    }
}

TEST_F(TextureBroken, DeviceFailuresReleaseWhatWasMade) {
    const std::string path = kData + "/rgb_3x2.bmp";
    dev.Fail("CreateTexture", D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(Load(path), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(tex, nullptr);
    dev.Succeed("CreateTexture");
    dev.Clear();

    dev.Fail("Tex.LockRect", D3DERR_INVALIDCALL, 1);
    EXPECT_EQ(Load(path), D3DERR_INVALIDCALL);
    EXPECT_EQ(tex, nullptr);
    ExpectNoTextureLeft();

    dev.Clear();
    dev.Fail("Tex.UnlockRect", E_FAIL, 1);
    EXPECT_EQ(Load(path), E_FAIL);
    EXPECT_EQ(tex, nullptr);
    ExpectNoTextureLeft();
}
