// CTextureFont: set-up, release, the GDI font, and the layout of the characters in the atlas.
#include "text/texture_font.h"

#include <cmath>
#include <cstring>

namespace {

template <class T>
void ReleaseAndClear(T*& object)
{
    if (object) {
        object->Release();
        object = nullptr;
    }
}

}  // namespace

void CTextureFont::Init(const CHAR* face, INT height)
{
    // memmove and strnlen: the name may be our own faceName, and need not be terminated
    // within 80 bytes.
    size_t length = face ? strnlen(face, sizeof(faceName)) : 0;
    if (length > 0) memmove(faceName, face, length);
    memset(faceName + length, 0, sizeof(faceName) - length);
    faceName[sizeof(faceName) - 1] = 0;
    pointHeight = height;
    styleFlags = 0;
    device = nullptr;
    atlasTexture = nullptr;
    glyphVertexBuffer = nullptr;
    cellPadding = 0;
    stateBlockA = nullptr;
    stateBlockB = nullptr;
}

void CTextureFont::ReleaseDeviceObjects()
{
    ReleaseAndClear(glyphVertexBuffer);
    ReleaseAndClear(stateBlockA);
    ReleaseAndClear(stateBlockB);
    ReleaseAndClear(atlasTexture);
    device = nullptr;
}

HRESULT CTextureFont::OpenGdiFont(HDC dc, HFONT* font)
{
    *font = nullptr;
    INT dpi = GetDeviceCaps(dc, LOGPIXELSY);
    INT scaledDpi = static_cast<INT>(static_cast<FLOAT>(dpi) * rasterScale);
    INT pixelHeight = MulDiv(pointHeight, scaledDpi, 72);
    // GDI reads a height of 0 as "the default size", which would undo the shrinking of a
    // font that has to fit a small texture; no size at all is a failure instead.
    if (pixelHeight <= 0) return E_FAIL;
    *font = CreateFontA(-pixelHeight, 0, 0, 0, (styleFlags & TEXTUREFONT_BOLD) ? FW_BOLD : FW_NORMAL,
                        (styleFlags & TEXTUREFONT_ITALIC) ? TRUE : FALSE, FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                        ANTIALIASED_QUALITY, VARIABLE_PITCH, faceName);
    return *font ? S_OK : E_FAIL;
}

HRESULT CTextureFont::LayoutGlyphs(HDC dc, bool measureOnly)
{
    SIZE size;
    if (!GetTextExtentPoint32A(dc, "x", 1, &size)) return E_FAIL;
    // Rounded to single precision before the ceiling, so 10 x 0.3f pads by 3, not 4.
    FLOAT padding = static_cast<FLOAT>(size.cy) * 0.3f;
    cellPadding = static_cast<DWORD>(std::ceil(padding));

    DWORD x = cellPadding;
    DWORD y = 0;
    for (int code = 32; code < 127; ++code) {
        const CHAR ch = static_cast<CHAR>(code);
        if (!GetTextExtentPoint32A(dc, &ch, 1, &size)) return E_FAIL;
        const DWORD cx = static_cast<DWORD>(size.cx);
        const DWORD cy = static_cast<DWORD>(size.cy);
        if (x + cx + cellPadding > atlasWidth) {
            x = cellPadding;
            y += cy + 1;
        }
        if (y + cy > atlasHeight) return D3DERR_MOREDATA;
        if (!measureOnly) {
            if (!ExtTextOutA(dc, static_cast<int>(x), static_cast<int>(y), ETO_OPAQUE, nullptr, &ch,
                             1, nullptr))
                return E_FAIL;
            FLOAT* rect = glyphRects[code - 32];
            rect[0] = static_cast<FLOAT>(x - cellPadding) / static_cast<FLOAT>(atlasWidth);
            rect[1] = static_cast<FLOAT>(y) / static_cast<FLOAT>(atlasHeight);
            rect[2] = static_cast<FLOAT>(x + cx + cellPadding) / static_cast<FLOAT>(atlasWidth);
            rect[3] = static_cast<FLOAT>(y + cy) / static_cast<FLOAT>(atlasHeight);
        }
        x += cx + 2 * cellPadding;
    }
    return S_OK;
}

WORD AtlasTexel(DWORD dibPixel)
{
    const DWORD alpha = (dibPixel >> 4) & 0xF;
    return alpha ? static_cast<WORD>((alpha << 12) | 0x0FFF) : WORD{0};
}
