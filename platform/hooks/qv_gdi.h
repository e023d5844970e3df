// Hooks into GDI text for tests and tools: a way to put another rasteriser behind CreateFontA
// (Linux only: the FreeType substitute is built for it), to see which typeface a font resolved
// to, and to count the GDI objects still alive. The game itself never calls these.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// What CreateFontA asks of a typeface once its arguments are decoded.
struct QvGdiFontRequest {
    std::string faceName;
    int height = 0;  // as given: negative is the em height, positive the cell height, 0 a default
    int weight = FW_NORMAL;
    bool italic = false;
};

// One character's coverage (0 none, 255 full), row after row. Its top-left pixel sits `left`
// pixels right of the pen and `top` pixels above the baseline.
struct QvGdiGlyphImage {
    int left = 0;
    int top = 0;
    int width = 0;
    int rows = 0;
    std::vector<unsigned char> coverage;
};

// A typeface opened at one pixel size. Characters are the bytes of the ANSI code page.
class QvGdiFace {
public:
    virtual ~QvGdiFace() = default;
    // Whole pixels above and below the baseline; their sum is the line height.
    virtual int Ascent() const = 0;
    virtual int Descent() const = 0;
    // Advance width in whole pixels; false when the character cannot be measured.
    virtual bool Advance(unsigned char ch, int* advance) = 0;
    // False when the character cannot be drawn.
    virtual bool Render(unsigned char ch, QvGdiGlyphImage* image) = 0;
    // Family, style and file, for people reading tool output.
    virtual std::string Describe() const = 0;
};

class QvGdiRasteriser {
public:
    virtual ~QvGdiRasteriser() = default;
    // Null when no typeface can be had for the request.
    virtual std::unique_ptr<QvGdiFace> OpenFace(const QvGdiFontRequest& request) = 0;
};

// Fonts created after this call are opened by `rasteriser` (borrowed; it must outlive the
// calls to CreateFontA that use it); null puts FreeType and fontconfig back. Fonts already
// created keep the face they were opened with.
void QvGdiSetRasteriser(QvGdiRasteriser* rasteriser);

// The typeface behind a font handle ("Liberation Sans Regular (/usr/share/...)"); empty when
// the handle is not a live font.
std::string QvGdiDescribeFont(HFONT font);

// Fonts, bitmaps and device contexts created and not yet deleted (stock objects not counted).
int QvGdiLiveObjectCount();
