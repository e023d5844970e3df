#include "platform/d3d9/d3d9_formats.h"

#include "base/dxt_block.h"

#include <algorithm>
#include <array>

namespace qv::d3d {

namespace {


#define QV_SWZ(r, g, b, a) {r, g, b, a}

// Memory layouts are little-endian: A8R8G8B8 is bytes B, G, R, A, which is GL's BGRA.
const std::array<FormatInfo, 16> kFormats = {{
    {D3DFMT_A8R8G8B8, 4, 0, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, QV_SWZ(GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA)},
    {D3DFMT_X8R8G8B8, 4, 0, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, QV_SWZ(GL_RED, GL_GREEN, GL_BLUE, GL_ONE)},
    {D3DFMT_A8B8G8R8, 4, 0, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, QV_SWZ(GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA)},
    {D3DFMT_X8B8G8R8, 4, 0, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, QV_SWZ(GL_RED, GL_GREEN, GL_BLUE, GL_ONE)},
    {D3DFMT_R8G8B8, 3, 0, GL_RGB8, GL_BGR, GL_UNSIGNED_BYTE, QV_SWZ(GL_RED, GL_GREEN, GL_BLUE, GL_ONE)},
    {D3DFMT_R5G6B5, 2, 0, GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, QV_SWZ(GL_RED, GL_GREEN, GL_BLUE, GL_ONE)},
    {D3DFMT_A1R5G5B5, 2, 0, GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, QV_SWZ(GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA)},
    {D3DFMT_X1R5G5B5, 2, 0, GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, QV_SWZ(GL_RED, GL_GREEN, GL_BLUE, GL_ONE)},
    {D3DFMT_A4R4G4B4, 2, 0, GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, QV_SWZ(GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA)},
    {D3DFMT_X4R4G4B4, 2, 0, GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, QV_SWZ(GL_RED, GL_GREEN, GL_BLUE, GL_ONE)},
    // A8 reads as black with alpha, L8 and A8L8 as grey, as D3D9 samples them.
    {D3DFMT_A8, 1, 0, GL_R8, GL_RED, GL_UNSIGNED_BYTE, QV_SWZ(GL_ZERO, GL_ZERO, GL_ZERO, GL_RED)},
    {D3DFMT_L8, 1, 0, GL_R8, GL_RED, GL_UNSIGNED_BYTE, QV_SWZ(GL_RED, GL_RED, GL_RED, GL_ONE)},
    {D3DFMT_A8L8, 2, 0, GL_RG8, GL_RG, GL_UNSIGNED_BYTE, QV_SWZ(GL_RED, GL_RED, GL_RED, GL_GREEN)},
    // DXT1 keeps its one-bit alpha; DXT2 and DXT4 (premultiplied) decode like DXT3 and DXT5.
    {D3DFMT_DXT1, 0, 8, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 0, 0, QV_SWZ(GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA)},
    {D3DFMT_DXT3, 0, 16, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, QV_SWZ(GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA)},
    {D3DFMT_DXT5, 0, 16, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, QV_SWZ(GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA)},
}};
const FormatInfo kDxt2 = {D3DFMT_DXT2, 0, 16, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
const FormatInfo kDxt4 = {D3DFMT_DXT4, 0, 16, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};

#undef QV_SWZ

} // namespace

const FormatInfo* FindTextureFormat(D3DFORMAT format)
{
    for (const auto& f : kFormats)
        if (f.format == format)
            return &f;
    if (format == D3DFMT_DXT2)
        return &kDxt2;
    if (format == D3DFMT_DXT4)
        return &kDxt4;
    return nullptr;
}

UINT RowPitch(const FormatInfo& f, UINT width)
{
    if (IsCompressed(f))
        return std::max(1u, (width + 3) / 4) * f.blockBytes;
    return width * f.bytesPerPixel;
}

UINT RowCount(const FormatInfo& f, UINT height)
{
    return IsCompressed(f) ? std::max(1u, (height + 3) / 4) : height;
}

namespace {

// A field of `bits` bits widened to 8 by repeating its top bits, as a UNORM value is.
inline uint8_t Widen(uint32_t value, int bits)
{
    uint32_t v = value << (8 - bits);
    for (int filled = bits; filled < 8; filled += bits)
        v |= v >> bits;
    return uint8_t(v);
}

// One texel as GL reads it before the swizzle: red, green, blue, alpha.
void Channels(const FormatInfo& f, const uint8_t* p, uint8_t c[4])
{
    const uint32_t w = uint32_t(p[0]) | (f.bytesPerPixel > 1 ? uint32_t(p[1]) << 8 : 0u);
    switch (f.glType) {
    case GL_UNSIGNED_SHORT_5_6_5:
        c[0] = Widen(w >> 11, 5), c[1] = Widen((w >> 5) & 63, 6), c[2] = Widen(w & 31, 5), c[3] = 255;
        return;
    case GL_UNSIGNED_SHORT_1_5_5_5_REV:
        c[0] = Widen((w >> 10) & 31, 5), c[1] = Widen((w >> 5) & 31, 5), c[2] = Widen(w & 31, 5);
        c[3] = (w & 0x8000) ? 255 : 0;
        return;
    case GL_UNSIGNED_SHORT_4_4_4_4_REV:
        c[0] = Widen((w >> 8) & 15, 4), c[1] = Widen((w >> 4) & 15, 4), c[2] = Widen(w & 15, 4);
        c[3] = Widen(w >> 12, 4);
        return;
    default:
        break;
    }
    c[0] = c[1] = c[2] = 0;
    c[3] = 255;
    switch (f.glFormat) {
    case GL_BGRA: c[0] = p[2], c[1] = p[1], c[2] = p[0], c[3] = p[3]; return;
    case GL_BGR: c[0] = p[2], c[1] = p[1], c[2] = p[0]; return;
    case GL_RGBA: c[0] = p[0], c[1] = p[1], c[2] = p[2], c[3] = p[3]; return;
    case GL_RG: c[0] = p[0], c[1] = p[1]; return;
    default: c[0] = p[0]; return; // GL_RED
    }
}

uint8_t Swizzled(GLint source, const uint8_t c[4])
{
    switch (source) {
    case GL_RED: return c[0];
    case GL_GREEN: return c[1];
    case GL_BLUE: return c[2];
    case GL_ALPHA: return c[3];
    case GL_ONE: return 255;
    default: return 0; // GL_ZERO
    }
}

} // namespace

void ExpandToRgba8(const FormatInfo& f, const uint8_t* src, UINT width, UINT height, uint8_t* rgba)
{
    const size_t pitch = RowPitch(f, width);
    for (UINT y = 0; y < height; ++y) {
        const uint8_t* row = src + y * pitch;
        for (UINT x = 0; x < width; ++x, rgba += 4) {
            uint8_t c[4];
            Channels(f, row + size_t(x) * f.bytesPerPixel, c);
            for (int i = 0; i < 4; ++i)
                rgba[i] = Swizzled(f.swizzle[i], c);
        }
    }
}

bool DecodeDxt(D3DFORMAT format, const uint8_t* src, UINT width, UINT height, uint8_t* rgba)
{
    base::DxtKind kind;
    const FormatInfo* f = FindTextureFormat(format);
    if (!f || !base::DxtKindFromFourCC(uint32_t(format), &kind))
        return false;
    return base::DecodeDxtToRgba(kind, src, LevelBytes(*f, width, height), width, height, rgba);
}

} // namespace qv::d3d
