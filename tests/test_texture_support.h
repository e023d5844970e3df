// Helpers for the texture-loading suites: DDS files built byte by byte, scratch files, and a
// fixture that loads through a RecordingDevice and reads texels back.
#pragma once

#include "support/recording_device.h"

#include <d3dx9tex.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace textest {

using Bytes = std::vector<uint8_t>;
const std::string kData = QV_TEXTURE_DATA;

struct DdsHeader {
    uint32_t width, height, mipCount;  // mipCount 0: no mip-count flag
    uint32_t pfFlags, fourCC, bitCount, r, g, b, a;
    uint32_t caps2 = 0, headerSize = 124, pfSize = 32;
};
inline DdsHeader FourCC(const char* c, uint32_t w, uint32_t h, uint32_t mips = 0) {
    return {w, h, mips, 0x4, uint32_t(MAKEFOURCC(c[0], c[1], c[2], c[3])), 0, 0, 0, 0, 0};
}
inline DdsHeader Masked(uint32_t bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a, uint32_t w,
                      uint32_t h, uint32_t mips = 0) {
    return {w, h, mips, 0x40u | (a ? 0x1u : 0u), 0, bits, r, g, b, a};
}

// Little-endian values of `size` bytes each, one after another.
inline Bytes Texels(std::initializer_list<uint32_t> values, int size = 4) {
    Bytes out;
    for (uint32_t v : values)
        for (int i = 0; i < size; ++i) out.push_back(uint8_t(v >> (8 * i)));
    return out;
}
inline Bytes Repeat(const Bytes& unit, size_t times) {
    Bytes out;
    while (times--) out.insert(out.end(), unit.begin(), unit.end());
    return out;
}
inline void Put32(Bytes& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
}

inline Bytes DdsFile(const DdsHeader& s, const Bytes& data) {
    Bytes out = Texels({0x20534444, s.headerSize, 0x1007u | (s.mipCount ? 0x20000u : 0u), s.height,
                        s.width, 0, 0, s.mipCount});
    out.resize(76);
    Bytes pf =
        Texels({s.pfSize, s.pfFlags, s.fourCC, s.bitCount, s.r, s.g, s.b, s.a, 0x1000, s.caps2});
    out.insert(out.end(), pf.begin(), pf.end());
    out.resize(128);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// A scratch directory for this test alone: CTest runs tests side by side, the ES dialect's
// copy of a test (QV_GL=es3) beside the core one.
inline std::string ScratchDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const char* dialect = std::getenv("QV_GL");
    auto dir = std::filesystem::temp_directory_path() /
               (std::string("qv_tex_") + (dialect ? dialect : "") + info->test_suite_name() + "_" + info->name());
    std::filesystem::create_directories(dir);
    return dir.string();
}
inline std::string WriteScratch(const std::string& name, const Bytes& bytes) {
    std::string path = ScratchDir() + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
}
inline Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class TextureTest : public ::testing::Test {
protected:
    ~TextureTest() override { Drop(); }
    void Drop() {
        if (tex) tex->Release();
        tex = nullptr;
    }
    HRESULT Load(const std::string& path) {
        Drop();
        return D3DXCreateTextureFromFileA(&dev, path.c_str(), &tex);
    }
    HRESULT LoadBytes(const Bytes& file, const char* name = "t.dds") {
        return Load(WriteScratch(name, file));
    }

    // Width, height, levels and format of the last texture the device was asked for.
    std::vector<uint64_t> Created() {
        auto calls = dev.Calls("CreateTexture");
        if (calls.empty()) return {};
        return {calls.back().u(0), calls.back().u(1), calls.back().u(2), calls.back().u(4)};
    }
    // A level's bytes without pitch padding (rows of blocks for DXT), read through LockRect.
    Bytes Level(UINT level, size_t rowBytes, UINT rows) {
        D3DLOCKED_RECT lr{};
        EXPECT_EQ(tex->LockRect(level, &lr, nullptr, D3DLOCK_READONLY), S_OK);
        Bytes out;
        for (UINT y = 0; y < rows; ++y) {
            const uint8_t* row = static_cast<const uint8_t*>(lr.pBits) + size_t(y) * lr.Pitch;
            out.insert(out.end(), row, row + rowBytes);
        }
        tex->UnlockRect(level);
        return out;
    }
    uint32_t Texel32(UINT level, UINT x, UINT y) {
        D3DSURFACE_DESC d{};
        tex->GetLevelDesc(level, &d);
        const Bytes b = Level(level, d.Width * 4, d.Height);
        const uint8_t* p = &b[(size_t(y) * d.Width + x) * 4];
        return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
    }

    RecordingDevice dev;
    IDirect3DTexture9* tex = nullptr;
};

inline int MaxChannelError(uint32_t x, uint32_t y) {
    int worst = 0;
    for (int s = 0; s < 32; s += 8)
        worst = std::max(worst, std::abs(int((x >> s) & 0xFF) - int((y >> s) & 0xFF)));
    return worst;
}

}  // namespace textest
