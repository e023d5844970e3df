#include "base/dxt_block.h"

#include "base/byte_order.h"

namespace base {
namespace {

struct Rgb {
    int r = 0, g = 0, b = 0;
};

Rgb Expand565(uint16_t c)
{
    int r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    return {(r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2)};
}

uint32_t Opaque(const Rgb& c)
{
    return 0xFF000000u | (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | uint32_t(c.b);
}

Rgb Mix(const Rgb& a, const Rgb& b, int wa, int wb)
{
    int sum = wa + wb;
    return {(wa * a.r + wb * b.r) / sum, (wa * a.g + wb * b.g) / sum, (wa * a.b + wb * b.b) / sum};
}

std::array<uint8_t, 8> AlphaPalette(uint8_t a0, uint8_t a1)
{
    std::array<uint8_t, 8> p{a0, a1};
    if (a0 > a1) {
        for (int i = 1; i < 7; ++i) p[i + 1] = uint8_t(((7 - i) * a0 + i * a1) / 7);
    } else {
        for (int i = 1; i < 5; ++i) p[i + 1] = uint8_t(((5 - i) * a0 + i * a1) / 5);
        p[6] = 0;
        p[7] = 255;
    }
    return p;
}

void DecodeColourBlock(const uint8_t* block, bool dxt1, uint32_t texels[16])
{
    const std::array<uint32_t, 4> palette = DxtColourPalette(ReadLe16(block), ReadLe16(block + 2), dxt1);
    const uint32_t bits = ReadLe32(block + 4);
    for (int i = 0; i < 16; ++i) texels[i] = palette[(bits >> (2 * i)) & 3];
}

// Walks a level's blocks and hands each texel inside the picture to `store(index, argb)`.
template <class Store>
bool DecodeLevel(DxtKind kind, const uint8_t* blocks, size_t size, uint32_t width, uint32_t height,
                 Store store)
{
    const uint64_t blocksWide = width ? (uint64_t(width) + 3) / 4 : 1;
    const uint64_t blocksHigh = height ? (uint64_t(height) + 3) / 4 : 1;
    const size_t blockBytes = DxtBlockBytes(kind);
    if (blocksWide * blocksHigh > size / blockBytes) return false;
    uint32_t texels[16];
    const uint8_t* block = blocks;
    for (uint32_t by = 0; by * 4 < height; ++by) {
        for (uint32_t bx = 0; bx * 4 < width; ++bx, block += blockBytes) {
            DecodeDxtBlock(kind, block, texels);
            for (uint32_t y = 0; y < 4 && by * 4 + y < height; ++y)
                for (uint32_t x = 0; x < 4 && bx * 4 + x < width; ++x)
                    store((size_t(by) * 4 + y) * width + size_t(bx) * 4 + x, texels[y * 4 + x]);
        }
    }
    return true;
}

}  // namespace

bool DxtKindFromFourCC(uint32_t fourCC, DxtKind* kind)
{
    // Little-endian "DXT" and a digit, as MAKEFOURCC packs it.
    if ((fourCC & 0x00FFFFFFu) != 0x00545844u) return false;
    switch (fourCC >> 24) {
        case '1': *kind = DxtKind::Dxt1; return true;
        case '2':
        case '3': *kind = DxtKind::ExplicitAlpha; return true;
        case '4':
        case '5': *kind = DxtKind::InterpolatedAlpha; return true;
        default: return false;
    }
}

std::array<uint32_t, 4> DxtColourPalette(uint16_t c0, uint16_t c1, bool dxt1)
{
    Rgb a = Expand565(c0), b = Expand565(c1);
    if (c0 > c1 || !dxt1)
        return {Opaque(a), Opaque(b), Opaque(Mix(a, b, 2, 1)), Opaque(Mix(a, b, 1, 2))};
    return {Opaque(a), Opaque(b), Opaque(Mix(a, b, 1, 1)), 0u};
}

void DecodeDxtBlock(DxtKind kind, const uint8_t* block, uint32_t texels[16])
{
    if (kind == DxtKind::Dxt1) {
        DecodeColourBlock(block, true, texels);
        return;
    }
    DecodeColourBlock(block + 8, false, texels);
    uint8_t alpha[16];
    if (kind == DxtKind::ExplicitAlpha) {
        for (int i = 0; i < 16; ++i) alpha[i] = uint8_t(((block[i / 2] >> (4 * (i & 1))) & 15) * 17);
    } else {
        const std::array<uint8_t, 8> palette = AlphaPalette(block[0], block[1]);
        const uint64_t bits = ReadLe64(block) >> 16;  // 16 indices of 3 bits behind the endpoints
        for (int i = 0; i < 16; ++i) alpha[i] = palette[(bits >> (3 * i)) & 7];
    }
    for (int i = 0; i < 16; ++i) texels[i] = (texels[i] & 0x00FFFFFFu) | (uint32_t(alpha[i]) << 24);
}

bool DecodeDxtToArgb(DxtKind kind, const uint8_t* blocks, size_t size, uint32_t width, uint32_t height,
                     uint32_t* argb)
{
    return DecodeLevel(kind, blocks, size, width, height, [argb](size_t i, uint32_t c) { argb[i] = c; });
}

bool DecodeDxtToRgba(DxtKind kind, const uint8_t* blocks, size_t size, uint32_t width, uint32_t height,
                     uint8_t* rgba)
{
    return DecodeLevel(kind, blocks, size, width, height, [rgba](size_t i, uint32_t c) {
        uint8_t* t = rgba + i * 4;
        t[0] = uint8_t(c >> 16);
        t[1] = uint8_t(c >> 8);
        t[2] = uint8_t(c);
        t[3] = uint8_t(c >> 24);
    });
}

}  // namespace base
