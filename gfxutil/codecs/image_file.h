// Reading an image file whole into memory, with the failures D3DX reports for it.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <vector>

namespace codecs {

// Biggest file we read: a 16384 x 16384 32-bit DDS with its full mip chain fits below this.
constexpr uint64_t kMaxImageFileBytes = uint64_t(1536) << 20;

// S_OK with the bytes; D3DXERR_INVALIDDATA when the path (Windows separators allowed) names
// no readable regular file, or one that is empty or larger than kMaxImageFileBytes.
HRESULT ReadImageFile(const char* path, std::vector<uint8_t>* out);

}  // namespace codecs
