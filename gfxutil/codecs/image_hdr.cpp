// Radiance RGBE (.hdr): flat, run-length (per component, the common kind) and the old
// per-pixel repeat codes, in any of the eight orientations the resolution line can name.
// Colours above 1 saturate: the texture keeps 8 bits a channel.
#include "gfxutil/codecs/image_decode.h"
#include "gfxutil/texels/image_format.h"

#include "base/byte_order.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace codecs {

using namespace texels;

namespace {

struct Rgbe {
    uint8_t r, g, b, e;
};


// Mantissa times 2^(e - 136), so that a zero mantissa beside a bright channel stays black
// and 128 at 129 is exactly 1.
uint32_t ToArgb(Rgbe p)
{
    if (p.e == 0) return PackArgb(255, 0, 0, 0);
    const float scale = std::ldexp(1.0f, int(p.e) - (128 + 8));
    return PackArgb(255, FloatToUnorm8(p.r * scale), FloatToUnorm8(p.g * scale),
                    FloatToUnorm8(p.b * scale));
}

// One line of text starting at `pos`, without its newline; false at the end of the data.
bool NextLine(ByteView f, size_t* pos, std::string* line)
{
    if (*pos >= f.size) return false;
    const void* nl = std::memchr(f.data + *pos, '\n', f.size - *pos);
    if (!nl) return false;
    const size_t end = size_t(static_cast<const uint8_t*>(nl) - f.data);
    line->assign(reinterpret_cast<const char*>(f.data + *pos), end - *pos);
    *pos = end + 1;
    return true;
}

// "-Y 480 +X 640" and its seven siblings: the first axis is the one that changes slowest.
struct Orientation {
    bool xMajor = false;  // scanlines are columns
    bool flipX = false, flipY = false;
    uint64_t width = 0, height = 0;
};

// Digits only, and few enough that the value cannot overflow; sizes are checked later.
bool ParseCount(const std::string& token, uint64_t* out)
{
    if (token.empty() || token.size() > 9) return false;
    *out = 0;
    for (char c : token) {
        if (c < '0' || c > '9') return false;
        *out = *out * 10 + uint64_t(c - '0');
    }
    return true;
}

bool ParseResolution(const std::string& line, Orientation* o)
{
    std::vector<std::string> t;
    for (size_t i = 0; i < line.size();) {
        const size_t end = std::min(line.find(' ', i), line.size());
        if (end > i) t.push_back(line.substr(i, end - i));
        i = end + 1;
    }
    if (t.size() != 4 || t[0].size() != 2 || t[2].size() != 2) return false;
    const char s1 = t[0][0], a1 = t[0][1], s2 = t[2][0], a2 = t[2][1];
    uint64_t n1, n2;
    if (!ParseCount(t[1], &n1) || !ParseCount(t[3], &n2)) return false;
    if ((s1 != '-' && s1 != '+') || (s2 != '-' && s2 != '+')) return false;
    if (!((a1 == 'Y' && a2 == 'X') || (a1 == 'X' && a2 == 'Y'))) return false;
    o->xMajor = a1 == 'X';
    const char sx = o->xMajor ? s1 : s2, sy = o->xMajor ? s2 : s1;
    o->width = o->xMajor ? n1 : n2;
    o->height = o->xMajor ? n2 : n1;
    o->flipX = sx == '-';
    o->flipY = sy == '+';  // +Y runs bottom to top
    return true;
}

class ScanlineReader {
public:
    ScanlineReader(ByteView f, size_t pos) : f_(f), pos_(pos) {}

