#include "platform/d3d9/d3d9_formats.h"

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

void Expand565(uint16_t c, uint8_t out[4])
{
    const unsigned r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    out[0] = uint8_t((r << 3) | (r >> 2));
    out[1] = uint8_t((g << 2) | (g >> 4));
    out[2] = uint8_t((b << 3) | (b >> 2));
    out[3] = 255;
}

uint16_t Read16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Read32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

// Colour part of a block: 16 RGBA texels. DXT1 alone has the three-colour mode with
// transparent black; DXT3 and DXT5 always interpolate four colours.
void DecodeColourBlock(const uint8_t* b, bool dxt1, uint8_t texels[16][4])
{
    const uint16_t c0 = Read16(b), c1 = Read16(b + 2);
    uint8_t palette[4][4];
    Expand565(c0, palette[0]);
    Expand565(c1, palette[1]);
    if (!dxt1 || c0 > c1) {
        for (int k = 0; k < 3; ++k) {
            palette[2][k] = uint8_t((2 * palette[0][k] + palette[1][k]) / 3);
            palette[3][k] = uint8_t((palette[0][k] + 2 * palette[1][k]) / 3);
        }
        palette[2][3] = palette[3][3] = 255;
    } else {
        for (int k = 0; k < 3; ++k) {
            palette[2][k] = uint8_t((palette[0][k] + palette[1][k]) / 2);
            palette[3][k] = 0;
        }
        palette[2][3] = 255;
        palette[3][3] = 0;
    }
    const uint32_t bits = Read32(b + 4);
    for (int i = 0; i < 16; ++i)
        std::copy_n(palette[(bits >> (2 * i)) & 3], 4, texels[i]);
}

void DecodeExplicitAlpha(const uint8_t* b, uint8_t texels[16][4])
{
    for (int i = 0; i < 16; ++i) {
        const unsigned nibble = (b[i / 2] >> ((i & 1) * 4)) & 15;
        texels[i][3] = uint8_t(nibble * 17);
    }
}

void DecodeInterpolatedAlpha(const uint8_t* b, uint8_t texels[16][4])
{
    const unsigned a0 = b[0], a1 = b[1];
    unsigned alpha[8] = {a0, a1, 0, 0, 0, 0, 0, 255};
    if (a0 > a1) {
        for (unsigned i = 1; i < 7; ++i)
            alpha[i + 1] = ((7 - i) * a0 + i * a1) / 7;
    } else {
        for (unsigned i = 1; i < 5; ++i)
            alpha[i + 1] = ((5 - i) * a0 + i * a1) / 5;
        alpha[6] = 0;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i)
        bits |= uint64_t(b[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i)
        texels[i][3] = uint8_t(alpha[(bits >> (3 * i)) & 7]);
}

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
    const bool dxt1 = format == D3DFMT_DXT1;
    const bool explicitAlpha = format == D3DFMT_DXT2 || format == D3DFMT_DXT3;
    const bool interpolatedAlpha = format == D3DFMT_DXT4 || format == D3DFMT_DXT5;
    if (!dxt1 && !explicitAlpha && !interpolatedAlpha)
        return false;
    const UINT blockBytes = dxt1 ? 8 : 16;
    const UINT blocksWide = std::max(1u, (width + 3) / 4), blocksHigh = std::max(1u, (height + 3) / 4);
    uint8_t texels[16][4];
    for (UINT by = 0; by < blocksHigh; ++by) {
        for (UINT bx = 0; bx < blocksWide; ++bx) {
            const uint8_t* block = src + (size_t(by) * blocksWide + bx) * blockBytes;
            const uint8_t* colour = dxt1 ? block : block + 8;
            DecodeColourBlock(colour, dxt1, texels);
            if (explicitAlpha)
                DecodeExplicitAlpha(block, texels);
            else if (interpolatedAlpha)
                DecodeInterpolatedAlpha(block, texels);
            for (UINT y = 0; y < 4; ++y) {
                const UINT py = by * 4 + y;
                if (py >= height)
                    break;
                for (UINT x = 0; x < 4; ++x) {
                    const UINT px = bx * 4 + x;
                    if (px >= width)
                        break;
                    std::copy_n(texels[y * 4 + x], 4, rgba + (size_t(py) * width + px) * 4);
                }
            }
        }
    }
    return true;
}

} // namespace qv::d3d
