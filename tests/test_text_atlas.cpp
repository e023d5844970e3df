// The glyph atlas: layout, sizes, the shrink for small devices, the texel conversion, and the
// clean-up of every path, on the box rasteriser and a recording device.
#include "test_text_support.h"

#include <cstring>
#include <vector>

namespace {

using Rect = std::array<float, 4>;

Rect RectOf(const CTextureFont& font, int code)
{
    const FLOAT* r = font.glyphRects[code - 32];
    return {r[0], r[1], r[2], r[3]};
}

// A memory context with the stand-in font of `font` selected, for calling LayoutGlyphs alone.
struct LayoutContext {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT gdiFont = nullptr;
    HGDIOBJ previous = nullptr;
    explicit LayoutContext(CTextureFont& font)
    {
        EXPECT_EQ(font.OpenGdiFont(dc, &gdiFont), S_OK);
        previous = SelectObject(dc, gdiFont);
    }
    ~LayoutContext()
    {
        SelectObject(dc, previous);
        DeleteObject(gdiFont);
        DeleteDC(dc);
    }
};

class AtlasTest : public TextTest {
protected:
    void Built(CTextureFont& font, const char* face = "Arial", INT points = 14)
    {
        font.Init(face, points);
        ASSERT_EQ(font.BuildAtlas(), S_OK);
    }
    // The atlas texel at (x, y) in the recording device's texture memory.
    WORD Texel(const CTextureFont& font, UINT x, UINT y)
    {
        auto* texture = dynamic_cast<FakeTexture*>(device.ObjectAt(font.atlasTexture));
        const FakeImage& image = *texture->levels[0];
        WORD texel;
        std::memcpy(&texel, &image.bytes[y * image.pitch + 2 * x], sizeof texel);
        return texel;
    }
};

TEST_F(AtlasTest, WorkedLayoutOfEightBySixteenCharacters)
{
    CTextureFont font;
    font.Init("Arial", 14);
    std::fill(&font.glyphRects[95][0], &font.glyphRects[95][0] + 4, -1.0f);
    ASSERT_EQ(font.BuildAtlas(), S_OK);

    EXPECT_EQ(font.atlasWidth, 256u);
    EXPECT_EQ(font.atlasHeight, 256u);
    EXPECT_EQ(font.cellPadding, 5u);
    EXPECT_EQ(font.rasterScale, 1.0f);
    EXPECT_EQ(RectOf(font, 32), (Rect{0.0f, 0.0f, 0.0703125f, 0.0625f}));
    EXPECT_EQ(RectOf(font, 45), (Rect{0.9140625f, 0.0f, 0.984375f, 0.0625f}));
    EXPECT_EQ(RectOf(font, 46), (Rect{0.0f, 0.06640625f, 0.0703125f, 0.12890625f}));
    EXPECT_EQ(RectOf(font, 126), (Rect{0.703125f, 0.3984375f, 0.7734375f, 0.4609375f}));
    EXPECT_EQ(RectOf(font, 127), (Rect{-1.0f, -1.0f, -1.0f, -1.0f})) << "entry 127 is never written";

    // The characters' ink lands in their cells (padding left and right stays clear), and
    // the last row ends at y = 118.
    EXPECT_EQ(Texel(font, 5, 0), 0xFFFF);
    EXPECT_EQ(Texel(font, 4, 0), 0x0000);
    EXPECT_EQ(Texel(font, 13, 15), 0x0000);
    EXPECT_EQ(Texel(font, 180 + 5, 117), 0xFFFF);
    EXPECT_EQ(Texel(font, 180 + 5, 118), 0x0000);

    const auto creates = device.Calls("CreateTexture");
    ASSERT_EQ(creates.size(), 1u);
    EXPECT_EQ(creates[0].ToString(), "CreateTexture(256, 256, 1, 0, 26, 1, null) -> tex1");
}

TEST_F(AtlasTest, CellPaddingIsThreeTenthsOfTheLineHeightRoundedUp)
{
    for (auto [cy, padding] : {std::pair{10, 3u}, {19, 6u}, {21, 7u}, {50, 16u}}) {
        boxes.cy = cy;
        CTextureFont font;
        font.Init("Arial", 14);
        font.atlasWidth = font.atlasHeight = 4096;
        LayoutContext context(font);
        EXPECT_EQ(font.LayoutGlyphs(context.dc, true), S_OK);
        EXPECT_EQ(font.cellPadding, padding) << "cy = " << cy;
    }
}

TEST_F(AtlasTest, CharacterEndingExactlyAtTheEdgeStaysOnItsRow)
{
    // Cells are 18 pixels wide; the fourteenth (code 45) ends at 252.
    for (auto [width, row] : {std::pair{252u, 0.0f}, {251u, 17.0f}}) {
        CTextureFont font;
        font.Init("Arial", 14);
        font.atlasWidth = width;
        font.atlasHeight = 256;
        LayoutContext context(font);
        ASSERT_EQ(font.LayoutGlyphs(context.dc, false), S_OK);
        EXPECT_EQ(font.glyphRects[45 - 32][1], row / 256.0f) << "width " << width;
    }
}

TEST_F(AtlasTest, AtlasDoublesBothSidesUntilTheCharactersFit)
{
    // 41-pixel rows: seven rows overflow 256 but fit 512.
    boxes.cy = 40;
    CTextureFont a;
    Built(a);
    EXPECT_EQ(a.atlasWidth, 512u);
    EXPECT_EQ(a.atlasHeight, 512u);

    // 68-pixel cells and 101-pixel rows need 1024.
    boxes.cy = 100;
    CTextureFont b;
    Built(b);
    EXPECT_EQ(b.atlasWidth, 1024u);
    EXPECT_EQ(b.atlasHeight, 1024u);
    EXPECT_EQ(device.Calls("CreateTexture").back().ToString(),
              "CreateTexture(1024, 1024, 1, 0, 26, 1, null) -> tex2");
}

TEST_F(AtlasTest, SmallDeviceShrinksTheFontUntilItFitsItsLargestTexture)
{
    // Arial 26 is a 35-pixel em: 25 x 43 boxes need 512 x 512; the device holds 256.
    boxes.scaleWithHeight = true;
    boxes.extra = 8;
    device.caps.MaxTextureWidth = 256;
    device.caps.MaxTextureHeight = 256;
    CTextureFont font;
    Built(font, "Arial", 26);

    EXPECT_EQ(font.atlasWidth, 256u);
    EXPECT_EQ(font.atlasHeight, 256u);
    // 256 / 512 first, then 0.9 a pass in single precision; each pass opens its font at the
    // scaled dpi (48, 43, 38, 34), and the fourth fits.
    std::vector<int> heights;
    for (const auto& request : boxes.requests) heights.push_back(request.height);
    EXPECT_EQ(heights, (std::vector<int>{-35, -17, -16, -14, -12}));
    const float expected = ((0.5f * 0.9f) * 0.9f) * 0.9f;
    EXPECT_EQ(font.rasterScale, expected);
    EXPECT_EQ(device.Calls("CreateTexture").at(0).ToString(),
              "CreateTexture(256, 256, 1, 0, 26, 1, null) -> tex1");
}

TEST_F(AtlasTest, TexelsAreWhiteWithTheTopNibbleOfTheBlueByteAsAlpha)
{
    EXPECT_EQ(AtlasTexel(0x00FFFFFF), 0xFFFF);
    EXPECT_EQ(AtlasTexel(0x00000080), 0x8FFF);
    EXPECT_EQ(AtlasTexel(0x00FFFF0F), 0x0000);
    EXPECT_EQ(AtlasTexel(0x000000F0), 0xFFFF);

    // Half-covered ink drawn white on black reaches the texture as alpha 8.
    boxes.ink = 0x80;
    CTextureFont font;
    Built(font);
    EXPECT_EQ(Texel(font, 5, 0), 0x8FFF);
    EXPECT_EQ(Texel(font, 0, 0), 0x0000);
}

// What font-atlas and the page's ?atlas= write: every texel's alpha as grey, row by row.
TEST_F(AtlasTest, CoverageReadsBackAsTheAlphaNibbleInGrey)
{
    boxes.ink = 0x80;
    CTextureFont font;
    Built(font);
    std::vector<BYTE> grey = {1, 2, 3};
    ASSERT_EQ(ReadAtlasCoverage(font, &grey), S_OK);
    ASSERT_EQ(grey.size(), size_t{font.atlasWidth} * font.atlasHeight);
    EXPECT_EQ(grey[5], 8 * 17);
    EXPECT_EQ(grey[0], 0);
    size_t mismatches = 0;
    for (UINT y = 0; y < font.atlasHeight; ++y) {
        for (UINT x = 0; x < font.atlasWidth; ++x)
            mismatches += grey[y * font.atlasWidth + x] != (Texel(font, x, y) >> 12) * 17;
    }
    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(device.Count("Tex.UnlockRect"), 2u) << "once for the build, once for the read";

    // A lock that fails leaves nothing half read, and no atlas at all is a failure.
    device.Fail("Tex.LockRect", D3DERR_INVALIDCALL, 1);
    EXPECT_EQ(ReadAtlasCoverage(font, &grey), D3DERR_INVALIDCALL);
    EXPECT_TRUE(grey.empty());
    EXPECT_EQ(device.Count("Tex.UnlockRect"), 2u);
    CTextureFont unbuilt;
    unbuilt.Init("Arial", 14);
    grey = {1};
    EXPECT_EQ(ReadAtlasCoverage(unbuilt, &grey), E_FAIL);
    EXPECT_TRUE(grey.empty());
}

TEST_F(AtlasTest, EveryFailureReturnsItsResultAndDeletesTheGdiObjects)
{
    // The fixture's TearDown checks that no GDI object is left after all of these.
    CTextureFont font;
    boxes.refuseFonts = true;
    font.Init("Arial", 14);
    EXPECT_EQ(font.BuildAtlas(), E_FAIL);
    EXPECT_EQ(font.atlasTexture, nullptr);
    boxes.refuseFonts = false;

    boxes.failMeasure = true;
    EXPECT_EQ(font.BuildAtlas(), E_FAIL);
    boxes.failMeasure = false;

    device.Fail("CreateTexture", D3DERR_OUTOFVIDEOMEMORY, 1);
    EXPECT_EQ(font.BuildAtlas(), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(font.atlasTexture, nullptr);

    // A failed draw keeps the texture already made, untouched.
    boxes.failDraw = true;
    EXPECT_EQ(font.BuildAtlas(), E_FAIL);
    EXPECT_NE(font.atlasTexture, nullptr);
    EXPECT_EQ(device.Count("Tex.LockRect"), 0u);
    boxes.failDraw = false;

    // A texture that cannot be locked is neither written nor unlocked.
    device.Fail("Tex.LockRect", D3DERR_INVALIDCALL, 1);
    EXPECT_EQ(font.BuildAtlas(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device.Count("Tex.UnlockRect"), 0u);

    EXPECT_EQ(font.BuildAtlas(), S_OK);
    EXPECT_EQ(device.Count("Tex.UnlockRect"), 1u);
}

TEST_F(AtlasTest, NoDeviceOrNoSizeIsAFailureNotAHang)
{
    CTextureFont font;
    font.Init("Arial", 0);
    EXPECT_EQ(font.BuildAtlas(), E_FAIL) << "a zero point height gives no font";

    // A device that reports no texture size at all: the shrink ends when no pixel is left.
    device.caps.MaxTextureWidth = 0;
    font.Init("Arial", 14);
    EXPECT_EQ(font.BuildAtlas(), E_FAIL);

    IDirect3DDevice9* saved = g_pd3dDevice;
    g_pd3dDevice = nullptr;
    EXPECT_EQ(font.BuildAtlas(), E_FAIL);
    EXPECT_EQ(font.PrepareDrawing(), E_FAIL);
    g_pd3dDevice = saved;
}

TEST_F(AtlasTest, OpenGdiFontAsksForTheEmHeightAtNinetySixDpi)
{
    CTextureFont font;
    font.Init("Tahoma", 16);
    font.styleFlags = TEXTUREFONT_BOLD | TEXTUREFONT_ITALIC;
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT gdiFont = nullptr;
    ASSERT_EQ(font.OpenGdiFont(dc, &gdiFont), S_OK);
    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(boxes.requests[0].faceName, "Tahoma");
    EXPECT_EQ(boxes.requests[0].height, -21);  // 16 pt x 96 / 72 = 21.33
    EXPECT_EQ(boxes.requests[0].weight, FW_BOLD);
    EXPECT_TRUE(boxes.requests[0].italic);
    DeleteObject(gdiFont);
    DeleteDC(dc);
}

}  // namespace
