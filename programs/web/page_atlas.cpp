#include "programs/web/page_atlas.h"

#include <d3d9.h>
#include <qv_d3d9.h>
#include <qv_png.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "programs/web/page_data_url.h"
#include "render/device.h"
#include "text/texture_font.h"

namespace webpage {
namespace {

constexpr const char* kAtlasFile = "/atlas.png";

std::string Hex(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08X", static_cast<unsigned>(hr));
    return text;
}

// The font built and its picture written to kAtlasFile; "" or why not.
std::string BuildAndWrite(const PageRequest& request, UINT* width, UINT* height)
{
    CTextureFont font;
    font.Init(request.atlasFace.c_str(), request.atlasPoints);
    HRESULT hr = font.BuildAtlas();
    if (FAILED(hr)) return "the atlas could not be built (" + Hex(hr) + ")";
    // The engine records its text states right after the build; so does the page.
    hr = font.PrepareDrawing();
    if (FAILED(hr)) return "the text render states could not be recorded (" + Hex(hr) + ")";
    std::vector<BYTE> grey;
    hr = ReadAtlasCoverage(font, &grey);
    if (FAILED(hr)) return "the atlas could not be read (" + Hex(hr) + ")";
    *width = font.atlasWidth;
    *height = font.atlasHeight;
    if (!QvWritePng(kAtlasFile, static_cast<int>(*width), static_cast<int>(*height), 1, grey.data()))
        return "the atlas's picture could not be written";
    return "";
}

}  // namespace

int RunAtlas(const PageRequest& request)
{
    IDirect3D9* d3d = nullptr;
    D3DPRESENT_PARAMETERS pp = QvPresentParams(64, 64);
    HRESULT hr = QvCreateStandaloneDevice(&pp, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &d3d, &g_pd3dDevice);
    if (FAILED(hr)) {
        MessageBoxA(nullptr, ("no Direct3D device (" + Hex(hr) + ")").c_str(), "Quorvel atlas", MB_ICONERROR);
        return 1;
    }
    UINT width = 0, height = 0;
    std::string error = BuildAndWrite(request, &width, &height);
    const std::string url = error.empty() ? PngFileDataUrl(kAtlasFile) : std::string();
    if (error.empty() && url.empty()) error = "the atlas's picture could not be read back";
    g_pd3dDevice->Release();
    g_pd3dDevice = nullptr;
    d3d->Release();
    if (!error.empty()) {
        MessageBoxA(nullptr, (request.atlasFace + " " + std::to_string(request.atlasPoints) + ": " + error).c_str(),
                    "Quorvel atlas", MB_ICONERROR);
        return 1;
    }
    std::printf("atlas %s %d %ux%u %s\n", request.atlasFace.c_str(), request.atlasPoints, width, height, url.c_str());
    std::fflush(stdout);
    return 0;
}

}  // namespace webpage
