// Checks on an image file before it reaches a library decoder. stb_image never reads a PNG's
// last CRC and libjpeg makes up the rest of a cut-off JPEG, both reporting success, where D3DX
// calls such a file invalid.
#pragma once

#include "gfxutil/texels/image_types.h"

#include <d3dx9tex.h>

namespace codecs {

// True when a PNG or JPEG file is complete as far as its format can tell, and a JPEG's
// Huffman tables are in bounds. Other formats pass.
bool PassesPrecheck(D3DXIMAGE_FILEFORMAT format, texels::ByteView file);

}  // namespace codecs
