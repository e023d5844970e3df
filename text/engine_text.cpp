// The text step of game set-up.
#include "text/engine_text.h"

#include "app/engine.h"
#include "text/texture_font.h"

#include <cstring>

namespace {

// The banner, with the five bytes past the atlas's character range that it has always carried.
constexpr char kBanner[] = "QUORVEL ENGINE 0.2b \xC0\xC1\xC2\xC3\xC4!!!";
static_assert(sizeof(kBanner) == 29, "28 bytes of banner and its NUL");

void SetBanner(CTextLabel& label)
{
    label.flags = 0;
    label.x = 10;
    label.y = 50;
    label.color = 0xA0C81E6E;
    memcpy(label.text, kBanner, sizeof(kBanner));
    label.visible = TRUE;
}

}  // namespace

// The Arial objects of the first font once it has been turned into the banner face: kept here,
// still referenced, so that they visibly live until the process ends like every other device
// object of the engine (and leak checkers do not take them for lost memory).
struct RetiredFontObjects {
    IDirect3DTexture9* atlasTexture;
    IDirect3DVertexBuffer9* glyphVertexBuffer;
    IDirect3DStateBlock9* stateBlockA;
    IDirect3DStateBlock9* stateBlockB;
};
// External, so the stores into it are never optimised away.
RetiredFontObjects g_retiredFirstFont;

void SetupEngineText(CD3DEngine* engine)
{
    CreateEngineFonts(engine);
    CreateEngineLabels(engine);
    SetBanner(engine->labels[0]);

    // The first font becomes the banner face. Init forgets its Arial device objects without
    // releasing them; like every device object of the engine they live until the process ends.
    CTextureFont& first = engine->fonts[0];
    g_retiredFirstFont = {first.atlasTexture, first.glyphVertexBuffer, first.stateBlockA,
                          first.stateBlockB};
    static const char kFace[] = "Tahoma";
    memcpy(first.faceName, kFace, sizeof(kFace));
    first.pointHeight = 16;
    first.Init(first.faceName, 16);
    first.BuildAtlas();
    first.PrepareDrawing();
}
