// Checks on an image file before it reaches the decoder. stb_image reads zeros past the end
// of a cut-off BMP, TGA or JPEG (and never reads a PNG's last CRC) and reports success, where
// D3DX calls such a file invalid; and the stb_image we build against trusts a JPEG's Huffman
// table sizes, overrunning its tables.
#pragma once

#include "gfxutil/image_types.h"

#include <d3dx9tex.h>

namespace gfxutil {

// True when the file is complete as far as its format can tell and its JPEG tables are in
// bounds. Other formats pass.
bool PassesPrecheck(D3DXIMAGE_FILEFORMAT format, ByteView file);

}  // namespace gfxutil
