#include "gfxutil/codecs/image_file.h"

#include "base/win_path.h"

#include <d3dx9tex.h>

#include <filesystem>
#include <fstream>

namespace gfxutil {

HRESULT ReadImageFile(const char* path, std::vector<uint8_t>* out) {
    const std::string native = NativePath(path);
    if (native.empty()) return D3DXERR_INVALIDDATA;
    // A directory opens as a stream on Linux; only a regular file is an image.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(native, ec)) return D3DXERR_INVALIDDATA;
    std::ifstream in(native, std::ios::binary | std::ios::ate);
    if (!in) return D3DXERR_INVALIDDATA;
    const std::streamoff size = in.tellg();
    if (size <= 0 || uint64_t(size) > kMaxImageFileBytes) return D3DXERR_INVALIDDATA;

    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    // A file that shrank under us keeps what was read; the parsers check lengths anyway.
    const std::streamsize got = in.gcount();
    if (got <= 0) return D3DXERR_INVALIDDATA;
    bytes.resize(size_t(got));
    *out = std::move(bytes);
    return S_OK;
}

}  // namespace gfxutil
