// An image file read and decoded as far as it can be before the texture's size and format
// are known: DDS levels as stored, or one ARGB picture from the other formats.
#pragma once

#include "gfxutil/codecs/dds_reader.h"

#include <d3dx9tex.h>

namespace codecs {

struct SourceImage {
    D3DXIMAGE_INFO info{};              // what the file holds, as D3DX reports it
    D3DFORMAT format = D3DFMT_UNKNOWN;  // the loadable format closest to the file's (info.Format)
    UINT width = 0;
    UINT height = 0;
    std::vector<texels::ByteView> stored;  // DDS: the stored levels in `format`; empty otherwise
    texels::ArgbImage picture;             // the other formats: the decoded picture

    std::vector<uint8_t> fileBytes;  // owns what `stored` may view, when read from a path
    DdsImage dds;

    // The top level as ARGB, decoded from whichever form the file had.
    bool TopLevelArgb(texels::ArgbImage* out) const;
};

// S_OK, or the failure D3DX would report: D3DXERR_INVALIDDATA for a missing, unreadable,
// malformed or unknown file.
HRESULT LoadSourceImage(const char* path, SourceImage* out);

// The same for a file already in memory. `file` must outlive `out`: DDS levels view it.
HRESULT LoadSourceImage(texels::ByteView file, SourceImage* out);

}  // namespace codecs
