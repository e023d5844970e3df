#include "gfxutil/texels/image_format.h"

#include "gfxutil/texels/dds_dxt.h"

#include <algorithm>

namespace texels {
namespace {

struct PackedFormat {
    D3DFORMAT format;
    UINT bytesPerPixel;
    ChannelMasks masks;  // luminance formats give all three colour channels the same mask
    bool luminance = false;
};

constexpr PackedFormat kPackedFormats[] = {
    {D3DFMT_A8R8G8B8, 4, {0xFF000000u, 0x00FF0000u, 0x0000FF00u, 0x000000FFu}},
    {D3DFMT_X8R8G8B8, 4, {0, 0x00FF0000u, 0x0000FF00u, 0x000000FFu}},
    {D3DFMT_R5G6B5, 2, {0, 0xF800u, 0x07E0u, 0x001Fu}},
    {D3DFMT_X1R5G5B5, 2, {0, 0x7C00u, 0x03E0u, 0x001Fu}},
    {D3DFMT_A1R5G5B5, 2, {0x8000u, 0x7C00u, 0x03E0u, 0x001Fu}},
    {D3DFMT_A4R4G4B4, 2, {0xF000u, 0x0F00u, 0x00F0u, 0x000Fu}},
    {D3DFMT_X4R4G4B4, 2, {0, 0x0F00u, 0x00F0u, 0x000Fu}},
    {D3DFMT_A8B8G8R8, 4, {0xFF000000u, 0x000000FFu, 0x0000FF00u, 0x00FF0000u}},
    {D3DFMT_X8B8G8R8, 4, {0, 0x000000FFu, 0x0000FF00u, 0x00FF0000u}},
    {D3DFMT_L8, 1, {0, 0xFFu, 0xFFu, 0xFFu}, true},
    {D3DFMT_A8L8, 2, {0xFF00u, 0xFFu, 0xFFu, 0xFFu}, true},
    {D3DFMT_A8, 1, {0xFFu, 0, 0, 0}},
};

// Grey from colour with the Rec. 709 weights, in 8.8 fixed point; white stays 255.
uint32_t Luminance(uint32_t c)
{
    return (54 * ChannelR(c) + 183 * ChannelG(c) + 19 * ChannelB(c) + 128) >> 8;
}

const PackedFormat* FindPacked(D3DFORMAT format)
{
    for (const PackedFormat& p : kPackedFormats)
        if (p.format == format) return &p;
    return nullptr;
}

UINT BlockBytes(D3DFORMAT format) { return format == D3DFMT_DXT1 ? 8 : 16; }

int LowestBit(uint32_t mask)
{
    int shift = 0;
    while (shift < 32 && !(mask & (1u << shift))) ++shift;
    return shift;
}

// One channel of a masked layout, scaled to and from 8 bits with rounding.
struct ChannelCodec {
    uint32_t mask = 0;
    int shift = 0;
    uint64_t max = 0;

