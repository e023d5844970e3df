// Reading DirectDraw Surface files: header checks, pixel-format mapping and the stored mip
// chain, every size checked against the file length before anything is allocated.
#pragma once

#include "gfxutil/texels/image_types.h"

#include <memory>

namespace codecs {

struct DdsImage {
    D3DFORMAT fileFormat = D3DFMT_UNKNOWN;  // as described by the header (R8G8B8 for 24-bit)
    D3DFORMAT format = D3DFMT_UNKNOWN;      // the format of `levels`, always a loadable one
    UINT width = 0;
    UINT height = 0;
    D3DRESOURCETYPE resourceType = D3DRTYPE_TEXTURE;  // CUBETEXTURE: `levels` are the first face's
    // The stored mip levels, largest first, capped at a full chain. They view the file's bytes
    // when the stored layout is loadable as is, else `converted`.
    std::vector<texels::ByteView> levels;
    std::vector<std::unique_ptr<std::vector<uint8_t>>> converted;
};

bool LooksLikeDds(texels::ByteView file);

// S_OK, or D3DXERR_INVALIDDATA for a malformed or truncated file and for what a 2D texture
// cannot be made from: volumes, DX10 headers and FourCCs other than DXT1 to DXT5 and the
// 16- and 32-bit-a-channel formats.
HRESULT ReadDds(texels::ByteView file, DdsImage* out);

}  // namespace codecs
