// Fonts for the GDI subset: face names are resolved to font files (gdi_font_files.h: on Linux
// through fontconfig, so "Arial" finds its metric twin) and rasterised by FreeType, with GDI's
// sizes and line metrics.
#include "gdi_font_files.h"
#include "gdi_internal.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace qvgdi {
namespace {

struct FaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using FacePtr = std::unique_ptr<FT_FaceRec_, FaceDeleter>;

// Lives to the end of the process: fonts still held by GDI's tables at exit close their faces
// after every other static is gone.
FT_Library Library()
{
    static FT_Library library = [] {
        FT_Library raw = nullptr;
        return FT_Init_FreeType(&raw) == 0 ? raw : nullptr;
    }();
    return library;
}

// Bytes 0x80..0x9F of the Western ANSI code page (1252); the rest of it is Latin-1.
constexpr std::array<uint16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

FT_ULong ToUnicode(unsigned char ch)
{
    return ch >= 0x80 && ch < 0xA0 ? kCp1252High[ch - 0x80] : ch;
}

constexpr int kLargestHeight = 2048;  // pixels

int CeilDiv(int64_t a, int64_t b) { return static_cast<int>((a + b - 1) / b); }

// A typeface opened and sized for one request, with each character loaded, measured and
// rendered at most once. Fonts made from the same request share it.
class SizedFace {
public:
    SizedFace(FacePtr face, const FontFile& resolved, const QvGdiFontRequest& request)
        : face_(std::move(face))
    {
        // A bold or italic request that could only be met with the regular face is drawn with
        // synthetic strokes, as GDI does.
        embolden_ = request.weight >= FW_SEMIBOLD && !resolved.bold;
        oblique_ = request.italic && !resolved.italic;
        description_ = resolved.family + " " + resolved.style + " (" + resolved.file + ")";
    }

    // Sizes the face as GDI would for the requested height; false if it cannot be sized.
    bool SetHeight(int height)
    {
        FT_Face f = face_.get();
        const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
        const bool windowsMetrics = os2 && os2->version != 0xFFFF && FT_IS_SCALABLE(f) &&
                                    os2->usWinAscent + os2->usWinDescent > 0 && f->units_per_EM > 0;
        if (height == 0) height = -16;
        // One glyph of a larger font would take hundreds of megabytes to render.
        if (height > kLargestHeight || height < -kLargestHeight) return false;
        if (height > 0 && windowsMetrics) {
            // A positive height is the cell: ascent plus descent, so the em is smaller.
            const int64_t cell = os2->usWinAscent + os2->usWinDescent;
            FT_F26Dot6 em = static_cast<FT_F26Dot6>(int64_t{height} * 64 * f->units_per_EM / cell);
            if (FT_Set_Char_Size(f, 0, em, 72, 72) != 0) return false;
            ascent_ = static_cast<int>((int64_t{height} * os2->usWinAscent + cell / 2) / cell);
            descent_ = height - ascent_;
            return true;
        }
        const int ppem = height < 0 ? -height : height;
        if (FT_Set_Pixel_Sizes(f, 0, static_cast<FT_UInt>(ppem)) != 0) return false;
        if (windowsMetrics) {
            ascent_ = CeilDiv(int64_t{os2->usWinAscent} * ppem, f->units_per_EM);
            descent_ = CeilDiv(int64_t{os2->usWinDescent} * ppem, f->units_per_EM);
        } else {
            ascent_ = static_cast<int>((f->size->metrics.ascender + 63) >> 6);
            descent_ = static_cast<int>((-f->size->metrics.descender + 63) >> 6);
        }
        return true;
    }

    int Ascent() const { return ascent_; }
    int Descent() const { return descent_; }
    const std::string& Describe() const { return description_; }

    bool Advance(unsigned char ch, int* advance)
    {
        const Glyph& glyph = GlyphOf(ch);
        if (!glyph.measured) return false;
        *advance = glyph.advance;
        return true;
    }

    bool Render(unsigned char ch, QvGdiGlyphImage* image)
    {
        const Glyph& glyph = GlyphOf(ch);
        if (!glyph.drawn) return false;
        *image = glyph.image;
        return true;
    }

private:
    struct Glyph {
        bool loaded = false;
        bool measured = false;  // loaded: the advance is known
        bool drawn = false;     // and rendered into coverage GDI can blend
        int advance = 0;
        QvGdiGlyphImage image;
    };

