#include "gfxutil/image_decode.h"

#include "gfxutil/image_precheck.h"

#include <algorithm>
#include <climits>
#include <cstring>

// The one place the decoder is compiled. Static, so it cannot clash with another copy
// elsewhere in the program; only the four formats we load, so the rest is not attack surface.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#define STBI_ONLY_BMP
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_TGA
#define STBI_MAX_DIMENSIONS 16384
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace gfxutil {
namespace {

// Above this a texture is not worth loading whatever the file size (8192 x 8192).
constexpr uint64_t kMaxDecodedPixels = uint64_t(1) << 26;

bool StartsWith(ByteView file, const char* magic, size_t n) {
    return file.size >= n && std::memcmp(file.data, magic, n) == 0;
}

// TGA has no signature; whatever is not one of the others is offered to the TGA reader.
D3DXIMAGE_FILEFORMAT Sniff(ByteView file) {
    if (StartsWith(file, "\x89PNG\r\n\x1a\n", 8)) return D3DXIFF_PNG;
    if (StartsWith(file, "\xFF\xD8\xFF", 3)) return D3DXIFF_JPG;
    if (StartsWith(file, "BM", 2)) return D3DXIFF_BMP;
    return D3DXIFF_TGA;
}

struct StbPixels {
    stbi_uc* p;
    ~StbPixels() { stbi_image_free(p); }
};

}  // namespace

uint64_t MaxPixelsForFile(D3DXIMAGE_FILEFORMAT fileFormat, size_t fileBytes) {
    uint64_t perByte = 8;  // uncompressed BMP at 1 bit per pixel
    switch (fileFormat) {
        case D3DXIFF_PNG: perByte = 8 * 1032; break;  // deflate's best ratio, 1-bit pixels
        case D3DXIFF_JPG: perByte = 512; break;       // at least one bit per 8x8 block
        case D3DXIFF_TGA: perByte = 64; break;        // 128-pixel runs of 8-bit values
        default: break;
    }
    return std::min<uint64_t>(kMaxDecodedPixels, perByte * fileBytes);
}

HRESULT DecodeImage(ByteView file, DecodedImage* out) {
    if (file.empty() || file.size > size_t(INT_MAX)) return D3DXERR_INVALIDDATA;
    const D3DXIMAGE_FILEFORMAT kind = Sniff(file);
    const int length = int(file.size);
    // Before stb_image looks at anything: even reading the header may walk JPEG tables.
    if (!PassesPrecheck(kind, file)) return D3DXERR_INVALIDDATA;
    int w = 0, h = 0, comp = 0;
    if (!stbi_info_from_memory(file.data, length, &w, &h, &comp)) return D3DXERR_INVALIDDATA;
    if (w <= 0 || h <= 0 || UINT(w) > kMaxTextureSide || UINT(h) > kMaxTextureSide)
        return D3DXERR_INVALIDDATA;
    if (uint64_t(w) * uint64_t(h) > MaxPixelsForFile(kind, file.size)) return D3DXERR_INVALIDDATA;

    int dw = 0, dh = 0, dcomp = 0;
    StbPixels rgba{stbi_load_from_memory(file.data, length, &dw, &dh, &dcomp, 4)};
    if (!rgba.p || dw != w || dh != h) return D3DXERR_INVALIDDATA;

    DecodedImage img;
    img.fileFormat = kind;
    img.hasAlpha = dcomp == 2 || dcomp == 4;
    img.argb = ArgbImage(UINT(w), UINT(h));
    const stbi_uc* src = rgba.p;
    for (uint32_t& texel : img.argb.pixels) {
        texel = PackArgb(src[3], src[0], src[1], src[2]);
        src += 4;
    }
    *out = std::move(img);
    return S_OK;
}

}  // namespace gfxutil
