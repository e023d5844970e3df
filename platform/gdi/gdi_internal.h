// Shared between the gdi_*.cpp files: the objects behind GDI handles and the table that keeps
// them. A handle is only ever dereferenced after the table has vouched for it, so a stale or
// made-up handle is refused instead of followed.
#pragma once

#include <qv_gdi.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace qvgdi {

class Dc;

class Object {
public:
    enum class Kind { kFont, kBitmap };
    explicit Object(Kind kind) : kind_(kind) {}
    virtual ~Object() = default;
    Kind kind() const { return kind_; }

    bool stock = false;
    int selections = 0;  // device contexts this object is selected into

private:
    Kind kind_;
};

class Font : public Object {
public:
    explicit Font(QvGdiFontRequest request) : Object(Kind::kFont), request_(std::move(request)) {}
    // Opened on first use for the stock font, at creation for the others; null if none can be had.
    QvGdiFace* Face();
    void SetFace(std::unique_ptr<QvGdiFace> face) { face_ = std::move(face); tried_ = true; }

private:
    QvGdiFontRequest request_;
    std::unique_ptr<QvGdiFace> face_;
    bool tried_ = false;
};

// 32-bit pixels, 0x00RRGGBB, owned by the bitmap.
class Bitmap : public Object {
public:
    Bitmap(int width, int height, bool topDown);
    int width() const { return width_; }
    int height() const { return height_; }
    // Row y counted from the top of the image, whatever the memory order.
    uint32_t* Row(int y) { return pixels_.get() + static_cast<size_t>(topDown_ ? y : height_ - 1 - y) * width_; }
    void* Bits() { return pixels_.get(); }
    Dc* owner = nullptr;  // a bitmap can be selected into one context at a time

private:
    int width_;
    int height_;
    bool topDown_;
    // From calloc: a large image comes as fresh zero pages, so the parts never drawn on cost
    // neither a clear nor memory.
    struct Free {
        void operator()(uint32_t* p) const { std::free(p); }
    };
    std::unique_ptr<uint32_t[], Free> pixels_;
};

class Dc {
public:
    Font* font = nullptr;
    Bitmap* bitmap = nullptr;
    COLORREF textColor = 0x00000000;
    COLORREF bkColor = 0x00FFFFFF;
    UINT textAlign = 0;
    int mapMode = MM_TEXT;
};

// nullptr unless the handle names a live object of that kind.
Font* LookupFont(HGDIOBJ handle);
Bitmap* LookupBitmap(HGDIOBJ handle);
Dc* LookupDc(HDC handle);

// Takes ownership and hands out the handle.
HGDIOBJ Register(std::unique_ptr<Object> object);

// The rasteriser fonts are opened with: the test's stand-in, or FreeType.
QvGdiRasteriser& CurrentRasteriser();

}  // namespace qvgdi