    const Glyph& GlyphOf(unsigned char ch)
    {
        Glyph& glyph = glyphs_[ch];
        if (glyph.loaded) return glyph;
        glyph.loaded = true;
        FT_UInt index = FT_Get_Char_Index(face_.get(), ToUnicode(ch));
        if (FT_Load_Glyph(face_.get(), index, FT_LOAD_DEFAULT) != 0) return glyph;
        FT_GlyphSlot slot = face_->glyph;
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            if (oblique_) FT_GlyphSlot_Oblique(slot);
            if (embolden_) FT_GlyphSlot_Embolden(slot);
        }
        glyph.measured = true;
        glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
            return glyph;
        const FT_Bitmap& bm = slot->bitmap;
        if (bm.pixel_mode != FT_PIXEL_MODE_GRAY && bm.pixel_mode != FT_PIXEL_MODE_MONO) return glyph;
        QvGdiGlyphImage& image = glyph.image;
        image.left = slot->bitmap_left;
        image.top = slot->bitmap_top;
        image.width = static_cast<int>(bm.width);
        image.rows = static_cast<int>(bm.rows);
        image.coverage.assign(static_cast<size_t>(bm.width) * bm.rows, 0);
        for (unsigned r = 0; r < bm.rows; ++r) {
            const unsigned char* src = bm.pitch >= 0
                                           ? bm.buffer + static_cast<size_t>(r) * bm.pitch
                                           : bm.buffer + static_cast<size_t>(bm.rows - 1 - r) * -bm.pitch;
            unsigned char* dst = &image.coverage[static_cast<size_t>(r) * bm.width];
            for (unsigned k = 0; k < bm.width; ++k) {
                if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
                    dst[k] = static_cast<unsigned char>(src[k] * 255 / (bm.num_grays > 1 ? bm.num_grays - 1 : 255));
                else
                    dst[k] = (src[k / 8] & (0x80 >> (k % 8))) ? 255 : 0;
            }
        }
        glyph.drawn = true;
        return glyph;
    }

    FacePtr face_;
    bool embolden_ = false;
    bool oblique_ = false;
    int ascent_ = 0;
    int descent_ = 0;
    std::string description_;
    std::array<Glyph, 256> glyphs_;
};

class FreeTypeFace : public QvGdiFace {
public:
    explicit FreeTypeFace(std::shared_ptr<SizedFace> sized) : sized_(std::move(sized)) {}
    int Ascent() const override { return sized_->Ascent(); }
    int Descent() const override { return sized_->Descent(); }
    std::string Describe() const override { return sized_->Describe(); }
    bool Advance(unsigned char ch, int* advance) override { return sized_->Advance(ch, advance); }
    bool Render(unsigned char ch, QvGdiGlyphImage* image) override { return sized_->Render(ch, image); }

private:
    std::shared_ptr<SizedFace> sized_;
};

class FreeTypeRasteriser : public QvGdiRasteriser {
public:
    std::unique_ptr<QvGdiFace> OpenFace(const QvGdiFontRequest& request) override
    {
        // A program tends to ask for the same few fonts again (a font rebuilt, two of a kind):
        // the last few sized faces are kept, so those cost neither a look-up nor a glyph.
        for (auto it = recent_.begin(); it != recent_.end(); ++it) {
            if (SameRequest(it->first, request)) {
                std::rotate(recent_.begin(), it, it + 1);
                return std::make_unique<FreeTypeFace>(recent_.front().second);
            }
        }
        FontFile resolved;
        if (!Library() || !FindFontFile(request, &resolved)) return nullptr;
        FT_Face raw = nullptr;
        if (FT_New_Face(Library(), resolved.file.c_str(), resolved.index, &raw) != 0) return nullptr;
        auto sized = std::make_shared<SizedFace>(FacePtr(raw), resolved, request);
        if (!sized->SetHeight(request.height)) return nullptr;
        if (recent_.size() == kRecentFaces) recent_.pop_back();
        recent_.insert(recent_.begin(), {request, sized});
        return std::make_unique<FreeTypeFace>(std::move(sized));
    }

private:
    static constexpr size_t kRecentFaces = 4;
    static bool SameRequest(const QvGdiFontRequest& a, const QvGdiFontRequest& b)
    {
        return a.faceName == b.faceName && a.height == b.height && a.weight == b.weight && a.italic == b.italic;
    }
    std::vector<std::pair<QvGdiFontRequest, std::shared_ptr<SizedFace>>> recent_;
};

QvGdiRasteriser* g_standIn = nullptr;

}  // namespace

QvGdiRasteriser& CurrentRasteriser()
{
    static FreeTypeRasteriser freeType;
    return g_standIn ? *g_standIn : freeType;
}

}  // namespace qvgdi

using namespace qvgdi;

void QvGdiSetRasteriser(QvGdiRasteriser* rasteriser) { g_standIn = rasteriser; }

std::string QvGdiDescribeFont(HFONT font)
{
    Font* f = LookupFont(font);
    QvGdiFace* face = f ? f->Face() : nullptr;
    return face ? face->Describe() : std::string();
}

HFONT WINAPI CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight,
                         DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet,
                         DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality,
                         DWORD iPitchAndFamily, LPCSTR pszFaceName)
{
    // Width, angles, underline, strike-out and the matching hints do not change what is drawn
    // here: text is always upright, antialiased and of the face's own width.
    (void)cWidth, (void)cEscapement, (void)cOrientation, (void)bUnderline, (void)bStrikeOut;
    (void)iCharSet, (void)iOutPrecision, (void)iClipPrecision, (void)iQuality, (void)iPitchAndFamily;
    QvGdiFontRequest request;
    // GDI face names hold at most 31 characters; never read further than that.
    if (pszFaceName) request.faceName.assign(pszFaceName, strnlen(pszFaceName, 31));
    request.height = cHeight;
    request.weight = cWeight <= 0 ? FW_NORMAL : cWeight;
    request.italic = bItalic != 0;
    if (request.height == INT32_MIN) return nullptr;
    std::unique_ptr<QvGdiFace> face = CurrentRasteriser().OpenFace(request);
    if (!face) return nullptr;
    auto font = std::make_unique<Font>(request);
    font->SetFace(std::move(face));
    return Register(std::move(font));
}
