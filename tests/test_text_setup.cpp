// The engine's text set-up with real fonts, Init's copy of the face name, and a real Arial 14
// atlas whose ink stays inside the character cells.
#include "test_text_support.h"

#include "app/engine.h"
#include "text/engine_text.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace {

class TextSetupTest : public TextTest {
protected:
    void SetUp() override
    {
        TextTest::SetUp();
        UseRealFonts();
    }
    // The atlas texels as the recording device holds them.
    std::vector<WORD> Texels(const CTextureFont& font)
    {
        auto* texture = dynamic_cast<FakeTexture*>(device.ObjectAt(font.atlasTexture));
        const FakeImage& image = *texture->levels[0];
        std::vector<WORD> texels(font.atlasWidth * font.atlasHeight);
        for (UINT y = 0; y < font.atlasHeight; ++y)
            std::memcpy(&texels[y * font.atlasWidth], &image.bytes[y * image.pitch], font.atlasWidth * 2);
        return texels;
    }
};

TEST_F(TextSetupTest, EngineGetsTahomaAndArialFontsAndTheBannerLabel)
{
    CD3DEngine engine;
    SetupEngineText(&engine);
    ASSERT_NE(engine.fonts, nullptr);
    ASSERT_NE(engine.labels, nullptr);
    std::unique_ptr<CTextureFont[]> fonts(engine.fonts);
    std::unique_ptr<CTextLabel[]> labels(engine.labels);
    engine.fonts = nullptr;
    engine.labels = nullptr;

    EXPECT_STREQ(fonts[0].faceName, "Tahoma");
    EXPECT_EQ(fonts[0].pointHeight, 16);
    EXPECT_STREQ(fonts[1].faceName, "Arial");
    EXPECT_EQ(fonts[1].pointHeight, 14);
    EXPECT_EQ(fonts[1].atlasWidth, 256u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(fonts[i].atlasHeight, fonts[i].atlasWidth) << "font " << i;
        EXPECT_NE(fonts[i].atlasTexture, nullptr);
        EXPECT_NE(fonts[i].glyphVertexBuffer, nullptr);
        EXPECT_NE(fonts[i].stateBlockA, nullptr);
        EXPECT_NE(fonts[i].stateBlockB, nullptr);
        EXPECT_EQ(fonts[i].device, &device);
    }
    // Three atlases were built; the first font's Arial one was dropped unreleased.
    EXPECT_EQ(device.Count("CreateTexture"), 3u);
    EXPECT_EQ(device.Count("Tex.Release"), 0u);
    EXPECT_EQ(fonts[0].atlasTexture, device.Texture("tex3"));

    EXPECT_EQ(engine.labelCount, 4);
    const CTextLabel& banner = labels[0];
    EXPECT_EQ(banner.x, 10);
    EXPECT_EQ(banner.y, 50);
    EXPECT_EQ(banner.color, 0xA0C81E6Eu);
    EXPECT_EQ(banner.flags, 0u);
    EXPECT_EQ(banner.visible, 1);
    const char expected[] = "QUORVEL ENGINE 0.2b \xC0\xC1\xC2\xC3\xC4!!!";
    EXPECT_EQ(std::strlen(banner.text), 28u);
    EXPECT_EQ(std::memcmp(banner.text, expected, sizeof expected), 0);
}

