// Decoding BMP, PNG, JPEG and TGA files (through stb_image) into ARGB pictures.
#pragma once

#include "gfxutil/image_types.h"

#include <d3dx9tex.h>

namespace gfxutil {

struct DecodedImage {
    ArgbImage argb;
    bool hasAlpha = false;  // the file stores an alpha channel
    D3DXIMAGE_FILEFORMAT fileFormat = D3DXIFF_BMP;
};

// Most pixels a file of this many bytes can plausibly hold in the given format: the best
// compression the format allows, so that a small file cannot make us allocate gigabytes.
uint64_t MaxPixelsForFile(D3DXIMAGE_FILEFORMAT fileFormat, size_t fileBytes);

// S_OK, or D3DXERR_INVALIDDATA for anything unreadable, unknown or implausibly large.
HRESULT DecodeImage(ByteView file, DecodedImage* out);

}  // namespace gfxutil
