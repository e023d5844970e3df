// Small value types shared by the texture loader's stages: a read-only byte view and a
// 32-bit ARGB picture, the common currency for resampling and format conversion.
#pragma once

#include <d3d9.h>

#include "base/byte_order.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace texels {

// Largest side we accept from a file or hand to the device; also bounds every buffer we make.
constexpr UINT kMaxTextureSide = 16384;

// A non-owning view of bytes. Sub() clamps instead of trusting the caller, so a bad offset
// yields an empty view rather than a pointer past the data.
struct ByteView {
    const uint8_t* data = nullptr;
    size_t size = 0;

    ByteView() = default;
    ByteView(const uint8_t* d, size_t n) : data(d), size(n) {}
    explicit ByteView(const std::vector<uint8_t>& v) : data(v.data()), size(v.size()) {}

    bool empty() const { return size == 0; }
    ByteView Sub(size_t offset, size_t length) const
    {
        if (offset > size || length > size - offset) return {};
        return {data + offset, length};
    }
    // Numbers at `at`, which the caller has checked lies far enough inside.
    uint32_t Le16(size_t at) const { return base::ReadLe16(data + at); }
    uint32_t Le32(size_t at) const { return base::ReadLe32(data + at); }
    uint32_t Be16(size_t at) const { return base::ReadBe16(data + at); }
    uint32_t Be32(size_t at) const { return base::ReadBe32(data + at); }
};

// Pixels as D3DCOLOR values (alpha in the top byte), rows top to bottom, no padding.
struct ArgbImage {
    UINT width = 0;
    UINT height = 0;
    std::vector<uint32_t> pixels;

    ArgbImage() = default;
    ArgbImage(UINT w, UINT h) : width(w), height(h), pixels(size_t(w) * h) {}
    uint32_t At(UINT x, UINT y) const { return pixels[size_t(y) * width + x]; }
};

inline uint8_t ChannelA(uint32_t c) { return uint8_t(c >> 24); }
inline uint8_t ChannelR(uint32_t c) { return uint8_t(c >> 16); }
inline uint8_t ChannelG(uint32_t c) { return uint8_t(c >> 8); }
inline uint8_t ChannelB(uint32_t c) { return uint8_t(c); }
inline uint32_t PackArgb(uint32_t a, uint32_t r, uint32_t g, uint32_t b)
{
    return (a << 24) | (r << 16) | (g << 8) | b;
}

}  // namespace texels
