// Texel formats the loader reads and writes: their memory layout, and conversion of whole
// levels between a format and 32-bit ARGB.
#pragma once

#include "gfxutil/texels/image_types.h"

namespace texels {

// Where the channels sit in a little-endian pixel of 1 to 4 bytes. A zero mask means the
// channel is absent: colour reads as 0, alpha as opaque.
struct ChannelMasks {
    uint32_t a = 0;
    uint32_t r = 0;
    uint32_t g = 0;
    uint32_t b = 0;
};

// Formats a texture can be made in by this loader: DXT1-5, the 16- and 32-bit RGB ones, L8,
// A8L8 and A8. These are the texture formats the device holds, less 24-bit R8G8B8.
bool IsLoadableFormat(D3DFORMAT format);
// The loadable format a file's texels go into when the caller leaves the choice to us: the
// file's own where we can make it, else the one that keeps its channels (colour, grey, alpha).
D3DFORMAT NearestLoadableFormat(D3DFORMAT format);
bool IsBlockCompressed(D3DFORMAT format);
bool FormatHasAlpha(D3DFORMAT format);

// The layout LockRect hands out: rows of texels, or rows of 4x4 blocks for DXT.
size_t RowBytes(D3DFORMAT format, UINT width);
UINT RowCount(D3DFORMAT format, UINT height);
// 64-bit so that sizes claimed by a file cannot wrap before they are checked.
uint64_t LevelBytes(D3DFORMAT format, UINT width, UINT height);

// Tightly packed level data (RowBytes * RowCount) in a loadable format to ARGB.
// Returns false when the data is shorter than the level needs.
bool DecodeLevel(D3DFORMAT format, ByteView data, UINT width, UINT height, ArgbImage* out);
// ARGB to tightly packed level data in a loadable format.
std::vector<uint8_t> EncodeLevel(D3DFORMAT format, const ArgbImage& image);

// A float channel (HDR, PFM) in 8 bits: clamped to [0, 1], rounded; NaN reads as 0.
inline uint32_t FloatToUnorm8(float v)
{
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    // v is in (0, 1) here; the rounding stays in float so stored texels stay as they are.
    // NOLINTNEXTLINE(bugprone-incorrect-roundings)
    return uint32_t(v * 255.0f + 0.5f);
}

// The loadable format with exactly this layout, or D3DFMT_UNKNOWN.
D3DFORMAT FormatFromMasks(UINT bitCount, const ChannelMasks& masks);

// Any masked layout (as a DDS file may describe) to ARGB; bytesPerPixel is 1 to 4.
bool DecodeMasked(ByteView data, UINT width, UINT height, UINT bytesPerPixel,
                  const ChannelMasks& masks, ArgbImage* out);

}  // namespace texels