TEST_F(TextSetupTest, InitCopiesAtMostEightyBytesEvenFromItself)
{
    CTextureFont font;
    font.atlasWidth = 512;
    font.rasterScale = 0.5f;
    std::memcpy(font.faceName, "Tahoma", 7);
    font.Init(font.faceName, 16);
    EXPECT_STREQ(font.faceName, "Tahoma");
    EXPECT_EQ(font.pointHeight, 16);
    EXPECT_EQ(font.atlasWidth, 512u) << "Init leaves the atlas size";
    EXPECT_EQ(font.rasterScale, 0.5f);

    // Exactly 80 bytes with no terminator: the copy stops at the buffer's end (ASan watches).
    auto unterminated = std::make_unique<char[]>(80);
    std::memset(unterminated.get(), 'A', 80);
    font.Init(unterminated.get(), 12);
    EXPECT_EQ(std::strlen(font.faceName), 79u);

    font.Init("Arial", 14);
    EXPECT_STREQ(font.faceName, "Arial");
    EXPECT_EQ(font.faceName[6], 0) << "the tail of the longer name is cleared";
    font.Init(nullptr, 14);
    EXPECT_STREQ(font.faceName, "");
}

TEST_F(TextSetupTest, InitForgetsDeviceObjectsWithoutReleasingThem)
{
    CTextureFont font;
    font.Init("Arial", 14);
    ASSERT_EQ(font.BuildAtlas(), S_OK);
    ASSERT_EQ(font.PrepareDrawing(), S_OK);
    IDirect3DTexture9* atlas = font.atlasTexture;
    device.Clear();
    font.Init("Arial", 14);
    EXPECT_EQ(font.atlasTexture, nullptr);
    EXPECT_EQ(font.glyphVertexBuffer, nullptr);
    EXPECT_EQ(font.stateBlockA, nullptr);
    EXPECT_EQ(font.device, nullptr);
    EXPECT_TRUE(device.calls().empty());
    atlas->Release();
}

TEST_F(TextSetupTest, RealArialAtlasKeepsEveryGlyphInsideItsCell)
{
    CTextureFont font;
    font.Init("Arial", 14);
    ASSERT_EQ(font.BuildAtlas(), S_OK);
    ASSERT_EQ(font.atlasWidth, 256u);
    ASSERT_EQ(font.atlasHeight, 256u);
    EXPECT_EQ(font.cellPadding, 7u) << "Liberation Sans at 19 pixels: a 23-pixel line";

    std::vector<bool> inCell(256 * 256, false);
    for (int code = 32; code < 127; ++code) {
        const FLOAT* r = font.glyphRects[code - 32];
        int left = static_cast<int>(std::lround(r[0] * 256)), top = static_cast<int>(std::lround(r[1] * 256));
        int right = static_cast<int>(std::lround(r[2] * 256)), bottom = static_cast<int>(std::lround(r[3] * 256));
        ASSERT_LE(right, 256) << "code " << code;
        ASSERT_LE(bottom, 256) << "code " << code;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) inCell[y * 256 + x] = true;
    }
    const auto texels = Texels(font);
    int inked = 0;
    for (int i = 0; i < 256 * 256; ++i) {
        if (texels[i] == 0) continue;
        ++inked;
        EXPECT_TRUE(inCell[i]) << "ink at (" << i % 256 << ", " << i / 256 << ") outside every cell";
        EXPECT_EQ(texels[i] & 0x0FFF, 0x0FFF) << "ink is white";
    }
    EXPECT_GT(inked, 1000) << "95 characters leave a good deal of ink";

    // A space is empty; an "l" is a vertical stroke of full coverage inside its cell.
    const FLOAT* space = font.glyphRects[0];
    for (int y = std::lround(space[1] * 256); y < std::lround(space[3] * 256); ++y)
        for (int x = std::lround(space[0] * 256); x < std::lround(space[2] * 256); ++x)
            EXPECT_EQ(texels[y * 256 + x], 0) << "space at " << x << ", " << y;
    int strongest = 0;
    const FLOAT* ell = font.glyphRects['l' - 32];
    for (int y = std::lround(ell[1] * 256); y < std::lround(ell[3] * 256); ++y)
        for (int x = std::lround(ell[0] * 256); x < std::lround(ell[2] * 256); ++x)
            strongest = std::max(strongest, texels[y * 256 + x] >> 12);
    EXPECT_EQ(strongest, 0xF);
}

}  // namespace
