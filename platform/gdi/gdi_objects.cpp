// GDI handles and device contexts: creation, selection and deletion of fonts, DIB sections and
// memory contexts, plus the small context settings and MulDiv.
#include "gdi_internal.h"

#include <climits>
#include <cstdlib>
#include <new>
#include <unordered_map>

namespace qvgdi {
namespace {

struct Table {
    std::unordered_map<const Object*, std::unique_ptr<Object>> objects;
    std::unordered_map<const Dc*, std::unique_ptr<Dc>> dcs;
    Font* stockFont = nullptr;
    Bitmap* stockBitmap = nullptr;
};

Table& TheTable()
{
    static Table table;
    return table;
}

template <class T>
T* Lookup(HGDIOBJ handle, Object::Kind kind)
{
    auto& objects = TheTable().objects;
    auto it = objects.find(reinterpret_cast<const Object*>(handle));
    if (it == objects.end() || it->second->kind() != kind) return nullptr;
    return static_cast<T*>(it->second.get());
}

HGDIOBJ HandleOf(Object* object) { return reinterpret_cast<HGDIOBJ>(object); }

// What a fresh memory context holds before anything is selected: GDI's system font and a
// one-pixel bitmap. They are shared and never deleted.
void EnsureStockObjects()
{
    Table& t = TheTable();
    if (t.stockFont) return;
    QvGdiFontRequest request;
    request.height = -16;
    auto font = std::make_unique<Font>(request);
    font->stock = true;
    t.stockFont = font.get();
    Register(std::move(font));
    auto bitmap = std::make_unique<Bitmap>(1, 1, true);
    bitmap->stock = true;
    t.stockBitmap = bitmap.get();
    Register(std::move(bitmap));
}

void Deselect(Object* object)
{
    if (object) object->selections--;
}

}  // namespace

QvGdiFace* Font::Face()
{
    if (!tried_) {
        tried_ = true;
        face_ = CurrentRasteriser().OpenFace(request_);
    }
    return face_.get();
}

Bitmap::Bitmap(int width, int height, bool topDown)
    : Object(Kind::kBitmap), width_(width), height_(height), topDown_(topDown),
      pixels_(static_cast<uint32_t*>(std::calloc(static_cast<size_t>(width) * static_cast<size_t>(height),
                                                 sizeof(uint32_t))))
{
    if (!pixels_) throw std::bad_alloc();
}

Font* LookupFont(HGDIOBJ handle) { return Lookup<Font>(handle, Object::Kind::kFont); }
Bitmap* LookupBitmap(HGDIOBJ handle) { return Lookup<Bitmap>(handle, Object::Kind::kBitmap); }

Dc* LookupDc(HDC handle)
{
    auto& dcs = TheTable().dcs;
    auto it = dcs.find(reinterpret_cast<const Dc*>(handle));
    return it == dcs.end() ? nullptr : it->second.get();
}

HGDIOBJ Register(std::unique_ptr<Object> object)
{
    Object* raw = object.get();
    TheTable().objects.emplace(raw, std::move(object));
    return HandleOf(raw);
}

}  // namespace qvgdi

using namespace qvgdi;

HDC WINAPI CreateCompatibleDC(HDC hdc)
{
    if (hdc && !LookupDc(hdc)) return nullptr;
    EnsureStockObjects();
    Table& t = TheTable();
    auto dc = std::make_unique<Dc>();
    dc->font = t.stockFont;
    dc->bitmap = t.stockBitmap;
    t.stockFont->selections++;
    t.stockBitmap->selections++;
    Dc* raw = dc.get();
    t.dcs.emplace(raw, std::move(dc));
    return reinterpret_cast<HDC>(raw);
}

BOOL WINAPI DeleteDC(HDC hdc)
{
    Dc* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    Deselect(dc->font);
    Deselect(dc->bitmap);
    if (dc->bitmap && dc->bitmap->owner == dc) dc->bitmap->owner = nullptr;
    TheTable().dcs.erase(dc);
    return TRUE;
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h)
{
    Dc* dc = LookupDc(hdc);
    if (!dc) return nullptr;
    if (Font* font = LookupFont(h)) {
        Font* previous = dc->font;
        Deselect(previous);
        font->selections++;
        dc->font = font;
        return HandleOf(previous);
    }
    if (Bitmap* bitmap = LookupBitmap(h)) {
        if (bitmap == dc->bitmap) return h;
        // Two contexts drawing into one bitmap is refused by GDI too.
        if (!bitmap->stock && bitmap->owner) return nullptr;
        Bitmap* previous = dc->bitmap;
        Deselect(previous);
        if (previous->owner == dc) previous->owner = nullptr;
        bitmap->selections++;
        if (!bitmap->stock) bitmap->owner = dc;
        dc->bitmap = bitmap;
        return HandleOf(previous);
    }
    return nullptr;
}

