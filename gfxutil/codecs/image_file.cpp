#include "gfxutil/codecs/image_file.h"

#include "base/file_read.h"
#include "base/win_path.h"

#include <d3dx9tex.h>

namespace codecs {

HRESULT ReadImageFile(const char* path, std::vector<uint8_t>* out)
{
    std::vector<uint8_t> bytes;
    if (!base::ReadWholeFile(base::NativePath(path), kMaxImageFileBytes, &bytes) || bytes.empty())
        return D3DXERR_INVALIDDATA;
    *out = std::move(bytes);
    return S_OK;
}

}  // namespace codecs
