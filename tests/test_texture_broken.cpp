// Files and devices that let the texture loader down: each must end in a negative result with
// no texture handed out and (under the sanitizer build) without reading past the data.
#include "test_texture_support.h"

#include <random>

using namespace textest;

namespace {

class TextureBroken : public TextureTest {
protected:
    HRESULT Fails(const Bytes& file, const char* name = "t.dds") {
        Drop();
        tex = reinterpret_cast<IDirect3DTexture9*>(this);  // must come back null
        HRESULT hr = D3DXCreateTextureFromFileA(&dev, WriteScratch(name, file).c_str(), &tex);
        EXPECT_LT(hr, 0) << name << ", " << file.size() << " bytes";
        EXPECT_EQ(tex, nullptr);
        if (tex == reinterpret_cast<IDirect3DTexture9*>(this)) tex = nullptr;
        return hr;
    }
    // Every prefix of a good file fails; the whole file loads.
    void EachCutFails(const Bytes& good, const char* name) {
        for (size_t n = 0; n < good.size(); ++n) Fails(Bytes(good.begin(), good.begin() + n), name);
        EXPECT_EQ(LoadBytes(good, name), S_OK) << name;
    }
};

Bytes GoodDxt1Chain() {  // 8x8 with its four levels
    return DdsFile(FourCC("DXT1", 8, 8, 4),
                   Repeat({0x00, 0xF8, 0x1F, 0x00, 0x1B, 0xE4, 0x1B, 0xE4}, 7));
}

}  // namespace