BOOL WINAPI DeleteObject(HGDIOBJ ho)
{
    auto& objects = TheTable().objects;
    auto it = objects.find(reinterpret_cast<const Object*>(ho));
    if (it == objects.end()) return FALSE;
    if (it->second->stock) return TRUE;
    // Deleting what a context still draws with would leave it pointing at freed memory.
    if (it->second->selections > 0) return FALSE;
    objects.erase(it);
    return TRUE;
}

int WINAPI SetMapMode(HDC hdc, int iMode)
{
    Dc* dc = LookupDc(hdc);
    // Only pixel units are drawn here; other mapping modes are refused rather than ignored.
    if (!dc || iMode != MM_TEXT) return 0;
    int previous = dc->mapMode;
    dc->mapMode = iMode;
    return previous;
}

int WINAPI GetDeviceCaps(HDC hdc, int index)
{
    if (!LookupDc(hdc)) return 0;
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    default:
        return 0;
    }
}

int WINAPI MulDiv(int nNumber, int nNumerator, int nDenominator)
{
    if (nDenominator == 0) return -1;
    int64_t product = static_cast<int64_t>(nNumber) * nNumerator;
    int64_t divisor = nDenominator;
    bool negative = (product < 0) != (divisor < 0);
    uint64_t p = product < 0 ? 0 - static_cast<uint64_t>(product) : static_cast<uint64_t>(product);
    uint64_t d = divisor < 0 ? 0 - static_cast<uint64_t>(divisor) : static_cast<uint64_t>(divisor);
    uint64_t q = (p + d / 2) / d;  // halves away from zero
    if (q > static_cast<uint64_t>(INT_MAX) + (negative ? 1 : 0)) return -1;
    return negative ? static_cast<int>(-static_cast<int64_t>(q)) : static_cast<int>(q);
}

namespace {
// Stores one setting of a context and hands back the one it replaces, or `failure` for a
// handle that is not a live context.
template <class T>
T Exchange(HDC hdc, T Dc::*setting, T value, T failure)
{
    Dc* dc = LookupDc(hdc);
    if (!dc) return failure;
    T previous = dc->*setting;
    dc->*setting = value;
    return previous;
}
}  // namespace

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color)
{
    return Exchange(hdc, &Dc::textColor, color & 0x00FFFFFF, COLORREF{CLR_INVALID});
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color)
{
    return Exchange(hdc, &Dc::bkColor, color & 0x00FFFFFF, COLORREF{CLR_INVALID});
}

UINT WINAPI SetTextAlign(HDC hdc, UINT align)
{
    return Exchange(hdc, &Dc::textAlign, align, UINT{GDI_ERROR});
}

HBITMAP WINAPI CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits,
                                HANDLE hSection, DWORD offset)
{
    if (ppvBits) *ppvBits = nullptr;
    (void)offset;
    if (hdc && !LookupDc(hdc)) return nullptr;
    if (!pbmi || usage != DIB_RGB_COLORS || hSection) return nullptr;
    const BITMAPINFOHEADER& h = pbmi->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biBitCount != 32 ||
        h.biCompression != BI_RGB)
        return nullptr;
    // A negative height is a top-down image; LONG_MIN has no positive counterpart.
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return nullptr;
    int64_t width = h.biWidth;
    int64_t height = std::llabs(static_cast<long long>(h.biHeight));
    constexpr int64_t kMaxPixels = int64_t{1} << 28;  // 1 GiB of pixels
    if (width > kMaxPixels / height) return nullptr;
    std::unique_ptr<Bitmap> bitmap;
    try {
        bitmap = std::make_unique<Bitmap>(static_cast<int>(width), static_cast<int>(height),
                                          h.biHeight < 0);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (ppvBits) *ppvBits = bitmap->Bits();
    return Register(std::move(bitmap));
}

int QvGdiLiveObjectCount()
{
    Table& t = TheTable();
    int count = static_cast<int>(t.dcs.size());
    for (const auto& entry : t.objects)
        if (!entry.second->stock) count++;
    return count;
}
