// The GDI text subset: MulDiv, font look-up and metrics, drawing into DIB sections, handle
// bookkeeping and what it refuses.
#include <gtest/gtest.h>

#include <qv_gdi.h>
#include <windows.h>

#include <climits>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// A memory context with a w x h top-down DIB section selected, deleted at the end.
struct Canvas {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    DWORD* pixels = nullptr;
    int width, height;
    Canvas(int w, int h, bool topDown = true) : width(w), height(h)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = topDown ? -h : h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels = static_cast<DWORD*>(bits);
        previous = SelectObject(dc, bitmap);
    }
    ~Canvas()
    {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    DWORD At(int x, int y) const { return pixels[y * width + x]; }
};

// A real font selected into a canvas for the length of a test.
struct Selected {
    HDC dc;
    HFONT font;
    HGDIOBJ previous;
    Selected(HDC d, HFONT f) : dc(d), font(f), previous(SelectObject(d, f)) {}
    ~Selected()
    {
        SelectObject(dc, previous);
        DeleteObject(font);
    }
};

HFONT Font(const char* face, int height, int weight = FW_NORMAL, DWORD italic = FALSE)
{
    return CreateFontA(height, 0, 0, 0, weight, italic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, face);
}

class GdiTest : public ::testing::Test {
protected:
    void SetUp() override { before_ = QvGdiLiveObjectCount(); }
    void TearDown() override { EXPECT_EQ(QvGdiLiveObjectCount(), before_) << "GDI objects leaked"; }

private:
    int before_ = 0;
};

TEST(MulDiv, RoundsHalvesAwayFromZeroThroughSixtyFourBits)
{
    EXPECT_EQ(MulDiv(14, 96, 72), 19);   // 18.67
    EXPECT_EQ(MulDiv(16, 96, 72), 21);   // 21.33
    EXPECT_EQ(MulDiv(3, 1, 2), 2);       // 1.5
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);     // -1.5
    EXPECT_EQ(MulDiv(5, 1, -2), -3);     // -2.5
    EXPECT_EQ(MulDiv(-5, -1, 2), 3);
    EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
    EXPECT_EQ(MulDiv(INT_MIN, 1, 1), INT_MIN);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
    EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1) << "a result past int is -1";
}

TEST_F(GdiTest, FaceNamesResolveToTheirMetricTwins)
{
    HFONT arial = Font("Arial", -19);
    ASSERT_NE(arial, nullptr);
    EXPECT_NE(QvGdiDescribeFont(arial).find("Liberation Sans Regular"), std::string::npos)
        << QvGdiDescribeFont(arial);
    HFONT bold = Font("Arial", -19, FW_BOLD);
    EXPECT_NE(QvGdiDescribeFont(bold).find("Bold"), std::string::npos) << QvGdiDescribeFont(bold);
    HFONT tahoma = Font("Tahoma", -21);
    EXPECT_NE(tahoma, nullptr) << "Wine's Tahoma where installed, else its best match";
    HFONT unknown = Font("No Such Face At All", -12);
    EXPECT_NE(unknown, nullptr) << "GDI substitutes an unknown face too";
    EXPECT_EQ(QvGdiDescribeFont(nullptr), "");
    for (HFONT f : {arial, bold, tahoma, unknown}) EXPECT_TRUE(DeleteObject(f));
}

// Matches are remembered: a weight asked again, or one fontconfig cannot tell apart, gets the
// same face, and another weight or slant never gets a remembered face that is not its own.
TEST_F(GdiTest, RememberedMatchesKeepWeightsAndSlantsApart)
{
    const auto describe = [](int weight, DWORD italic, const std::string& face = "Arial") {
        HFONT f = Font(face.c_str(), -19, weight, italic);
        std::string d = QvGdiDescribeFont(f);
        EXPECT_TRUE(DeleteObject(f));
        return d;
    };
    const std::string regular = describe(FW_NORMAL, FALSE);
    const std::string bold = describe(FW_BOLD, FALSE);
    const std::string italic = describe(FW_NORMAL, TRUE);
    EXPECT_NE(regular, bold);
    EXPECT_NE(regular, italic);
    EXPECT_EQ(describe(FW_NORMAL, FALSE), regular);
    EXPECT_EQ(describe(5000, FALSE), describe(1000, FALSE)) << "past 1000 is the heaviest";
    for (int i = 0; i < 300; ++i) describe(FW_BOLD, FALSE, "No Face " + std::to_string(i));  // more than are kept
    EXPECT_EQ(describe(FW_BOLD, FALSE), bold);
    EXPECT_EQ(describe(FW_NORMAL, TRUE), italic);
}

