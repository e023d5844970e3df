// font-atlas FACE POINTS OUT.png
//
// Builds the glyph atlas of a texture font exactly as the engine does, on a real device, reads
// the texture back and writes its coverage as a grey PNG, so a person can see what the fonts
// hold. Prints the atlas size, the cell padding, where a few characters sit, and whether the
// text render states could be recorded.
#include <d3d9.h>
#include <qv_d3d9.h>
#include <qv_gdi.h>
#include <qv_png.h>
#include <qv_win32.h>
#include <windows.h>

#include "render/device.h"
#include "text/texture_font.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: font-atlas FACE POINTS OUT.png\n"
                         "  e.g. font-atlas Arial 14 arial14.png\n");
    return 2;
}

// The typeface the font's GDI font resolves to, for the reader to know what was drawn.
void PrintFace(CTextureFont& font)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT gdiFont = nullptr;
    if (SUCCEEDED(font.OpenGdiFont(dc, &gdiFont))) {
        std::printf("face: %s\n", QvGdiDescribeFont(gdiFont).c_str());
        DeleteObject(gdiFont);
    }
    DeleteDC(dc);
}

void PrintCharacters(const CTextureFont& font)
{
    for (char c : {' ', 'A', 'g', 'W', 'x', '~'}) {
        const FLOAT* r = font.glyphRects[c - 32];
        std::printf("'%c' (%3d): left %.6f top %.6f right %.6f bottom %.6f = pixels (%g, %g)-(%g, %g)\n", c, c,
                    r[0], r[1], r[2], r[3], r[0] * font.atlasWidth, r[1] * font.atlasHeight,
                    r[2] * font.atlasWidth, r[3] * font.atlasHeight);
    }
}

// The atlas alpha (4 bits) as 8-bit grey, top row first.
bool WriteAtlas(const CTextureFont& font, const char* path)
{
    std::vector<BYTE> grey;
    if (FAILED(ReadAtlasCoverage(font, &grey))) {
        std::fprintf(stderr, "font-atlas: the atlas texture cannot be read\n");
        return false;
    }
    if (!QvWritePng(path, static_cast<int>(font.atlasWidth), static_cast<int>(font.atlasHeight), 1, grey.data())) {
        std::fprintf(stderr, "font-atlas: cannot write %s\n", path);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) return Usage();
    char* end = nullptr;
    long points = std::strtol(argv[2], &end, 10);
    if (*argv[2] == '\0' || *end != '\0' || points < 1 || points > 1000) return Usage();

    QvUseOffscreenVideoWithoutDisplay();

    IDirect3D9* d3d = nullptr;
    D3DPRESENT_PARAMETERS pp = QvPresentParams(64, 64);
    HRESULT hr = QvCreateStandaloneDevice(&pp, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &d3d, &g_pd3dDevice);
    if (FAILED(hr)) {
        std::fprintf(stderr, "font-atlas: no Direct3D device (0x%08X)\n", static_cast<unsigned>(hr));
        return 1;
    }

    int status = 1;
    {
        CTextureFont font;
        font.Init(argv[1], static_cast<INT>(points));
        hr = font.BuildAtlas();
        if (FAILED(hr)) {
            std::fprintf(stderr, "font-atlas: BuildAtlas failed (0x%08X)\n", static_cast<unsigned>(hr));
        } else {
            PrintFace(font);
            std::printf("atlas: %u x %u, cellPadding %u, rasterScale %g\n", unsigned(font.atlasWidth),
                        unsigned(font.atlasHeight), unsigned(font.cellPadding), font.rasterScale);
            PrintCharacters(font);
            // The engine records its text states right after the build; do the same, so the
            // device's state blocks are exercised too.
            hr = font.PrepareDrawing();
            std::printf("render states: %s (0x%08X)\n", SUCCEEDED(hr) ? "recorded" : "FAILED",
                        static_cast<unsigned>(hr));
            if (WriteAtlas(font, argv[3])) {
                std::printf("wrote %s\n", argv[3]);
                status = 0;
            }
        }
    }
    g_pd3dDevice->Release();
    g_pd3dDevice = nullptr;
    d3d->Release();
    return status;
}
