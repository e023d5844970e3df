// DXT1-5 block compression: decoding for resampling, and an encoder so that levels we
// have to make ourselves (mips, resized images) stay in the format the file was stored in.
#pragma once

#include "gfxutil/texels/image_types.h"

namespace texels {

// One 4x4 block: texels in row order as ARGB. DXT1 blocks are 8 bytes, DXT2-5 16 bytes.
void DecodeDxtBlock(D3DFORMAT format, const uint8_t* block, uint32_t texels[16]);
void EncodeDxtBlock(D3DFORMAT format, const uint32_t texels[16], uint8_t* block);

// A whole level of blocks. Returns false when data is shorter than the level needs.
bool DecodeDxt(D3DFORMAT format, ByteView data, UINT width, UINT height, ArgbImage* out);
std::vector<uint8_t> EncodeDxt(D3DFORMAT format, const ArgbImage& image);

}  // namespace texels