TEST_F(GdiTest, LineHeightIsTheCeiledWindowsAscentAndDescent)
{
    Canvas canvas(4, 4);
    {
        // Liberation Sans keeps Arial's winAscent 1854 and winDescent 434 of 2048: at 19 pixels
        // that is ceil(17.2) + ceil(4.03).
        Selected arial(canvas.dc, Font("Arial", -19));
        SIZE size = {};
        ASSERT_TRUE(GetTextExtentPoint32A(canvas.dc, "x", 1, &size));
        EXPECT_EQ(size.cy, 23);
        SIZE two = {};
        ASSERT_TRUE(GetTextExtentPoint32A(canvas.dc, "xx", 2, &two));
        EXPECT_EQ(two.cx, 2 * size.cx);
        SIZE wide = {}, narrow = {};
        GetTextExtentPoint32A(canvas.dc, "W", 1, &wide);
        GetTextExtentPoint32A(canvas.dc, "i", 1, &narrow);
        EXPECT_GT(wide.cx, narrow.cx) << "a proportional face";
    }
    {
        // A positive height is the whole cell.
        Selected cell(canvas.dc, Font("Arial", 20));
        SIZE size = {};
        ASSERT_TRUE(GetTextExtentPoint32A(canvas.dc, "x", 1, &size));
        EXPECT_EQ(size.cy, 20);
    }
}

TEST_F(GdiTest, TextIsDrawnInTheTextColourOverAnOpaqueCell)
{
    Canvas canvas(64, 32);
    Selected arial(canvas.dc, Font("Arial", -19));
    SetTextColor(canvas.dc, 0x00FFFFFF);
    SetBkColor(canvas.dc, 0x00302010);  // red 0x10, green 0x20, blue 0x30
    SetTextAlign(canvas.dc, TA_LEFT | TA_TOP);
    SIZE size = {};
    ASSERT_TRUE(GetTextExtentPoint32A(canvas.dc, "I", 1, &size));
    ASSERT_TRUE(ExtTextOutA(canvas.dc, 10, 2, ETO_OPAQUE, nullptr, "I", 1, nullptr));

    EXPECT_EQ(canvas.At(10, 2), 0x00102030u) << "background in the DIB's B, G, R order";
    EXPECT_EQ(canvas.At(9, 2), 0u) << "left of the cell is untouched";
    EXPECT_EQ(canvas.At(10 + size.cx, 2), 0u) << "right of the cell is untouched";
    EXPECT_EQ(canvas.At(10, 2 + size.cy), 0u) << "below the cell is untouched";
    EXPECT_EQ(canvas.At(10, 2 + size.cy - 1), 0x00102030u);
    // The stem of the I: full coverage is the text colour, between the cap height and baseline.
    int full = 0;
    for (int y = 2; y < 2 + size.cy; ++y)
        for (int x = 10; x < 10 + size.cx; ++x)
            if (canvas.At(x, y) == 0x00FFFFFFu) ++full;
    EXPECT_GE(full, 10);
    // Nothing of the I hangs below the baseline at y + ascent (ascent 18).
    for (int x = 10; x < 10 + size.cx; ++x) EXPECT_EQ(canvas.At(x, 2 + 18), 0x00102030u);
}

TEST_F(GdiTest, WhiteOnBlackCarriesCoverageInEveryChannel)
{
    Canvas canvas(32, 32);
    Selected arial(canvas.dc, Font("Arial", -19));
    SetTextColor(canvas.dc, 0x00FFFFFF);
    SetBkColor(canvas.dc, 0);
    ASSERT_TRUE(ExtTextOutA(canvas.dc, 4, 4, ETO_OPAQUE, nullptr, "O", 1, nullptr));
    int partial = 0;
    for (int i = 0; i < 32 * 32; ++i) {
        DWORD p = canvas.pixels[i];
        EXPECT_EQ(p & 0xFF, (p >> 8) & 0xFF);
        EXPECT_EQ(p & 0xFF, (p >> 16) & 0xFF);
        EXPECT_EQ(p >> 24, 0u);
        if ((p & 0xFF) != 0 && (p & 0xFF) != 0xFF) ++partial;
    }
    EXPECT_GT(partial, 4) << "antialiased edges";
}

