// Texture fonts: the printable ASCII characters of a GDI font rasterised into one Direct3D
// texture, with each character's rectangle in it, and the render states text is drawn in.
// Text labels: what the engine would write on screen.
#pragma once

#include <d3d9.h>
#include <windows.h>

#include <vector>

class CD3DEngine;

// styleFlags bits.
#define TEXTUREFONT_BOLD 0x0001
#define TEXTUREFONT_ITALIC 0x0002
#define TEXTUREFONT_ZENABLE 0x0004

class CTextureFont {
public:
    CTextureFont() = default;
    // The engine's font array is kept for the life of the process, so this runs only for
    // fonts made elsewhere (tools, tests).
    ~CTextureFont() { ReleaseDeviceObjects(); }
    CTextureFont(const CTextureFont&) = delete;
    CTextureFont& operator=(const CTextureFont&) = delete;

    // face may be this font's own faceName. Forgets the device objects without releasing them.
    void Init(const CHAR* face, INT height);
    void ReleaseDeviceObjects();
    // The GDI font for the current rasterScale; S_OK with *font set, or E_FAIL.
    HRESULT OpenGdiFont(HDC dc, HFONT* font);
    // Places the characters 32..126 in the current atlas size, and unless measureOnly draws
    // them into the bitmap selected in dc and records their rectangles. D3DERR_MOREDATA when
    // they do not fit.
    HRESULT LayoutGlyphs(HDC dc, bool measureOnly);
    HRESULT BuildAtlas();
    // The vertex buffer and the two recorded state blocks; needs the atlas.
    HRESULT PrepareDrawing();

    CHAR faceName[80] = {};
    INT pointHeight = 0;
    DWORD styleFlags = 0;
    LPDIRECT3DDEVICE9 device = nullptr;  // borrowed
    LPDIRECT3DTEXTURE9 atlasTexture = nullptr;
    LPDIRECT3DVERTEXBUFFER9 glyphVertexBuffer = nullptr;
    DWORD atlasWidth = 0;
    DWORD atlasHeight = 0;
    FLOAT rasterScale = 1.0f;
    FLOAT glyphRects[96][4] = {};  // left, top, right, bottom as fractions of the atlas; [c - 32]
    DWORD cellPadding = 0;
    LPDIRECT3DSTATEBLOCK9 stateBlockA = nullptr;
    LPDIRECT3DSTATEBLOCK9 stateBlockB = nullptr;
};

// The 16-bit A4R4G4B4 atlas texel for a pixel of the GDI drawing: white, with the top four bits
// of the coverage (the blue byte) as alpha; fully transparent texels are black.
WORD AtlasTexel(DWORD dibPixel);

// A built atlas's coverage, its texels' four alpha bits as 8-bit grey (0 to 255 in steps of 17),
// atlasWidth x atlasHeight bytes, top row first: the picture of the atlas that tools and the
// page write out. E_FAIL without an atlas, else what locking the texture returns.
HRESULT ReadAtlasCoverage(const CTextureFont& font, std::vector<BYTE>* grey);

struct CTextLabel {
    INT x;
    INT y;
    DWORD color;  // ARGB
    CHAR text[256];
    DWORD flags;
    BOOL visible;
};

HRESULT CreateEngineFonts(CD3DEngine* engine);
HRESULT CreateEngineLabels(CD3DEngine* engine);
