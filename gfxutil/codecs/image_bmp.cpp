// Windows bitmaps: "BM" files and headerless (packed) DIBs. Core, info, V4 and V5 headers;
// 1, 4 and 8 bits through a palette, 16 and 32 bits through channel masks, 24 bits; rows
// bottom-up or top-down; RLE8 and RLE4 with their end-of-line, end-of-bitmap and delta codes.
#include "gfxutil/codecs/image_decode.h"
#include "gfxutil/texels/image_format.h"

#include "base/bmp_header.h"

#include <algorithm>

namespace codecs {

using namespace texels;

namespace {

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6;
constexpr uint32_t kOpaqueBlack = 0xFF000000u;

struct BmpLayout {
    UINT width = 0, height = 0;
    bool topDown = false;
    uint32_t bpp = 0, compression = kRgb;
    ChannelMasks masks;
    std::vector<uint32_t> palette;  // ARGB, opaque: the fourth byte of an entry is reserved
    size_t dataOffset = 0;
};

ChannelMasks DefaultMasks(uint32_t bpp)
{
    if (bpp == 16) return {0, 0x7C00u, 0x03E0u, 0x001Fu};
    // 32-bit rows carry a fourth byte; files that use it for alpha are common.
    if (bpp == 32) return {0xFF000000u, 0xFF0000u, 0xFF00u, 0xFFu};
    return {0, 0xFF0000u, 0xFF00u, 0xFFu};
}

// `header` is where the DIB header starts; `dataOffset` is the file header's bfOffBits, or 0
// for a packed DIB whose pixels follow its palette.
HRESULT ParseLayout(ByteView f, size_t header, size_t dataOffset, BmpLayout* out)
{
    if (f.size < header + 4) return D3DXERR_INVALIDDATA;
    const uint32_t headerSize = f.Le32(header);
    if (!base::IsBmpHeaderSize(headerSize) || f.size < header + headerSize) return D3DXERR_INVALIDDATA;
    BmpLayout b;
    int64_t width, height;
    uint32_t colorsUsed = 0;
    if (headerSize == base::kBmpCoreHeaderBytes) {
        width = f.Le16(header + 4);
        height = int16_t(f.Le16(header + 6));
        b.bpp = f.Le16(header + 10);
    } else {
        width = int32_t(f.Le32(header + 4));
        height = int32_t(f.Le32(header + 8));
        b.bpp = f.Le16(header + 14);
        b.compression = f.Le32(header + 16);
        colorsUsed = f.Le32(header + 32);
    }
    b.topDown = height < 0;
    height = height < 0 ? -height : height;
    if (width <= 0 || height <= 0 || width > kMaxTextureSide || height > kMaxTextureSide)
        return D3DXERR_INVALIDDATA;
    b.width = UINT(width);
    b.height = UINT(height);

    const uint32_t bpp = b.bpp;
    switch (b.compression) {
        case kRgb:
            if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
                return D3DXERR_INVALIDDATA;
            break;
        case kRle8:
        case kRle4:
            // Run-length bitmaps are bottom-up by definition.
            if (bpp != (b.compression == kRle8 ? 8u : 4u) || b.topDown) return D3DXERR_INVALIDDATA;
            break;
        case kBitfields:
        case kAlphaBitfields:
            if (bpp != 16 && bpp != 32) return D3DXERR_INVALIDDATA;
            break;
        default: return D3DXERR_INVALIDDATA;  // embedded JPEG or PNG, CMYK, Huffman
    }

    // Masks sit in the header from 52 bytes on, else just behind it.
    size_t pos = header + headerSize;
    b.masks = DefaultMasks(bpp);
    if (b.compression == kBitfields || b.compression == kAlphaBitfields) {
        const bool withAlpha = b.compression == kAlphaBitfields || headerSize >= 56;
        size_t at = header + base::kBmpInfoHeaderBytes;
        if (headerSize < 52) pos += withAlpha ? 16 : 12;
        if (pos > f.size) return D3DXERR_INVALIDDATA;
        b.masks = {withAlpha ? f.Le32(at + 12) : 0, f.Le32(at), f.Le32(at + 4), f.Le32(at + 8)};
        const uint64_t limit = (uint64_t(1) << bpp) - 1;
        const uint32_t all = b.masks.a | b.masks.r | b.masks.g | b.masks.b;
        if (all == 0 || all > limit) return D3DXERR_INVALIDDATA;
    }

    // The palette: what indices look up. Deeper pixels may come with one too, a hint for old
    // displays that only moves where a packed DIB's pixels start.
    const uint32_t entryBytes = headerSize == base::kBmpCoreHeaderBytes ? 3 : 4;
    const uint64_t entries = colorsUsed ? colorsUsed : bpp <= 8 ? (1u << bpp) : 0;
    if (bpp <= 8) {
        const uint32_t used = uint32_t(std::min<uint64_t>(entries, 1u << bpp));
        if (entries > 256 || pos + uint64_t(used) * entryBytes > f.size) return D3DXERR_INVALIDDATA;
        for (uint32_t i = 0; i < used; ++i) {
            const size_t at = pos + size_t(i) * entryBytes;
            b.palette.push_back(PackArgb(255, f.data[at + 2], f.data[at + 1], f.data[at]));
        }
    }
    const uint64_t data = dataOffset ? dataOffset : pos + entries * entryBytes;
    if (data >= f.size) return D3DXERR_INVALIDDATA;
    b.dataOffset = size_t(data);
    *out = std::move(b);
    return S_OK;
}

uint32_t PaletteColour(const BmpLayout& b, uint32_t index)
{
    return index < b.palette.size() ? b.palette[index] : kOpaqueBlack;
}

HRESULT DecodeRows(ByteView f, const BmpLayout& b, ArgbImage* out)
{
    const uint64_t stride = (uint64_t(b.width) * b.bpp + 31) / 32 * 4;
    if (b.dataOffset + stride * b.height > f.size) return D3DXERR_INVALIDDATA;
    *out = ArgbImage(b.width, b.height);
    ArgbImage row;
    for (UINT r = 0; r < b.height; ++r) {
        const uint8_t* src = f.data + b.dataOffset + stride * r;
        uint32_t* dst = &out->pixels[size_t(b.topDown ? r : b.height - 1 - r) * b.width];
        if (b.bpp <= 8) {
            const uint32_t perByte = 8 / b.bpp, mask = (1u << b.bpp) - 1;
            for (UINT x = 0; x < b.width; ++x) {
                const uint32_t shift = 8 - b.bpp * (x % perByte + 1);
                dst[x] = PaletteColour(b, (src[x / perByte] >> shift) & mask);
            }
        } else {
            if (!DecodeMasked(ByteView(src, size_t(stride)), b.width, 1, b.bpp / 8, b.masks, &row))
                return D3DXERR_INVALIDDATA;
            std::copy(row.pixels.begin(), row.pixels.end(), dst);
        }
    }
    return S_OK;
}

// Run-length codes, bottom row first. Pixels no code reaches (behind a delta or an early end
// of line or bitmap) stay black; runs past the end of a row are cut there.
HRESULT DecodeRle(ByteView f, const BmpLayout& b, ArgbImage* out)
{
    *out = ArgbImage(b.width, b.height);
    std::fill(out->pixels.begin(), out->pixels.end(), kOpaqueBlack);
    const bool rle4 = b.compression == kRle4;
    uint64_t x = 0, y = 0;
    const auto put = [&](uint32_t index) {
        if (x < b.width && y < b.height)
            out->pixels[size_t(b.height - 1 - y) * b.width + size_t(x)] = PaletteColour(b, index);
        ++x;
    };
    size_t pos = b.dataOffset;
    while (y < b.height) {
        if (pos + 2 > f.size) return D3DXERR_INVALIDDATA;
        const uint32_t count = f.data[pos], code = f.data[pos + 1];
        pos += 2;
        if (count > 0) {
            for (uint32_t i = 0; i < count && x < b.width; ++i)
                put(rle4 ? (i & 1 ? code & 15 : code >> 4) : code);
        } else if (code == 0) {
            x = 0;
            ++y;
        } else if (code == 1) {
            break;
        } else if (code == 2) {
            if (pos + 2 > f.size) return D3DXERR_INVALIDDATA;
            x += f.data[pos];
            y += f.data[pos + 1];
            pos += 2;
        } else {
            // Absolute run of `code` pixels, padded to a 16-bit boundary.
            const size_t bytes = rle4 ? (code + 3) / 4 * 2 : (code + 1) / 2 * 2;
            if (pos + bytes > f.size) return D3DXERR_INVALIDDATA;
            for (uint32_t i = 0; i < code; ++i) {
                const uint8_t v = f.data[pos + (rle4 ? i / 2 : i)];
                put(rle4 ? (i & 1 ? v & 15 : v >> 4) : v);
            }
            pos += bytes;
        }
    }
    return S_OK;
}

D3DFORMAT FileFormat(const BmpLayout& b, bool alphaUsed)
{
    if (b.bpp <= 8) return b.compression == kRgb ? D3DFMT_P8 : D3DFMT_X8R8G8B8;
    if (b.bpp == 24) return D3DFMT_R8G8B8;
    ChannelMasks m = b.masks;
    if (!alphaUsed) m.a = 0;
    const D3DFORMAT exact = FormatFromMasks(b.bpp, m);
    if (exact != D3DFMT_UNKNOWN) return exact;
    return m.a ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
}

}  // namespace

HRESULT DecodeBmp(ByteView file, DecodedImage* out)
{
    const bool withFileHeader = file.size >= 2 && file.data[0] == 'B' && file.data[1] == 'M';
    if (withFileHeader && file.size < base::kBmpFileHeaderBytes) return D3DXERR_INVALIDDATA;
    BmpLayout b;
    HRESULT hr = withFileHeader ? ParseLayout(file, base::kBmpFileHeaderBytes, file.Le32(10), &b)
                                : ParseLayout(file, 0, 0, &b);
    if (FAILED(hr)) return hr;
    const D3DXIMAGE_FILEFORMAT kind = withFileHeader ? D3DXIFF_BMP : D3DXIFF_DIB;
    if (!PictureSizeAllowed(kind, b.width, b.height, file.size)) return D3DXERR_INVALIDDATA;

    DecodedImage img;
    const bool rle = b.compression == kRle8 || b.compression == kRle4;
    hr = rle ? DecodeRle(file, b, &img.argb) : DecodeRows(file, b, &img.argb);
    if (FAILED(hr)) return hr;
    // A fourth byte that is zero throughout is padding, not a picture to make invisible.
    bool alphaUsed = b.masks.a != 0;
    if (alphaUsed && b.bpp == 32 && b.compression == kRgb) {
        alphaUsed = std::any_of(img.argb.pixels.begin(), img.argb.pixels.end(),
                                [](uint32_t c) { return ChannelA(c) != 0; });
        if (!alphaUsed)
            for (uint32_t& c : img.argb.pixels) c |= 0xFF000000u;
    }
    img.fileKind = kind;
    img.fileFormat = FileFormat(b, alphaUsed);
    *out = std::move(img);
    return S_OK;
}

}  // namespace codecs