TEST_F(GdiTest, GlyphsAreClippedToTheBitmapWhereverTheyAreDrawn)
{
    // ASan watches the pixel memory; the text must also stay off a canary row.
    Canvas canvas(8, 9);
    Selected arial(canvas.dc, Font("Arial", -40, FW_BOLD, TRUE));
    SetTextColor(canvas.dc, 0x00FFFFFF);
    const char text[] = "Wj@_";
    for (auto [x, y] : {std::pair{-20, -20}, {-3, -30}, {4, 4}, {7, 8}, {INT_MAX - 5, 0}, {0, INT_MIN + 1},
                        {INT_MIN, INT_MAX}})
        EXPECT_TRUE(ExtTextOutA(canvas.dc, x, y, ETO_OPAQUE, nullptr, text, 4, nullptr));
    RECT clip = {0, 0, 8, 4};
    std::memset(canvas.pixels, 0, 8 * 9 * 4);
    EXPECT_TRUE(ExtTextOutA(canvas.dc, -2, -10, ETO_OPAQUE | ETO_CLIPPED, &clip, text, 4, nullptr));
    for (int y = 4; y < 9; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(canvas.At(x, y), 0u) << "outside the clip rectangle";
}

TEST_F(GdiTest, BottomUpSectionsKeepTheirFirstRowAtTheBottom)
{
    Canvas canvas(8, 8, false);
    Selected arial(canvas.dc, Font("Arial", -8));
    SetBkColor(canvas.dc, 0x000000FF);
    RECT top = {0, 0, 8, 1};
    ASSERT_TRUE(ExtTextOutA(canvas.dc, 100, 0, ETO_OPAQUE, &top, "", 0, nullptr));
    EXPECT_EQ(canvas.pixels[7 * 8], 0x00FF0000u) << "row 0 of the image is the last in memory";
    EXPECT_EQ(canvas.pixels[0], 0u);
}

TEST_F(GdiTest, DibSectionsOtherThanThirtyTwoBitRgbAreRefused)
{
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = reinterpret_cast<void*>(1);
    auto refused = [&](BITMAPINFOHEADER h, UINT usage = DIB_RGB_COLORS) {
        BITMAPINFO i = {};
        i.bmiHeader = h;
        bits = reinterpret_cast<void*>(1);
        HBITMAP b = CreateDIBSection(nullptr, &i, usage, &bits, nullptr, 0);
        if (b) DeleteObject(b);
        return b == nullptr && bits == nullptr;
    };
    BITMAPINFOHEADER h = info.bmiHeader;
    EXPECT_TRUE(refused({h.biSize, 16, -16, 1, 24, BI_RGB, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(refused({h.biSize, 16, -16, 1, 32, 3, 0, 0, 0, 0, 0}));  // BI_BITFIELDS
    EXPECT_TRUE(refused({h.biSize, 0, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(refused({h.biSize, 16, 0, 1, 32, BI_RGB, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(refused({h.biSize, 16, INT32_MIN, 1, 32, BI_RGB, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(refused({h.biSize, 16, -16, 2, 32, BI_RGB, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(refused({12, 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(refused({h.biSize, 1 << 20, -(1 << 20), 1, 32, BI_RGB, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(refused(h, 1));  // DIB_PAL_COLORS
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);

    HBITMAP ok = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(ok, nullptr);
    const DWORD* pixels = static_cast<const DWORD*>(bits);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(pixels[i], 0u) << "a new section is black";
    EXPECT_TRUE(DeleteObject(ok));
}

TEST_F(GdiTest, HandlesAreCheckedBeforeTheyAreUsed)
{
    Canvas canvas(4, 4);
    HFONT font = Font("Arial", -12);
    HGDIOBJ stockFont = SelectObject(canvas.dc, font);
    ASSERT_NE(stockFont, nullptr);
    EXPECT_FALSE(DeleteObject(font)) << "a selected font stays alive";
    EXPECT_EQ(SelectObject(canvas.dc, stockFont), font);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_FALSE(DeleteObject(font)) << "twice is refused";
    EXPECT_EQ(SelectObject(canvas.dc, font), nullptr) << "a deleted handle is not followed";

    HDC other = CreateCompatibleDC(canvas.dc);
    EXPECT_EQ(SelectObject(other, canvas.bitmap), nullptr) << "one bitmap, one context";
    EXPECT_TRUE(DeleteDC(other));
    EXPECT_FALSE(DeleteDC(other));

    HDC bogus = reinterpret_cast<HDC>(&canvas);
    SIZE size;
    EXPECT_EQ(CreateCompatibleDC(bogus), nullptr);
    EXPECT_EQ(GetDeviceCaps(bogus, LOGPIXELSY), 0);
    EXPECT_EQ(GetDeviceCaps(canvas.dc, LOGPIXELSY), 96);
    EXPECT_EQ(SetMapMode(canvas.dc, MM_TEXT), MM_TEXT);
    EXPECT_EQ(SetTextColor(bogus, 0), CLR_INVALID);
    EXPECT_FALSE(GetTextExtentPoint32A(bogus, "x", 1, &size));
    EXPECT_FALSE(GetTextExtentPoint32A(canvas.dc, "x", 1, nullptr));
    EXPECT_FALSE(GetTextExtentPoint32A(canvas.dc, "x", -1, &size));
    EXPECT_FALSE(GetTextExtentPoint32A(canvas.dc, nullptr, 1, &size));
    EXPECT_FALSE(ExtTextOutA(canvas.dc, 0, 0, 0, nullptr, nullptr, 1, nullptr));
    EXPECT_FALSE(ExtTextOutA(bogus, 0, 0, 0, nullptr, "x", 1, nullptr));
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(&size)));
}

TEST_F(GdiTest, NoFontIsNullAndLongFaceNamesAreReadOnlyAsFarAsGdiReads)
{
    struct NoFonts : QvGdiRasteriser {
        std::unique_ptr<QvGdiFace> OpenFace(const QvGdiFontRequest&) override { return nullptr; }
    } none;
    QvGdiSetRasteriser(&none);
    EXPECT_EQ(Font("Arial", -12), nullptr);
    QvGdiSetRasteriser(nullptr);
    EXPECT_EQ(Font("Arial", -100000), nullptr) << "no glyph too large to render";
    EXPECT_EQ(Font("Arial", INT_MIN), nullptr);

    auto unterminated = std::make_unique<char[]>(31);
    std::memset(unterminated.get(), 'Z', 31);
    HFONT font = Font(unterminated.get(), -12);
    EXPECT_NE(font, nullptr);
    DeleteObject(font);
}

}  // namespace

namespace {

// What "Hig" looks like drawn white on black with `font` into a fresh 48 x 32 canvas.
std::vector<DWORD> Drawn(HFONT font)
{
    Canvas canvas(48, 32);
    HGDIOBJ previous = SelectObject(canvas.dc, font);
    SetTextColor(canvas.dc, 0x00FFFFFF);
    SetBkColor(canvas.dc, 0);
    EXPECT_TRUE(ExtTextOutA(canvas.dc, 2, 2, ETO_OPAQUE, nullptr, "Hig", 3, nullptr));
    SelectObject(canvas.dc, previous);
    return std::vector<DWORD>(canvas.pixels, canvas.pixels + 48 * 32);
}

}  // namespace

// Fonts made from the same request share one sized face and its glyphs; each font still owns
// its handle, and a face outlives whichever of its fonts goes first, and its place among the
// recently used.
TEST_F(GdiTest, FontsOfOneRequestShareTheirGlyphsAndOutliveEachOther)
{
    HFONT first = Font("Arial", -19);
    const std::vector<DWORD> alone = Drawn(first);
    HFONT second = Font("Arial", -19);
    HFONT bold = Font("Arial", -19, FW_BOLD);
    ASSERT_NE(first, second);
    EXPECT_EQ(Drawn(second), alone);
    EXPECT_NE(Drawn(bold), alone);
    EXPECT_TRUE(DeleteObject(first));
    EXPECT_EQ(Drawn(second), alone) << "the shared face lives on with the second font";

    // Enough other requests to push Arial 19 out of the recent faces.
    std::vector<HFONT> others;
    for (int height = -10; height > -18; --height) {
        others.push_back(Font("Arial", height));
        Drawn(others.back());
    }
    EXPECT_EQ(Drawn(second), alone);
    HFONT again = Font("Arial", -19);
    EXPECT_EQ(Drawn(again), alone);
    for (HFONT f : others) DeleteObject(f);
    DeleteObject(again);
    DeleteObject(second);
    DeleteObject(bold);
}
