// The engine's fonts and text labels, made once at set-up and kept for the life of the process.
#include "text/texture_font.h"

#include "app/engine.h"

namespace {

constexpr int kEngineFontCount = 2;
constexpr int kEngineLabelCount = 4;

}  // namespace

HRESULT CreateEngineFonts(CD3DEngine* engine)
{
    engine->fonts = new CTextureFont[kEngineFontCount];
    for (int i = 0; i < kEngineFontCount; ++i) {
        CTextureFont& font = engine->fonts[i];
        font.Init("Arial", 14);
        // A font that cannot be built leaves the game without text, not without a game.
        font.BuildAtlas();
        font.PrepareDrawing();
    }
    return S_OK;
}

HRESULT CreateEngineLabels(CD3DEngine* engine)
{
    engine->labels = new CTextLabel[kEngineLabelCount];
    engine->labelCount = kEngineLabelCount;
    return S_OK;
}
