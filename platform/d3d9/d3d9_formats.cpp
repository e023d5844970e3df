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

bool DecodeDxt(D3DFORMAT format, const uint8_t* src, UINT width, UINT height, uint8_t* rgba)
{
    base::DxtKind kind;
    const FormatInfo* f = FindTextureFormat(format);
    if (!f || !base::DxtKindFromFourCC(uint32_t(format), &kind))
        return false;
    return base::DecodeDxtToRgba(kind, src, LevelBytes(*f, width, height), width, height, rgba);
}

} // namespace qv::d3d