    bool Read(Rgbe* line, size_t length)
    {
        if (pos_ + 4 > f_.size) return false;
        const uint8_t* p = f_.data + pos_;
        if (length >= 8 && length < 0x8000 && p[0] == 2 && p[1] == 2 && !(p[2] & 0x80)) {
            if (base::ReadBe16(p + 2) != length) return false;
            pos_ += 4;
            return ReadRunLength(line, length);
        }
        return ReadFlat(line, length);
    }

private:
    // Four planes (r, g, b, e), each of runs (count > 128: one byte repeated count - 128
    // times) and literals (count bytes).
    bool ReadRunLength(Rgbe* line, size_t length)
    {
        for (int plane = 0; plane < 4; ++plane) {
            for (size_t i = 0; i < length;) {
                if (pos_ >= f_.size) return false;
                size_t count = f_.data[pos_++];
                const bool run = count > 128;
                if (run) count -= 128;
                if (count == 0 || count > length - i) return false;
                if (pos_ + (run ? 1 : count) > f_.size) return false;
                for (size_t k = 0; k < count; ++k, ++i)
                    Plane(line[i], plane) = f_.data[run ? pos_ : pos_ + k];
                pos_ += run ? 1 : count;
            }
        }
        return true;
    }

    // Pixels as they are, where (1, 1, 1, n) repeats the previous pixel n times, each further
    // such code in a row counting 256 times more.
    bool ReadFlat(Rgbe* line, size_t length)
    {
        int shift = 0;
        for (size_t i = 0; i < length;) {
            if (pos_ + 4 > f_.size) return false;
            const Rgbe p{f_.data[pos_], f_.data[pos_ + 1], f_.data[pos_ + 2], f_.data[pos_ + 3]};
            pos_ += 4;
            if (p.r == 1 && p.g == 1 && p.b == 1) {
                if (i == 0 || shift > 16) return false;
                const size_t count = size_t(p.e) << shift;
                if (count > length - i) return false;
                for (size_t k = 0; k < count; ++k, ++i) line[i] = line[i - 1];
                shift += 8;
            } else {
                line[i++] = p;
                shift = 0;
            }
        }
        return true;
    }

    static uint8_t& Plane(Rgbe& p, int plane)
    {
        return plane == 0 ? p.r : plane == 1 ? p.g : plane == 2 ? p.b : p.e;
    }

    ByteView f_;
    size_t pos_;
};

}  // namespace

HRESULT DecodeHdr(ByteView file, DecodedImage* out)
{
    size_t pos = 0;
    std::string line;
    if (!NextLine(file, &pos, &line) || line.compare(0, 2, "#?") != 0) return D3DXERR_INVALIDDATA;
    // Header lines up to an empty one; only the pixel format matters to us.
    for (;;) {
        if (!NextLine(file, &pos, &line)) return D3DXERR_INVALIDDATA;
        if (line.empty()) break;
        if (line.compare(0, 7, "FORMAT=") == 0 && line != "FORMAT=32-bit_rle_rgbe")
            return D3DXERR_INVALIDDATA;  // XYZE and anything else
    }
    Orientation o;
    if (!NextLine(file, &pos, &line) || !ParseResolution(line, &o)) return D3DXERR_INVALIDDATA;
    if (!PictureSizeAllowed(D3DXIFF_HDR, o.width, o.height, file.size)) return D3DXERR_INVALIDDATA;

    DecodedImage img;
    img.argb = ArgbImage(UINT(o.width), UINT(o.height));
    const size_t lines = size_t(o.xMajor ? o.width : o.height);
    const size_t length = size_t(o.xMajor ? o.height : o.width);
    std::vector<Rgbe> scanline(length);
    ScanlineReader reader(file, pos);
    for (size_t s = 0; s < lines; ++s) {
        if (!reader.Read(scanline.data(), length)) return D3DXERR_INVALIDDATA;
        for (size_t i = 0; i < length; ++i) {
            size_t x = o.xMajor ? s : i, y = o.xMajor ? i : s;
            if (o.flipX) x = size_t(o.width) - 1 - x;
            if (o.flipY) y = size_t(o.height) - 1 - y;
            img.argb.pixels[y * size_t(o.width) + x] = ToArgb(scanline[i]);
        }
    }
    img.fileKind = D3DXIFF_HDR;
    img.fileFormat = D3DFMT_A32B32G32R32F;
    img.loadFormat = D3DFMT_X8R8G8B8;  // the file has no alpha
    *out = std::move(img);
    return S_OK;
}

}  // namespace codecs