TEST_F(TextureBroken, NoFileOrNoArguments) {
    EXPECT_EQ(Load(ScratchDir() + "/missing.dds"), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Load(ScratchDir()), D3DXERR_INVALIDDATA);  // a directory
    EXPECT_EQ(Load(""), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Fails({}, "empty.png"), D3DXERR_INVALIDDATA);
    EXPECT_EQ(D3DXCreateTextureFromFileA(nullptr, kData.c_str(), &tex), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileA(&dev, nullptr, &tex), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileA(&dev, (kData + "/rgb_3x2.bmp").c_str(), nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(tex, nullptr);
    EXPECT_EQ(dev.Count("CreateTexture"), 0u);
}

TEST_F(TextureBroken, DdsHeadersThatLie) {
    const Bytes block(8, 0);
    const DdsHeader good = FourCC("DXT1", 4, 4);
    const auto with = [&](auto change) {
        DdsHeader s = good;
        change(s);
        return DdsFile(s, block);
    };
    Bytes magic = DdsFile(good, block);
    magic[3] = 'X';
    EXPECT_EQ(Fails(magic), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Fails(with([](DdsHeader& s) { s.headerSize = 100; })), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Fails(with([](DdsHeader& s) { s.pfSize = 0; })), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Fails(with([](DdsHeader& s) { s.width = 0; })), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Fails(with([](DdsHeader& s) { s.height = 0xFFFFFFFF; })), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Fails(with([](DdsHeader& s) { s.width = s.height = 16384; })), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Fails(with([](DdsHeader& s) { s.pfFlags = 0; })), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Fails(DdsFile(Masked(7, 0x7F, 0, 0, 0, 1, 1), Bytes(4))), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Fails(DdsFile(Masked(16, 0xFF0000, 0, 0, 0, 1, 1), Bytes(4))), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Fails(DdsFile(Masked(32, 0, 0, 0, 0, 1, 1), Bytes(4))), D3DXERR_INVALIDDATA);
    // Well-formed, but nothing Direct3D 9 holds in a 2D texture.
    for (const char* code : {"ATI1", "ATI2", "BC4U", "BC5S", "DX10"})
        EXPECT_EQ(Fails(DdsFile(FourCC(code, 4, 4), Bytes(64))), D3DXERR_INVALIDDATA) << code;
    EXPECT_EQ(Fails(with([](DdsHeader& s) { s.caps2 = 0x200000; })), D3DXERR_INVALIDDATA);  // volume
}

TEST_F(TextureBroken, DataShorterThanClaimed) {
    EXPECT_EQ(Fails(DdsFile(FourCC("DXT5", 8, 8), Bytes(63))), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Fails(DdsFile(Masked(24, 0xFF0000, 0xFF00, 0xFF, 0, 3, 3), Bytes(26))),
              D3DXERR_INVALIDDATA);
    EachCutFails(GoodDxt1Chain(), "cut.dds");  // down to the last byte of the 1x1 level
    for (const char* name :
         {"palette_trns_3x2.png", "rle_bottomup_3x3.tga", "rgb_3x2.bmp", "halves_12x8.jpg"})
        EachCutFails(ReadAll(kData + "/" + name), name);
}

TEST_F(TextureBroken, HeadersClaimingMoreThanTheFileCouldHold) {
    Bytes png = ReadAll(kData + "/palette_trns_3x2.png");
    Put32(png, 16, 0x00300000);  // IHDR width and height 12288, big-endian
    Put32(png, 20, 0x00300000);
    EXPECT_EQ(Fails(png, "big.png"), D3DXERR_INVALIDDATA);
    Bytes bmp = ReadAll(kData + "/rgb_3x2.bmp");
    Put32(bmp, 18, 16000);
    Put32(bmp, 22, 16000);
    EXPECT_EQ(Fails(bmp, "big.bmp"), D3DXERR_INVALIDDATA);
    Bytes tga = ReadAll(kData + "/rle_bottomup_3x3.tga");
    tga[12] = 0xFF, tga[13] = 0x7F;  // width 32767
    EXPECT_EQ(Fails(tga, "wide.tga"), D3DXERR_INVALIDDATA);
    // A JPEG frame header for 16000 x 16000, and nothing behind it.
    EXPECT_EQ(
        Fails({0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8, 0x3E, 0x80, 0x3E, 0x80, 1, 1, 0x11, 0, 0xFF, 0xD9},
              "big.jpg"),
        D3DXERR_INVALIDDATA);
    // A Huffman table claiming 16 x 255 codes, which would overrun the decoder's tables.
    Bytes dht = {0xFF, 0xD8, 0xFF, 0xC4, 0x10, 0x13, 0x00};
    dht.resize(dht.size() + 16, 0xFF);
    dht.resize(dht.size() + 0x1000, 0);
    dht.insert(dht.end(), {0xFF, 0xD9});
    EXPECT_EQ(Fails(dht, "dht.jpg"), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Fails(Bytes(300, 0x5A), "noise.bin"), D3DXERR_INVALIDDATA);
}

TEST_F(TextureBroken, ScrambledFilesNeverCrash) {
    std::mt19937 rng(1234);
    std::vector<std::pair<Bytes, std::string>> seeds = {{GoodDxt1Chain(), "s.dds"}};
    for (const char* name :
         {"palette_trns_3x2.png", "rle_bottomup_3x3.tga", "rgb_3x2.bmp", "halves_12x8.jpg"})
        seeds.push_back({ReadAll(kData + "/" + name), name});
    for (const auto& [seed, name] : seeds) {
        for (int round = 0; round < 150; ++round) {
            Bytes file = seed;
            for (int k = 0; k < 3; ++k) file[rng() % file.size()] = uint8_t(rng());
            if (FAILED(LoadBytes(file, name.c_str()))) {
                EXPECT_EQ(tex, nullptr);
            }
        }
    }
}

TEST_F(TextureBroken, DeviceFailuresReleaseWhatWasMade) {
    const std::string path = kData + "/rgb_3x2.bmp";
    dev.Fail("CreateTexture", D3DERR_OUTOFVIDEOMEMORY, 1);
    EXPECT_EQ(Load(path), D3DERR_OUTOFVIDEOMEMORY);
    for (const char* call : {"Tex.LockRect", "Tex.UnlockRect"}) {
        dev.Clear();
        dev.Fail(call, D3DERR_INVALIDCALL, 1);
        EXPECT_EQ(Load(path), D3DERR_INVALIDCALL) << call;
        EXPECT_EQ(tex, nullptr);
        EXPECT_EQ(dev.Count("Tex.Release"), 1u) << call;
    }
}

TEST_F(TextureBroken, InMemoryArgumentsAndCutBuffers) {
    const Bytes good = GoodDxt1Chain();
    EXPECT_EQ(D3DXCreateTextureFromFileInMemory(&dev, nullptr, 100, &tex), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileInMemory(&dev, good.data(), 0, &tex), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileInMemory(nullptr, good.data(), UINT(good.size()), &tex),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileInMemory(&dev, good.data(), UINT(good.size()), nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev.Count("CreateTexture"), 0u);
    // Each prefix in a buffer of exactly its own length.
    for (size_t n = 1; n < good.size(); ++n) {
        std::unique_ptr<uint8_t[]> cut(new uint8_t[n]);
        std::copy(good.begin(), good.begin() + n, cut.get());
        tex = reinterpret_cast<IDirect3DTexture9*>(this);
        EXPECT_EQ(D3DXCreateTextureFromFileInMemory(&dev, cut.get(), UINT(n), &tex),
                  D3DXERR_INVALIDDATA);
        EXPECT_EQ(tex, nullptr);
    }
}
