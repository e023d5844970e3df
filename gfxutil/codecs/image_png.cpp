// PNG through stb_image, which reads every colour type and depth: interlaced, palettes with
// transparency, 16 bits.
#include "gfxutil/codecs/image_decode.h"
#include "gfxutil/codecs/image_precheck.h"

#include <climits>
#include <cstring>
#include <vector>

// The one place the decoder is compiled. Static, so it cannot clash with another copy
// elsewhere in the program; only PNG, so the rest is not attack surface.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#define STBI_ONLY_PNG
#define STBI_MAX_DIMENSIONS 16384
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace codecs {

using namespace texels;

namespace {

struct StbPixels {
    stbi_uc* p;
    ~StbPixels() { stbi_image_free(p); }
};

// From IHDR and whether a tRNS chunk gives transparency without an alpha channel.
D3DFORMAT PngFormat(ByteView f, D3DFORMAT* load)
{
    const uint32_t depth = f.data[24], type = f.data[25];
    bool transparency = false;
    for (size_t pos = 8; pos + 8 <= f.size;) {
        const uint32_t length = f.Be32(pos);
        if (std::memcmp(f.data + pos + 4, "tRNS", 4) == 0) transparency = true;
        if (std::memcmp(f.data + pos + 4, "IDAT", 4) == 0 || length > f.size) break;
        pos += 12 + size_t(length);
    }
    const bool wide = depth == 16;
    *load = D3DFMT_UNKNOWN;
    switch (type) {
        case 0:  // grey
            if (transparency) return wide ? D3DFMT_A16B16G16R16 : D3DFMT_A8R8G8B8;
            return wide ? D3DFMT_L16 : D3DFMT_L8;
        case 2:  // colour
            if (!wide) return transparency ? D3DFMT_A8R8G8B8 : D3DFMT_R8G8B8;
            if (!transparency) *load = D3DFMT_X8R8G8B8;
            return D3DFMT_A16B16G16R16;
        case 3: return D3DFMT_P8;
        default: return wide ? D3DFMT_A16B16G16R16 : D3DFMT_A8R8G8B8;  // grey or colour + alpha
    }
}

// stb_image copies each IDAT chunk into a buffer it allocates on the first chunk with data, so an
// empty IDAT before that one (legal, and nothing for the picture) is copied into a null pointer.
// Returns the file up to IEND without its empty IDAT chunks, or an empty vector when it has none.
// Only for a file that passed the precheck: every chunk up to IEND lies inside it.
std::vector<uint8_t> WithoutEmptyIdat(ByteView f)
{
    std::vector<uint8_t> kept;
    for (size_t pos = 8;;) {
        const size_t end = pos + 12 + size_t(f.Be32(pos));
        const bool emptyIdat = end == pos + 12 && std::memcmp(f.data + pos + 4, "IDAT", 4) == 0;
        if (emptyIdat && kept.empty()) {
            kept.assign(f.data, f.data + pos);  // the first one: everything before it
        } else if (!emptyIdat && !kept.empty()) {
            kept.insert(kept.end(), f.data + pos, f.data + end);
        }
        if (std::memcmp(f.data + pos + 4, "IEND", 4) == 0) return kept;
        pos = end;
    }
}

}  // namespace

HRESULT DecodePng(ByteView file, DecodedImage* out)
{
    if (file.size > size_t(INT_MAX) || !PassesPrecheck(D3DXIFF_PNG, file)) return D3DXERR_INVALIDDATA;
    const int length = int(file.size);
    int w = 0, h = 0, comp = 0;
    if (!stbi_info_from_memory(file.data, length, &w, &h, &comp)) return D3DXERR_INVALIDDATA;
    if (w <= 0 || h <= 0 || !PictureSizeAllowed(D3DXIFF_PNG, uint64_t(w), uint64_t(h), file.size))
        return D3DXERR_INVALIDDATA;

    int dw = 0, dh = 0, dcomp = 0;
    const std::vector<uint8_t> kept = WithoutEmptyIdat(file);
    const ByteView pixels = kept.empty() ? file : ByteView(kept);
    StbPixels rgba{stbi_load_from_memory(pixels.data, int(pixels.size), &dw, &dh, &dcomp, 4)};
    if (!rgba.p || dw != w || dh != h) return D3DXERR_INVALIDDATA;
    DecodedImage img;
    img.fileKind = D3DXIFF_PNG;
    img.argb = ArgbImage(UINT(w), UINT(h));
    const stbi_uc* src = rgba.p;
    for (uint32_t& texel : img.argb.pixels) {
        texel = PackArgb(src[3], src[0], src[1], src[2]);
        src += 4;
    }
    img.fileFormat = PngFormat(file, &img.loadFormat);
    *out = std::move(img);
    return S_OK;
}

}  // namespace codecs
