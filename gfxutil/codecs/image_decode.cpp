#include "gfxutil/codecs/image_decode.h"

#include "gfxutil/texels/image_format.h"

#include "base/bmp_header.h"

#include <algorithm>
#include <cstring>

namespace codecs {

using namespace texels;

namespace {

constexpr uint64_t kMaxDecodedPixels = uint64_t(kMaxTextureSide) * kMaxTextureSide;

bool StartsWith(ByteView file, const char* magic, size_t n)
{
    return file.size >= n && std::memcmp(file.data, magic, n) == 0;
}

bool IsSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// A DIB without its file header starts with the size of its header and one plane.
bool LooksLikePackedDib(ByteView f)
{
    if (f.size < 16) return false;
    const uint32_t size = f.Le32(0);
    const size_t planes = size == base::kBmpCoreHeaderBytes ? 8 : 12;
    return base::IsBmpHeaderSize(size) && f.data[planes] == 1 && f.data[planes + 1] == 0;
}

// TGA has no signature, and none of the others starts like a TGA header can: whatever is
// not one of them is offered to the TGA reader.
D3DXIMAGE_FILEFORMAT Sniff(ByteView f)
{
    if (StartsWith(f, "\x89PNG\r\n\x1a\n", 8)) return D3DXIFF_PNG;
    if (StartsWith(f, "\xFF\xD8\xFF", 3)) return D3DXIFF_JPG;
    if (StartsWith(f, "BM", 2)) return D3DXIFF_BMP;
    if (StartsWith(f, "#?", 2)) return D3DXIFF_HDR;
    if (f.size >= 3 && f.data[0] == 'P' && IsSpace(f.data[2])) {
        if (f.data[1] == 'F' || f.data[1] == 'f') return D3DXIFF_PFM;
        if (f.data[1] && std::strchr("2356", f.data[1])) return D3DXIFF_PPM;
    }
    if (LooksLikePackedDib(f)) return D3DXIFF_DIB;
    return D3DXIFF_TGA;
}

}  // namespace

uint64_t MaxPixelsForFile(D3DXIMAGE_FILEFORMAT fileKind, size_t fileBytes)
{
    uint64_t perByte = 1;  // binary PGM; text PPM needs more bytes, and says so itself
    switch (fileKind) {
        case D3DXIFF_BMP:
        case D3DXIFF_DIB: perByte = 256; break;  // RLE runs of 255 texels in two bytes
        case D3DXIFF_PNG: perByte = uint64_t{8} * 1032; break;  // deflate's best ratio, 1-bit pixels
        case D3DXIFF_JPG: perByte = 512; break;       // at least one bit per 8x8 block
        case D3DXIFF_TGA: perByte = 64; break;        // 128-pixel runs of 8-bit values
        case D3DXIFF_HDR: perByte = 32; break;        // runs of 127 in each of four planes
        default: break;
    }
    return std::min<uint64_t>(kMaxDecodedPixels, perByte * fileBytes);
}

bool PictureSizeAllowed(D3DXIMAGE_FILEFORMAT fileKind, uint64_t width, uint64_t height,
                        size_t fileBytes)
{
    return width > 0 && height > 0 && width <= kMaxTextureSide && height <= kMaxTextureSide &&
           width * height <= MaxPixelsForFile(fileKind, fileBytes);
}

HRESULT DecodeImage(ByteView file, DecodedImage* out)
{
    if (file.empty()) return D3DXERR_INVALIDDATA;
    DecodedImage img;
    HRESULT hr;
    switch (Sniff(file)) {
        case D3DXIFF_PNG: hr = DecodePng(file, &img); break;
        case D3DXIFF_JPG: hr = DecodeJpeg(file, &img); break;
        case D3DXIFF_BMP:
        case D3DXIFF_DIB: hr = DecodeBmp(file, &img); break;
        case D3DXIFF_HDR: hr = DecodeHdr(file, &img); break;
        case D3DXIFF_PFM:
        case D3DXIFF_PPM: hr = DecodeNetpbm(file, &img); break;
        default: hr = DecodeTga(file, &img); break;
    }
    if (FAILED(hr)) return hr;
    if (img.argb.pixels.empty()) return D3DXERR_INVALIDDATA;
    if (img.loadFormat == D3DFMT_UNKNOWN) img.loadFormat = NearestLoadableFormat(img.fileFormat);
    *out = std::move(img);
    return S_OK;
}

}  // namespace codecs
