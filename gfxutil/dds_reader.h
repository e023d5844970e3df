// Reading DirectDraw Surface files: header checks, pixel-format mapping and the stored mip
// chain, every size checked against the file length before anything is allocated.
#pragma once

#include "gfxutil/image_types.h"

#include <memory>

namespace gfxutil {

struct DdsImage {
    D3DFORMAT fileFormat = D3DFMT_UNKNOWN;  // as described by the header (R8G8B8 for 24-bit)
    D3DFORMAT format = D3DFMT_UNKNOWN;      // the format of `levels`, always a loadable one
    UINT width = 0;
    UINT height = 0;
    // The stored mip levels, largest first, capped at a full chain. They view the file's bytes
    // when the stored layout is loadable as is, else `converted`.
    std::vector<ByteView> levels;
    std::vector<std::unique_ptr<std::vector<uint8_t>>> converted;
};

bool LooksLikeDds(ByteView file);

// S_OK, D3DXERR_INVALIDDATA for a malformed or truncated file, or D3DERR_NOTAVAILABLE for a
// well-formed file whose format or shape we do not load (volumes, FourCCs other than DXTn).
HRESULT ReadDds(ByteView file, DdsImage* out);

// Levels in a full chain for this size, down to 1x1.
UINT FullMipChain(UINT width, UINT height);

}  // namespace gfxutil