    explicit ChannelCodec(uint32_t m) : mask(m), shift(LowestBit(m)), max(m ? (m >> shift) : 0) {}
    uint32_t Read(uint32_t pixel, uint32_t absent) const
    {
        if (!max) return absent;
        uint64_t v = (pixel & mask) >> shift;
        return uint32_t(std::min<uint64_t>(255, (v * 255 + max / 2) / max));
    }
    uint32_t Write(uint32_t value8) const
    {
        if (!max) return 0;
        uint64_t v = (uint64_t(value8) * max + 127) / 255;
        return uint32_t((v << shift) & mask);
    }
};

// Red, green and blue in whole bytes of a little-endian pixel, and alpha either absent or in
// the fourth byte.
bool IsEightBitRgb(const ChannelMasks& m)
{
    return m.r == 0x00FF0000u && m.g == 0x0000FF00u && m.b == 0x000000FFu &&
           (m.a == 0 || m.a == 0xFF000000u);
}

}  // namespace

bool IsLoadableFormat(D3DFORMAT format)
{
    return IsBlockCompressed(format) || FindPacked(format) != nullptr;
}

bool IsBlockCompressed(D3DFORMAT format)
{
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 ||
           format == D3DFMT_DXT4 || format == D3DFMT_DXT5;
}

bool FormatHasAlpha(D3DFORMAT format)
{
    if (IsBlockCompressed(format)) return true;
    const PackedFormat* p = FindPacked(format);
    return p && p->masks.a != 0;
}

size_t RowBytes(D3DFORMAT format, UINT width)
{
    if (IsBlockCompressed(format))
        return size_t(std::max(1u, (width + 3) / 4)) * BlockBytes(format);
    const PackedFormat* p = FindPacked(format);
    return p ? size_t(width) * p->bytesPerPixel : 0;
}

UINT RowCount(D3DFORMAT format, UINT height)
{
    return IsBlockCompressed(format) ? std::max(1u, (height + 3) / 4) : height;
}

uint64_t LevelBytes(D3DFORMAT format, UINT width, UINT height)
{
    return uint64_t(RowBytes(format, width)) * RowCount(format, height);
}

D3DFORMAT NearestLoadableFormat(D3DFORMAT format)
{
    if (IsLoadableFormat(format)) return format;
    switch (format) {
        // The device makes no 24-bit textures; 32 bits hold the same texels.
        case D3DFMT_R8G8B8:
        case D3DFMT_R3G3B2:
        case D3DFMT_G16R16:
        case D3DFMT_G16R16F:
        case D3DFMT_G32R32F: return D3DFMT_X8R8G8B8;
        case D3DFMT_L16:
        case D3DFMT_R16F:
        case D3DFMT_R32F: return D3DFMT_L8;
        case D3DFMT_A4L4: return D3DFMT_A8L8;
        // Palettes carry alpha; the wide and float formats lose their range in 8 bits.
        default: return D3DFMT_A8R8G8B8;
    }
}

D3DFORMAT FormatFromMasks(UINT bitCount, const ChannelMasks& m)
{
    for (const PackedFormat& p : kPackedFormats)
        if (p.bytesPerPixel * 8 == bitCount && p.masks.a == m.a && p.masks.r == m.r &&
            p.masks.g == m.g && p.masks.b == m.b)
            return p.format;
    return D3DFMT_UNKNOWN;
}

bool DecodeMasked(ByteView data, UINT width, UINT height, UINT bytesPerPixel,
                  const ChannelMasks& masks, ArgbImage* out)
{
    if (bytesPerPixel < 1 || bytesPerPixel > 4) return false;
    if (uint64_t(width) * height * bytesPerPixel > data.size) return false;
    const ChannelCodec a(masks.a), r(masks.r), g(masks.g), b(masks.b);
    *out = ArgbImage(width, height);
    const uint8_t* src = data.data;
    const bool alpha = masks.a != 0;
    if (IsEightBitRgb(masks) && (bytesPerPixel == 4 || (bytesPerPixel == 3 && !alpha))) {
        // Whole bytes in the ARGB order already: the codec's scaling is the identity.
        for (uint32_t& texel : out->pixels) {
            texel = (alpha ? uint32_t(src[3]) << 24 : 0xFF000000u) | uint32_t(src[2]) << 16 |
                    uint32_t(src[1]) << 8 | src[0];
            src += bytesPerPixel;
        }
        return true;
    }
    for (uint32_t& texel : out->pixels) {
        uint32_t pixel = 0;
        for (UINT i = 0; i < bytesPerPixel; ++i) pixel |= uint32_t(src[i]) << (8 * i);
        src += bytesPerPixel;
        texel = PackArgb(a.Read(pixel, 255), r.Read(pixel, 0), g.Read(pixel, 0), b.Read(pixel, 0));
    }
    return true;
}

bool DecodeLevel(D3DFORMAT format, ByteView data, UINT width, UINT height, ArgbImage* out)
{
    if (IsBlockCompressed(format)) return DecodeDxt(format, data, width, height, out);
    const PackedFormat* p = FindPacked(format);
    return p && DecodeMasked(data, width, height, p->bytesPerPixel, p->masks, out);
}

std::vector<uint8_t> EncodeLevel(D3DFORMAT format, const ArgbImage& image)
{
    if (IsBlockCompressed(format)) return EncodeDxt(format, image);
    const PackedFormat* p = FindPacked(format);
    if (!p) return {};
    const ChannelCodec a(p->masks.a), r(p->masks.r), g(p->masks.g), b(p->masks.b);
    // Padding bits of the X formats are written as ones, the way D3D fills them.
    const uint32_t unused = ~(p->masks.a | p->masks.r | p->masks.g | p->masks.b);
    std::vector<uint8_t> bytes(image.pixels.size() * p->bytesPerPixel);
    uint8_t* dst = bytes.data();
    if (IsEightBitRgb(p->masks) && p->bytesPerPixel == 4 && !p->luminance) {
        // A8R8G8B8 is the texel itself; X8R8G8B8 the texel with its padding byte set.
        for (uint32_t c : image.pixels) {
            const uint32_t pixel = p->masks.a ? c : (c | 0xFF000000u);
            for (int i = 0; i < 4; ++i) *dst++ = uint8_t(pixel >> (8 * i));
        }
        return bytes;
    }
    for (uint32_t c : image.pixels) {
        uint32_t pixel = a.Write(ChannelA(c)) | unused;
        if (p->luminance) pixel |= r.Write(Luminance(c));
        else pixel |= r.Write(ChannelR(c)) | g.Write(ChannelG(c)) | b.Write(ChannelB(c));
        for (UINT i = 0; i < p->bytesPerPixel; ++i) *dst++ = uint8_t(pixel >> (8 * i));
    }
    return bytes;
}

}  // namespace texels
