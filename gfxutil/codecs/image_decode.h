// Decoding the non-DDS image files D3DX reads (BMP and DIB, PNG, JPEG, TGA, HDR, PFM, PPM/PGM)
// into ARGB pictures. Each format has a decoder of its own behind DecodeImage, which tells
// them apart by their content, never by a file name.
#pragma once

#include "gfxutil/texels/image_types.h"

#include <d3dx9tex.h>

namespace codecs {

struct DecodedImage {
    texels::ArgbImage argb;
    D3DXIMAGE_FILEFORMAT fileKind = D3DXIFF_BMP;
    // The file's own texel format, as D3DX reports it in D3DXIMAGE_INFO (P8 for a palette,
    // R8G8B8 for 24-bit colour, A32B32G32R32F for Radiance HDR...).
    D3DFORMAT fileFormat = D3DFMT_UNKNOWN;
    // The texture's format when the caller leaves the choice to us, where the nearest loadable
    // one to fileFormat would add a channel the file does not have (A16B16G16R16 for 48-bit
    // colour, A32B32G32R32F for HDR). UNKNOWN: that nearest format.
    D3DFORMAT loadFormat = D3DFMT_UNKNOWN;
};

// Most pixels a file of this many bytes can plausibly hold in the given format: the best
// compression the format allows, so that a small file cannot make us allocate gigabytes.
// Never more than 16384 x 16384.
uint64_t MaxPixelsForFile(D3DXIMAGE_FILEFORMAT fileKind, size_t fileBytes);

// True when a picture of this size is one we decode from a file of this kind and length.
bool PictureSizeAllowed(D3DXIMAGE_FILEFORMAT fileKind, uint64_t width, uint64_t height,
                        size_t fileBytes);

// S_OK, or D3DXERR_INVALIDDATA for anything unreadable, unknown or implausibly large.
HRESULT DecodeImage(texels::ByteView file, DecodedImage* out);

// The decoders, each for a file whose content already looks like its format.
HRESULT DecodeBmp(texels::ByteView file, DecodedImage* out);  // "BM" files and headerless DIBs
HRESULT DecodePng(texels::ByteView file, DecodedImage* out);
HRESULT DecodeJpeg(texels::ByteView file, DecodedImage* out);
HRESULT DecodeTga(texels::ByteView file, DecodedImage* out);
HRESULT DecodeHdr(texels::ByteView file, DecodedImage* out);     // Radiance RGBE
HRESULT DecodeNetpbm(texels::ByteView file, DecodedImage* out);  // PPM/PGM, binary and text, and PFM

}  // namespace codecs
