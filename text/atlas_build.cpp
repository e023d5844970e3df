// CTextureFont::BuildAtlas: finds an atlas size the characters fit, draws them with GDI and
// copies their coverage into the texture; and the coverage read back out of a built atlas.
#include "text/texture_font.h"

#include "render/device.h"

namespace {

// No device offers textures this large; doubling stops here instead of overflowing the size.
constexpr DWORD kLargestAtlas = 65536;

// The GDI objects of one build. Whatever path the build leaves by, the context gets its own
// font and bitmap back and everything made for the build is deleted.
struct GdiBuild {
    HDC dc = nullptr;
    HFONT font = nullptr;
    HGDIOBJ previousFont = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previousBitmap = nullptr;
    const DWORD* pixels = nullptr;

    GdiBuild() : dc(CreateCompatibleDC(nullptr)) {}
    // The context gets its bitmap and font back before either of ours is deleted.
    ~GdiBuild()
    {
        if (previousBitmap) SelectObject(dc, previousBitmap);
        if (previousFont) SelectObject(dc, previousFont);
        if (bitmap) DeleteObject(bitmap);
        if (font) DeleteObject(font);
        if (dc) DeleteDC(dc);
    }
    GdiBuild(const GdiBuild&) = delete;
    GdiBuild& operator=(const GdiBuild&) = delete;

    // Puts the context's previous font back and deletes ours.
    void DropFont()
    {
        if (previousFont) SelectObject(dc, previousFont);
        previousFont = nullptr;
        if (font) DeleteObject(font);
        font = nullptr;
    }

    HRESULT OpenFont(CTextureFont& owner)
    {
        HRESULT hr = owner.OpenGdiFont(dc, &font);
        if (FAILED(hr)) return hr;
        previousFont = SelectObject(dc, font);
        return S_OK;
    }
};

// Steps 4 and 5 of the build: the smallest doubling of 256 x 256 the characters fit, and if
// the device cannot hold that, its largest texture with the font drawn smaller.
HRESULT FitAtlas(CTextureFont& font, GdiBuild& gdi)
{
    font.atlasWidth = font.atlasHeight = 256;
    HRESULT hr;
    while ((hr = font.LayoutGlyphs(gdi.dc, true)) == D3DERR_MOREDATA && font.atlasWidth < kLargestAtlas) {
        font.atlasWidth *= 2;
        font.atlasHeight *= 2;
    }
    if (FAILED(hr) && hr != D3DERR_MOREDATA) return hr;

    D3DCAPS9 caps = {};
    HRESULT capsResult = font.device->GetDeviceCaps(&caps);
    if (FAILED(capsResult)) return capsResult;
    if (font.atlasWidth <= caps.MaxTextureWidth) return hr;

    font.rasterScale = static_cast<FLOAT>(caps.MaxTextureWidth) / static_cast<FLOAT>(font.atlasWidth);
    font.atlasWidth = font.atlasHeight = caps.MaxTextureWidth;
    for (bool first = true;; first = false) {
        if (!first) font.rasterScale = font.rasterScale * 0.9f;
        gdi.DropFont();
        // Ends the loop too: a scale too small for any pixel height fails to open a font.
        hr = gdi.OpenFont(font);
        if (FAILED(hr)) return hr;
        hr = font.LayoutGlyphs(gdi.dc, true);
        if (hr != D3DERR_MOREDATA) return hr;
    }
}

// Step 7: a 32-bit top-down DIB section of the atlas size, selected into the context.
HRESULT SelectDrawingBitmap(const CTextureFont& font, GdiBuild& gdi)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = static_cast<LONG>(font.atlasWidth);
    info.bmiHeader.biHeight = -static_cast<LONG>(font.atlasHeight);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    gdi.bitmap = CreateDIBSection(gdi.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!gdi.bitmap || !bits) return E_FAIL;
    gdi.pixels = static_cast<const DWORD*>(bits);
    gdi.previousBitmap = SelectObject(gdi.dc, gdi.bitmap);
    return gdi.previousBitmap ? S_OK : E_FAIL;
}

// Locks the atlas texture and hands `visit` each row's texels (row number, first texel), then
// unlocks it. E_FAIL for a lock whose rows cannot hold the atlas's width.
template <class Visit>
HRESULT VisitAtlasRows(const CTextureFont& font, DWORD lockFlags, Visit visit)
{
    D3DLOCKED_RECT locked = {};
    HRESULT hr = font.atlasTexture->LockRect(0, &locked, nullptr, lockFlags);
    if (FAILED(hr)) return hr;
    if (!locked.pBits || locked.Pitch < 0 || static_cast<UINT>(locked.Pitch) < font.atlasWidth * 2) {
        font.atlasTexture->UnlockRect(0);
        return E_FAIL;
    }
    for (UINT r = 0; r < font.atlasHeight; ++r)
        visit(r, reinterpret_cast<WORD*>(static_cast<BYTE*>(locked.pBits) + static_cast<size_t>(r) * locked.Pitch));
    font.atlasTexture->UnlockRect(0);
    return S_OK;
}

// Step 10: the coverage as white with alpha, row by row at the texture's pitch.
HRESULT CopyCoverage(CTextureFont& font, const DWORD* pixels)
{
    const UINT width = font.atlasWidth;
    return VisitAtlasRows(font, 0, [&](UINT r, WORD* texels) {
        const DWORD* source = pixels + static_cast<size_t>(r) * width;
        for (UINT k = 0; k < width; ++k) texels[k] = AtlasTexel(source[k]);
    });
}

}  // namespace

HRESULT CTextureFont::BuildAtlas()
{
    rasterScale = 1.0f;
    device = g_pd3dDevice;
    if (!device) return E_FAIL;
    // A rebuild without Init replaces the atlas rather than losing it.
    if (atlasTexture) {
        atlasTexture->Release();
        atlasTexture = nullptr;
    }

    GdiBuild gdi;
    if (!gdi.dc) return E_FAIL;
    SetMapMode(gdi.dc, MM_TEXT);
    HRESULT hr = gdi.OpenFont(*this);
    if (FAILED(hr)) return hr;
    hr = FitAtlas(*this, gdi);
    if (FAILED(hr)) return hr;

    hr = device->CreateTexture(atlasWidth, atlasHeight, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED,
                               &atlasTexture, nullptr);
    if (FAILED(hr)) {
        atlasTexture = nullptr;
        return hr;
    }
    hr = SelectDrawingBitmap(*this, gdi);
    if (FAILED(hr)) return hr;
    SetTextColor(gdi.dc, 0x00FFFFFF);
    SetBkColor(gdi.dc, 0x00000000);
    SetTextAlign(gdi.dc, TA_LEFT | TA_TOP);
    hr = LayoutGlyphs(gdi.dc, false);
    if (FAILED(hr)) return hr;
    return CopyCoverage(*this, gdi.pixels);
}

HRESULT ReadAtlasCoverage(const CTextureFont& font, std::vector<BYTE>* grey)
{
    grey->clear();
    if (!font.atlasTexture) return E_FAIL;
    const UINT width = font.atlasWidth;
    std::vector<BYTE> pixels(static_cast<size_t>(width) * font.atlasHeight);
    const HRESULT hr = VisitAtlasRows(font, D3DLOCK_READONLY, [&](UINT r, const WORD* texels) {
        BYTE* out = pixels.data() + static_cast<size_t>(r) * width;
        for (UINT k = 0; k < width; ++k) out[k] = static_cast<BYTE>((texels[k] >> 12) * 17);
    });
    if (SUCCEEDED(hr)) grey->swap(pixels);
    return hr;
}
