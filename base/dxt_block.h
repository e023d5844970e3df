// DXT1-5 (S3TC) block decoding: 4 x 4 texels from 8 or 16 bytes. The device expands blocks
// where GL takes none, the texture loader where it filters or converts a level.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace base {

// How a block keeps alpha. DXT2 and DXT4 store their colours premultiplied but lay out their
// blocks as DXT3 and DXT5 do, and decode the same.
enum class DxtKind {
    Dxt1,               // 8 bytes: colour only, with a one-bit alpha mode
    ExplicitAlpha,      // DXT2, DXT3: 4 bits of alpha per texel, then a colour block
    InterpolatedAlpha,  // DXT4, DXT5: eight alphas between two endpoints, then a colour block
};

// The kind of a format named by its FourCC ("DXT1" to "DXT5", as DDS files and D3DFORMAT
// name them); false for any other.
bool DxtKindFromFourCC(uint32_t fourCC, DxtKind* kind);

constexpr size_t DxtBlockBytes(DxtKind kind)
{
    return kind == DxtKind::Dxt1 ? 8 : 16;
}

// The four colours (ARGB, as D3DCOLOR) a colour block's 5:6:5 endpoints stand for. With
// `dxt1` and c0 <= c1 that is three colours and transparent black; blocks of the other kinds
// always read four opaque colours.
std::array<uint32_t, 4> DxtColourPalette(uint16_t c0, uint16_t c1, bool dxt1);

// One block: 16 texels in row order as ARGB.
void DecodeDxtBlock(DxtKind kind, const uint8_t* block, uint32_t texels[16]);

// A whole level of `width` x `height` texels, rows top first, from rows of blocks (the edge
// blocks of sizes that are no multiple of 4 hang over). False, with nothing written, when
// `size` bytes are fewer than the level's blocks.
bool DecodeDxtToArgb(DxtKind kind, const uint8_t* blocks, size_t size, uint32_t width, uint32_t height,
                     uint32_t* argb);
// The same as bytes R, G, B, A per texel.
bool DecodeDxtToRgba(DxtKind kind, const uint8_t* blocks, size_t size, uint32_t width, uint32_t height,
                     uint8_t* rgba);

}  // namespace base
