// Netpbm pictures: PPM and PGM, binary (P6, P5) and text (P3, P2), 8 or 16 bits a sample;
// and PFM, 32-bit floats in colour (PF) or grey (Pf), rows stored bottom to top.
#include "gfxutil/codecs/image_decode.h"
#include "gfxutil/texels/image_format.h"

#include "base/byte_order.h"

#include <cstring>

namespace codecs {

using namespace texels;

namespace {

bool IsSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Header and text-sample tokens, skipping whitespace and '#' comments to the end of a line.
class Tokens {
public:
    Tokens(ByteView f, size_t pos) : f_(f), pos_(pos) {}

    bool Skip()
    {
        while (pos_ < f_.size) {
            if (f_.data[pos_] == '#') {
                while (pos_ < f_.size && f_.data[pos_] != '\n') ++pos_;
            } else if (IsSpace(f_.data[pos_])) {
                ++pos_;
            } else {
                return true;
            }
        }
        return false;
    }
    // A decimal count no bigger than `limit`.
    bool Count(uint64_t limit, uint64_t* out)
    {
        if (!Skip()) return false;
        uint64_t v = 0;
        size_t digits = 0;
        while (pos_ < f_.size && f_.data[pos_] >= '0' && f_.data[pos_] <= '9') {
            v = v * 10 + (f_.data[pos_++] - '0');
            if (v > limit) return false;
            ++digits;
        }
        *out = v;
        return digits > 0 && (pos_ == f_.size || IsSpace(f_.data[pos_]) || f_.data[pos_] == '#');
    }
    // A decimal number such as PFM's scale, "-1.0": only its sign matters, and it is read
    // without the C library so that no locale changes what a file means.
    bool Negative(bool* negative)
    {
        if (!Skip()) return false;
        const size_t start = pos_;
        bool digit = false;
        for (; pos_ < f_.size && !IsSpace(f_.data[pos_]); ++pos_) {
            const uint8_t c = f_.data[pos_];
            if (c >= '0' && c <= '9') digit = true;
            else if (c == 0 || !std::strchr("+-.eE", c)) return false;
        }
        *negative = f_.data[start] == '-';
        return digit;
    }
    // Binary data starts after exactly one whitespace character.
    bool DataStart(size_t* at)
    {
        if (pos_ >= f_.size || !IsSpace(f_.data[pos_])) return false;
        *at = pos_ + 1;
        return true;
    }

private:
    ByteView f_;
    size_t pos_;
};


uint32_t Grey(uint32_t v) { return PackArgb(255, v, v, v); }

HRESULT DecodePfm(ByteView f, bool colour, DecodedImage* out)
{
    Tokens t(f, 2);
    uint64_t w, h;
    bool littleEndian;
    size_t data;
    if (!t.Count(kMaxTextureSide, &w) || !t.Count(kMaxTextureSide, &h) ||
        !t.Negative(&littleEndian) || !t.DataStart(&data))
        return D3DXERR_INVALIDDATA;
    const uint64_t comps = colour ? 3 : 1;
    if (w == 0 || h == 0 || data + w * h * comps * 4 > f.size) return D3DXERR_INVALIDDATA;
    if (!PictureSizeAllowed(D3DXIFF_PFM, w, h, f.size)) return D3DXERR_INVALIDDATA;

    DecodedImage img;
    img.argb = ArgbImage(UINT(w), UINT(h));
    const uint8_t* p = f.data + data;
    uint32_t v[3] = {};
    for (uint64_t y = 0; y < h; ++y) {
        uint32_t* row = &img.argb.pixels[size_t(h - 1 - y) * size_t(w)];
        for (uint64_t x = 0; x < w; ++x) {
            for (uint64_t c = 0; c < comps; ++c, p += 4) {
                const uint32_t bits = littleEndian ? base::ReadLe32(p) : base::ReadBe32(p);
                float f32;
                std::memcpy(&f32, &bits, 4);
                v[c] = FloatToUnorm8(f32);
            }
            row[x] = colour ? PackArgb(255, v[0], v[1], v[2]) : Grey(v[0]);
        }
    }
    img.fileKind = D3DXIFF_PFM;
    img.fileFormat = colour ? D3DFMT_A32B32G32R32F : D3DFMT_R32F;
    img.loadFormat = colour ? D3DFMT_X8R8G8B8 : D3DFMT_L8;
    *out = std::move(img);
    return S_OK;
}

HRESULT DecodePnm(ByteView f, char kind, DecodedImage* out)
{
    const bool colour = kind == '3' || kind == '6', text = kind == '2' || kind == '3';
    Tokens t(f, 2);
    uint64_t w, h, maxval;
    if (!t.Count(kMaxTextureSide, &w) || !t.Count(kMaxTextureSide, &h) || !t.Count(65535, &maxval))
        return D3DXERR_INVALIDDATA;
    if (w == 0 || h == 0 || maxval == 0) return D3DXERR_INVALIDDATA;
    const uint64_t comps = colour ? 3 : 1, samples = w * h * comps;
    const uint64_t sampleBytes = maxval > 255 ? 2 : 1;
    size_t data = 0;
    if (text) {
        // Every sample but the last needs a digit and a separator.
        if (samples * 2 > f.size + 1) return D3DXERR_INVALIDDATA;
    } else if (!t.DataStart(&data) || data + samples * sampleBytes > f.size) {
        return D3DXERR_INVALIDDATA;
    }
    if (!PictureSizeAllowed(D3DXIFF_PPM, w, h, f.size)) return D3DXERR_INVALIDDATA;

    DecodedImage img;
    img.argb = ArgbImage(UINT(w), UINT(h));
    const uint8_t* p = f.data + data;
    uint32_t v[3] = {};
    for (uint32_t& texel : img.argb.pixels) {
        for (uint64_t c = 0; c < comps; ++c) {
            uint64_t s;
            if (text) {
                if (!t.Count(maxval, &s)) return D3DXERR_INVALIDDATA;
            } else {
                s = sampleBytes == 2 ? base::ReadBe16(p) : p[0];
                p += sampleBytes;
                if (s > maxval) return D3DXERR_INVALIDDATA;
            }
            v[c] = uint32_t((s * 255 + maxval / 2) / maxval);
        }
        texel = colour ? PackArgb(255, v[0], v[1], v[2]) : Grey(v[0]);
    }
    img.fileKind = D3DXIFF_PPM;
    if (sampleBytes == 2) {
        img.fileFormat = colour ? D3DFMT_A16B16G16R16 : D3DFMT_L16;
        img.loadFormat = colour ? D3DFMT_X8R8G8B8 : D3DFMT_L8;
    } else {
        img.fileFormat = colour ? D3DFMT_X8R8G8B8 : D3DFMT_L8;
    }
    *out = std::move(img);
    return S_OK;
}

}  // namespace

HRESULT DecodeNetpbm(ByteView file, DecodedImage* out)
{
    if (file.size < 3 || file.data[0] != 'P' || !IsSpace(file.data[2])) return D3DXERR_INVALIDDATA;
    switch (file.data[1]) {
        case 'F': return DecodePfm(file, true, out);
        case 'f': return DecodePfm(file, false, out);
        case '2':
        case '3':
        case '5':
        case '6': return DecodePnm(file, char(file.data[1]), out);
        default: return D3DXERR_INVALIDDATA;
    }
}

}  // namespace codecs
