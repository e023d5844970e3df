// Helpers for the texture-loading suites: DDS files built byte by byte, scratch files, and a
// fixture that loads through a RecordingDevice and reads the texels back.
#pragma once

#include "support/recording_device.h"

#include <d3dx9tex.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace textest {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kDdpfAlphaPixels = 0x1, kDdpfFourCC = 0x4, kDdpfRgb = 0x40, kDdpfLuminance = 0x20000;
constexpr uint32_t kDdsdMipCount = 0x20000;

// The header fields a test varies; the rest is what common writers put there.
struct DdsSpec {
    uint32_t width = 4, height = 4;
    uint32_t mipCount = 0;  // 0: no DDSD_MIPMAPCOUNT flag
    uint32_t pfFlags = kDdpfRgb;
    uint32_t fourCC = 0;
    uint32_t bitCount = 32;
    uint32_t r = 0xFF0000, g = 0xFF00, b = 0xFF, a = 0;
    uint32_t caps2 = 0;
    uint32_t headerSize = 124, pfSize = 32;
};

inline DdsSpec FourCC(const char* code, uint32_t w, uint32_t h, uint32_t mips = 0) {
    DdsSpec s;
    s.width = w, s.height = h, s.mipCount = mips;
    s.pfFlags = kDdpfFourCC;
    s.fourCC = MAKEFOURCC(code[0], code[1], code[2], code[3]);
    s.bitCount = 0, s.r = s.g = s.b = 0;
    return s;
}

inline DdsSpec Masked(uint32_t bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a, uint32_t w,
                      uint32_t h, uint32_t mips = 0) {
    DdsSpec s;
    s.width = w, s.height = h, s.mipCount = mips;
    s.pfFlags = kDdpfRgb | (a ? kDdpfAlphaPixels : 0);
    s.bitCount = bits, s.r = r, s.g = g, s.b = b, s.a = a;
    return s;
}

inline void Put32(Bytes& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
}

inline Bytes DdsFile(const DdsSpec& s, const Bytes& data) {
    Bytes out(128, 0);
    std::memcpy(out.data(), "DDS ", 4);
    Put32(out, 4, s.headerSize);
    Put32(out, 8, 0x1 | 0x2 | 0x4 | 0x1000 | (s.mipCount ? kDdsdMipCount : 0));
    Put32(out, 12, s.height);
    Put32(out, 16, s.width);
    Put32(out, 28, s.mipCount);
    Put32(out, 76, s.pfSize);
    Put32(out, 80, s.pfFlags);
    Put32(out, 84, s.fourCC);
    Put32(out, 88, s.bitCount);
    Put32(out, 92, s.r);
    Put32(out, 96, s.g);
    Put32(out, 100, s.b);
    Put32(out, 104, s.a);
    Put32(out, 108, 0x1000 | (s.mipCount > 1 ? 0x400008 : 0));
    Put32(out, 112, s.caps2);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// Little-endian texels of `bytesPerTexel` bytes each.
inline Bytes Texels(std::initializer_list<uint32_t> values, int bytesPerTexel = 4) {
    Bytes out;
    for (uint32_t v : values)
        for (int i = 0; i < bytesPerTexel; ++i) out.push_back(uint8_t(v >> (8 * i)));
    return out;
}

inline Bytes Repeat(const Bytes& unit, size_t times) {
    Bytes out;
    for (size_t i = 0; i < times; ++i) out.insert(out.end(), unit.begin(), unit.end());
    return out;
}

// A scratch directory for this test alone (CTest runs tests side by side).
inline std::string ScratchDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("qv_tex_" + std::string(info->test_suite_name()) + "_" + info->name());
    std::filesystem::create_directories(dir);
    return dir.string();
}

inline std::string WriteScratch(const std::string& name, const Bytes& bytes) {
    std::string path = ScratchDir() + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                std::streamsize(bytes.size()));
    return path;
}

inline Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class TextureTest : public ::testing::Test {
protected:
    ~TextureTest() override {
        if (tex) tex->Release();
    }

    HRESULT Load(const std::string& path) {
        if (tex) tex->Release();
        tex = nullptr;
        return D3DXCreateTextureFromFileA(&dev, path.c_str(), &tex);
    }
    HRESULT LoadBytes(const Bytes& file, const char* name = "t.dds") {
        return Load(WriteScratch(name, file));
    }

    D3DSURFACE_DESC Desc(UINT level) {
        D3DSURFACE_DESC d{};
        EXPECT_EQ(tex->GetLevelDesc(level, &d), S_OK);
        return d;
    }

    // A level's bytes without the pitch padding, read through LockRect.
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
        D3DSURFACE_DESC d = Desc(level);
        Bytes b = Level(level, d.Width * 4, d.Height);
        const uint8_t* p = &b[(size_t(y) * d.Width + x) * 4];
        return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
    }

    RecordingDevice dev;
    IDirect3DTexture9* tex = nullptr;
};

}  // namespace textest
