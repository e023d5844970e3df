// Truevision TGA: colour-mapped (8- or 16-bit indices into 15-, 16-, 24- or 32-bit entries),
// true-colour of 15, 16, 24 and 32 bits (the 16-bit attribute bit as alpha when the header
// counts one), grey with or without alpha; raw or run-length; any of the four origins.
#include "gfxutil/codecs/image_decode.h"

#include "base/byte_order.h"

#include <algorithm>

namespace codecs {

using namespace texels;

namespace {

struct TgaHeader {
    uint32_t idLength, mapType, type, mapFirst, mapLength, mapBits;
    uint32_t width, height, bits, alphaBits;
    bool rightToLeft, topDown;
};

uint32_t Expand5(uint32_t v) { return (v << 3) | (v >> 2); }

// One stored colour (a pixel or a colour-map entry) of `bits` bits to ARGB.
uint32_t ReadColour(const uint8_t* p, uint32_t bits, bool alphaBit, bool grey)
{
    if (grey) return bits == 16 ? PackArgb(p[1], p[0], p[0], p[0]) : PackArgb(255, p[0], p[0], p[0]);
    switch (bits) {
        case 15:
        case 16: {
            const uint32_t v = base::ReadLe16(p);
            const uint32_t a = alphaBit ? ((v & 0x8000) ? 255 : 0) : 255;
            return PackArgb(a, Expand5((v >> 10) & 31), Expand5((v >> 5) & 31), Expand5(v & 31));
        }
        case 24: return PackArgb(255, p[2], p[1], p[0]);
        default: return PackArgb(p[3], p[2], p[1], p[0]);
    }
}

// Hands each pixel's stored value to `put` in file order: raw, or packets of a repeated value
// (high bit set) or literal values, each packet 1 to 128 pixels, free to run on from one row
// into the next.
template <typename Put>
bool ForEachPixel(ByteView f, size_t pos, bool rle, uint32_t bytesPerPixel, size_t count, Put put)
{
    if (!rle) {
        if (pos + count * bytesPerPixel > f.size) return false;
        for (size_t i = 0; i < count; ++i) put(i, f.data + pos + i * bytesPerPixel);
        return true;
    }
    for (size_t i = 0; i < count;) {
        if (pos >= f.size) return false;
        const uint32_t packet = f.data[pos++];
        const size_t n = std::min<size_t>((packet & 0x7F) + 1, count - i);
        const bool repeat = packet & 0x80;
        const size_t bytes = (repeat ? 1 : n) * bytesPerPixel;
        if (pos + bytes > f.size) return false;
        for (size_t k = 0; k < n; ++k, ++i) put(i, f.data + pos + (repeat ? 0 : k * bytesPerPixel));
        pos += bytes;
    }
    return true;
}

}  // namespace

HRESULT DecodeTga(ByteView f, DecodedImage* out)
{
    if (f.size < 18) return D3DXERR_INVALIDDATA;
    TgaHeader h{f.data[0], f.data[1], f.data[2], f.Le16(3), f.Le16(5), f.data[7], f.Le16(12),
                f.Le16(14), f.data[16], f.data[17] & 15u, (f.data[17] & 0x10) != 0,
                (f.data[17] & 0x20) != 0};
    const uint32_t kind = h.type & 7;  // 1 colour-mapped, 2 true-colour, 3 grey; +8 run-length
    const bool rle = h.type & 8;
    if (h.type & ~11u || kind < 1 || kind > 3 || h.mapType > 1) return D3DXERR_INVALIDDATA;
    const bool mapped = kind == 1, grey = kind == 3;
    const bool depthOk = mapped ? (h.bits == 8 || h.bits == 16)
                         : grey ? (h.bits == 8 || h.bits == 16)
                                : (h.bits == 15 || h.bits == 16 || h.bits == 24 || h.bits == 32);
    if (!depthOk || (mapped && (h.mapType != 1 || h.mapLength == 0))) return D3DXERR_INVALIDDATA;
    if (mapped && h.mapBits != 15 && h.mapBits != 16 && h.mapBits != 24 && h.mapBits != 32)
        return D3DXERR_INVALIDDATA;
    if (!PictureSizeAllowed(D3DXIFF_TGA, h.width, h.height, f.size)) return D3DXERR_INVALIDDATA;

    // The ID field, then the colour map (present in any type when the map type says so).
    size_t pos = 18 + h.idLength;
    const uint32_t mapEntryBytes = h.mapType ? (h.mapBits + 7) / 8 : 0;
    const size_t mapPos = pos;
    pos += size_t(h.mapLength) * mapEntryBytes;
    if (pos > f.size) return D3DXERR_INVALIDDATA;
    // A 16-bit texel's top bit is alpha only when the header counts an alpha bit.
    const bool alphaBit = h.alphaBits > 0;
    std::vector<uint32_t> map;
    if (mapped) {
        map.reserve(h.mapLength);
        for (uint32_t i = 0; i < h.mapLength; ++i)
            map.push_back(ReadColour(f.data + mapPos + size_t(i) * mapEntryBytes, h.mapBits, alphaBit, false));
    }

    DecodedImage img;
    img.argb = ArgbImage(h.width, h.height);
    const auto put = [&](size_t i, const uint8_t* p) {
        uint32_t c;
        if (mapped) {
            const uint32_t index = h.bits == 16 ? base::ReadLe16(p) : p[0];
            c = index >= h.mapFirst && index - h.mapFirst < map.size() ? map[index - h.mapFirst]
                                                                        : 0xFF000000u;
        } else {
            c = ReadColour(p, h.bits, alphaBit, grey);
        }
        size_t x = i % h.width, y = i / h.width;
        if (h.rightToLeft) x = h.width - 1 - x;
        if (!h.topDown) y = h.height - 1 - y;
        img.argb.pixels[y * h.width + x] = c;
    };
    if (!ForEachPixel(f, pos, rle, (h.bits + 7) / 8, size_t(h.width) * h.height, put))
        return D3DXERR_INVALIDDATA;

    // An alpha channel that is zero throughout is not there to hide the picture.
    const uint32_t colourBits = mapped ? h.mapBits : h.bits;
    bool alpha = grey ? h.bits == 16 : colourBits == 32 || (colourBits == 16 && alphaBit);
    if (alpha && std::none_of(img.argb.pixels.begin(), img.argb.pixels.end(),
                              [](uint32_t c) { return ChannelA(c) != 0; })) {
        alpha = false;
        for (uint32_t& c : img.argb.pixels) c |= 0xFF000000u;
    }
    img.fileKind = D3DXIFF_TGA;
    if (mapped) img.fileFormat = D3DFMT_P8;
    else if (grey) img.fileFormat = alpha ? D3DFMT_A8L8 : D3DFMT_L8;
    else if (h.bits <= 16) img.fileFormat = alpha ? D3DFMT_A1R5G5B5 : D3DFMT_X1R5G5B5;
    else img.fileFormat = h.bits == 24 ? D3DFMT_R8G8B8 : alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    *out = std::move(img);
    return S_OK;
}

}  // namespace codecs
