// Text measuring and drawing into the bitmap selected in a memory context. Every glyph is
// clipped to the bitmap (and to the caller's rectangle with ETO_CLIPPED), so no string, font
// or position can write outside the pixels.
#include "gdi_internal.h"

#include <algorithm>
#include <climits>

namespace qvgdi {
namespace {

struct Box {
    int64_t left, top, right, bottom;
    Box Intersect(const Box& o) const
    {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
                std::min(bottom, o.bottom)};
    }
};

Box BoundsOf(Bitmap& bitmap) { return {0, 0, bitmap.width(), bitmap.height()}; }
Box BoxOf(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

void Fill(Bitmap& bitmap, const Box& area, COLORREF color)
{
    Box b = area.Intersect(BoundsOf(bitmap));
    if (b.left >= b.right || b.top >= b.bottom) return;
    // COLORREF keeps red in the low byte; the DIB keeps blue there.
    uint32_t pixel = ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
    for (int64_t y = b.top; y < b.bottom; ++y) {
        uint32_t* row = bitmap.Row(static_cast<int>(y));
        std::fill(row + b.left, row + b.right, pixel);
    }
}

uint32_t BlendChannel(uint32_t dst, uint32_t src, uint32_t coverage)
{
    return (src * coverage + dst * (255 - coverage) + 127) / 255;
}

// Lays the text colour over what is there, by the glyph's coverage, channel by channel.
void Blend(Bitmap& bitmap, const QvGdiGlyphImage& image, int64_t originX, int64_t originY,
           const Box& clip, COLORREF color)
{
    if (image.width <= 0 || image.rows <= 0 ||
        image.coverage.size() < static_cast<size_t>(image.width) * static_cast<size_t>(image.rows))
        return;
    Box glyph{originX, originY, originX + image.width, originY + image.rows};
    Box b = glyph.Intersect(clip);
    const uint32_t r = color & 0xFF, g = (color >> 8) & 0xFF, bl = (color >> 16) & 0xFF;
    for (int64_t y = b.top; y < b.bottom; ++y) {
        uint32_t* row = bitmap.Row(static_cast<int>(y));
        const unsigned char* src = &image.coverage[static_cast<size_t>(y - originY) * image.width];
        for (int64_t x = b.left; x < b.right; ++x) {
            uint32_t a = src[x - originX];
            if (a == 0) continue;
            uint32_t d = row[x];
            row[x] = (BlendChannel((d >> 16) & 0xFF, r, a) << 16) |
                     (BlendChannel((d >> 8) & 0xFF, g, a) << 8) | BlendChannel(d & 0xFF, bl, a);
        }
    }
}

// Advances of the characters (or the caller's spacing) and their sum; false if any character
// cannot be measured or the sum leaves the int range.
bool Measure(QvGdiFace& face, LPCSTR text, int count, const INT* dx, std::vector<int>* advances,
             int64_t* total)
{
    advances->resize(static_cast<size_t>(count));
    *total = 0;
    for (int i = 0; i < count; ++i) {
        int advance = 0;
        if (dx)
            advance = dx[i];
        else if (!face.Advance(static_cast<unsigned char>(text[i]), &advance))
            return false;
        (*advances)[i] = advance;
        *total += advance;
        if (*total > INT_MAX || *total < INT_MIN) return false;
    }
    return true;
}

QvGdiFace* FaceOf(Dc* dc) { return dc && dc->font ? dc->font->Face() : nullptr; }

}  // namespace
}  // namespace qvgdi

using namespace qvgdi;

BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl)
{
    QvGdiFace* face = FaceOf(LookupDc(hdc));
    if (!face || !psizl || c < 0 || (c > 0 && !lpString)) return FALSE;
    std::vector<int> advances;
    int64_t width = 0;
    if (!Measure(*face, lpString, c, nullptr, &advances, &width)) return FALSE;
    psizl->cx = static_cast<LONG>(width);
    psizl->cy = face->Ascent() + face->Descent();
    return TRUE;
}

BOOL WINAPI ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCSTR lpString,
                        UINT c, const INT* lpDx)
{
    Dc* dc = LookupDc(hdc);
    QvGdiFace* face = FaceOf(dc);
    if (!face || c > INT_MAX || (c > 0 && !lpString)) return FALSE;
    const int count = static_cast<int>(c);
    std::vector<int> advances;
    int64_t width = 0;
    if (!Measure(*face, lpString, count, lpDx, &advances, &width)) return FALSE;

    const int64_t ascent = face->Ascent();
    const int64_t height = ascent + face->Descent();
    int64_t left = x;
    int64_t top = y;
    if ((dc->textAlign & TA_CENTER) == TA_CENTER)
        left -= width / 2;
    else if (dc->textAlign & TA_RIGHT)
        left -= width;
    if ((dc->textAlign & TA_BASELINE) == TA_BASELINE)
        top -= ascent;
    else if (dc->textAlign & TA_BOTTOM)
        top -= height;

    Bitmap& target = *dc->bitmap;
    Box clip = BoundsOf(target);
    if ((options & ETO_CLIPPED) && lprect) clip = clip.Intersect(BoxOf(*lprect));
    if ((options & ETO_OPAQUE) && lprect) Fill(target, BoxOf(*lprect), dc->bkColor);
    // The context's background mode is opaque: the character cell takes the background colour.
    Fill(target, Box{left, top, left + width, top + height}.Intersect(clip), dc->bkColor);

    QvGdiGlyphImage image;
    int64_t pen = left;
    for (int i = 0; i < count; ++i) {
        if (!face->Render(static_cast<unsigned char>(lpString[i]), &image)) return FALSE;
        Blend(target, image, pen + image.left, top + ascent - image.top, clip, dc->textColor);
        pen += advances[i];
    }
    return TRUE;
}
