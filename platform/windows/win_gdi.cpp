// The GDI hooks that read the real system: which typeface a font resolved to, and how many GDI
// objects the process holds. (Putting another rasteriser behind CreateFontA is Linux only.)
#include <qv_gdi.h>

std::string QvGdiDescribeFont(HFONT font)
{
    LOGFONTA asked = {};
    if (font == nullptr || GetObjectA(font, sizeof asked, &asked) == 0) return std::string();
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) return std::string();
    HGDIOBJ previous = SelectObject(dc, font);
    char face[LF_FACESIZE] = {};
    const bool named = GetTextFaceA(dc, sizeof face, face) > 0;
    SelectObject(dc, previous);
    DeleteDC(dc);
    return std::string(named ? face : asked.lfFaceName) + " (GDI)";
}

int QvGdiLiveObjectCount() { return int(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)); }
