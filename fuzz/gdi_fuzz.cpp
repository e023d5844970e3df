// libFuzzer entry for GDI text: fonts of random faces, heights, weights and slants; memory
// contexts and DIB sections of random shapes; random byte strings measured and drawn at random
// places, alignments, clip rectangles and spacings; objects selected, deleted and used again in
// any order. Checked: a string's extent is the sum of its characters' extents, clipped drawing
// leaves every pixel outside the clip rectangle alone, and once everything is deleted no GDI
// object is left.
#include "fuzz/fuzz_input.h"

#include <windows.h>
#include <qv_gdi.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace {

void Check(bool ok)
{
    if (!ok) __builtin_trap();
}

struct Dib {
    HBITMAP handle;
    uint32_t* bits;
    int width;
    int height;
    bool topDown;
};

struct State {
    std::vector<HDC> dcs;
    std::vector<HFONT> fonts;
    std::vector<Dib> dibs;
    std::vector<HGDIOBJ> deleted;
    std::vector<HGDIOBJ> returned;  // handed back by SelectObject
    std::vector<std::pair<HDC, size_t>> selectedDib;  // context -> index into dibs
};

const char* const kFaces[] = {"Arial", "Tahoma", "Liberation Sans", "DejaVu Sans Mono", "", "Courier New",
                              "Times New Roman", "NoSuchFaceAnywhere"};

int TakeHeight(FuzzInput& in)
{
    switch (in.Below(8)) {
    case 0: return INT_MIN;
    case 1: return INT_MAX;
    case 2: return int(in.Take<int32_t>());
    case 3: return int(in.Take<int16_t>());
    default: return int(in.Below(80)) - 40;
    }
}

int TakeSide(FuzzInput& in)
{
    // Small real sizes, or sizes the call must refuse; never a real gigabyte.
    switch (in.Below(6)) {
    case 0: return 0;
    case 1: return -int(in.Below(200)) - 1;
    case 2: return in.Flag() ? INT_MIN : INT_MAX;
    case 3: return 1 << 16;
    default: return 1 + int(in.Below(200));
    }
}

template <class T>
T Choose(FuzzInput& in, const std::vector<T>& items, T otherwise)
{
    if (items.empty() || in.Below(8) == 0) return otherwise;
    return items[in.Byte() % items.size()];
}

HDC TakeDc(FuzzInput& in, State& s)
{
    if (in.Below(10) == 0)
        return reinterpret_cast<HDC>(Choose<HGDIOBJ>(in, s.deleted, reinterpret_cast<HGDIOBJ>(uintptr_t(8))));
    return Choose<HDC>(in, s.dcs, nullptr);
}

HGDIOBJ TakeObject(FuzzInput& in, State& s)
{
    switch (in.Below(6)) {
    case 0: return Choose<HGDIOBJ>(in, s.deleted, nullptr);
    case 4: return Choose<HGDIOBJ>(in, s.returned, nullptr);
    case 1: {
        std::vector<HGDIOBJ> handles;
        for (const Dib& d : s.dibs) handles.push_back(d.handle);
        return Choose<HGDIOBJ>(in, handles, nullptr);
    }
    case 2: return reinterpret_cast<HGDIOBJ>(Choose<HDC>(in, s.dcs, nullptr));  // a context is no object
    default: return Choose<HGDIOBJ>(in, std::vector<HGDIOBJ>(s.fonts.begin(), s.fonts.end()), nullptr);
    }
}

const Dib* SelectedDib(State& s, HDC dc)
{
    for (auto& [d, index] : s.selectedDib)
        if (d == dc) return &s.dibs[index];
    return nullptr;
}

void Forget(State& s, HGDIOBJ handle)
{
    s.deleted.push_back(handle);
}

void CreateFont(FuzzInput& in, State& s)
{
    if (s.fonts.size() >= 6) return;
    // Mostly the faces a program names; now and then any bytes at all (fontconfig's match for
    // a new name is most of what a font costs, and any name takes the same path here).
    std::string face = in.Below(8) ? std::string(in.Pick(kFaces)) : in.Bytes(48);
    const int height = TakeHeight(in);
    const int weight = in.Flag() ? int(in.Take<int32_t>()) : int(in.Below(10)) * 100;
    const DWORD italic = in.Byte();
    HFONT f = CreateFontA(height, in.Take<int8_t>(), 0, 0, weight, italic, in.Flag(), in.Flag(), DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, in.Byte(), VARIABLE_PITCH, face.c_str());
    if (f) s.fonts.push_back(f);
}

void CreateDib(FuzzInput& in, State& s)
{
    if (s.dibs.size() >= 4) return;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = in.Below(8) ? sizeof(BITMAPINFOHEADER) : in.Byte();
    int width = TakeSide(in);
    int side = TakeSide(in);
    // A 65536-pixel side with a few pixels across finds what 200 across would, at a fraction of
    // the memory to clear and compare for every input.
    const auto narrow = [](int& across) {
        if (across > 4 && across <= 200) across = 1 + across % 4;
    };
    if (width == 1 << 16) narrow(side);
    else if (side == 1 << 16) narrow(width);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = in.Flag() && side != INT_MIN ? -side : side;
    bi.bmiHeader.biPlanes = in.Below(8) ? 1 : in.Byte();
    bi.bmiHeader.biBitCount = in.Below(8) ? 32 : in.Byte();
    bi.bmiHeader.biCompression = in.Below(8) ? BI_RGB : in.Byte();
    void* bits = reinterpret_cast<void*>(1);
    HBITMAP b = CreateDIBSection(in.Flag() ? nullptr : TakeDc(in, s), &bi, in.Below(8) ? DIB_RGB_COLORS : 1, &bits,
                                 nullptr, 0);
    if (!b) {
        Check(bits == nullptr);
        return;
    }
    Check(bits != nullptr);
    const int h = bi.bmiHeader.biHeight;  // never INT_MIN here: that is refused
    s.dibs.push_back({b, static_cast<uint32_t*>(bits), bi.bmiHeader.biWidth, h < 0 ? -h : h, h < 0});
}

void Select(FuzzInput& in, State& s)
{
    HDC dc = TakeDc(in, s);
    HGDIOBJ object = TakeObject(in, s);
    HGDIOBJ previous = SelectObject(dc, object);
    if (!previous) return;
    // What comes back may be put back later: the stock font and bitmap among them.
    if (std::find(s.returned.begin(), s.returned.end(), previous) == s.returned.end()) s.returned.push_back(previous);
    if (previous == object) return;
    for (size_t i = 0; i < s.dibs.size(); ++i) {
        if (s.dibs[i].handle == previous) {
            s.selectedDib.erase(std::remove(s.selectedDib.begin(), s.selectedDib.end(), std::make_pair(dc, i)),
                                s.selectedDib.end());
        }
    }
    for (size_t i = 0; i < s.dibs.size(); ++i) {
        if (s.dibs[i].handle == object) s.selectedDib.emplace_back(dc, i);
    }
}

void Measure(FuzzInput& in, State& s)
{
    HDC dc = TakeDc(in, s);
    const std::string text = in.Bytes(24);
    // Never more characters than the string holds: reading past it would be this program's fault.
    const int count = in.Below(16) ? int(text.size()) : std::min(int(in.Take<int8_t>()), int(text.size()));
    SIZE whole{-1, -1};
    if (!GetTextExtentPoint32A(dc, text.empty() && in.Flag() ? nullptr : text.data(), count, &whole)) return;
    Check(count >= 0 && whole.cx >= 0 && whole.cy >= 0);
    // GDI lays characters side by side: no kerning, no shaping.
    LONG sum = 0;
    for (int i = 0; i < count; ++i) {
        SIZE one{};
        Check(GetTextExtentPoint32A(dc, &text[size_t(i)], 1, &one));
        Check(one.cy == whole.cy);
        sum += one.cx;
    }
    Check(sum == whole.cx);
}

// Every pixel outside the clip rectangle is as it was: whole rows above and below it, and the
// spans left and right of it on the rows it crosses. Compared a span at a time, as a pixel loop
// over a 65536-wide section would take most of the target's time.
bool OutsideUnchanged(const Dib& dib, const RECT& rect, const std::vector<uint32_t>& before)
{
    const int left = std::clamp(int(rect.left), 0, dib.width);
    const int right = std::clamp(int(rect.right), left, dib.width);
    const size_t width = size_t(dib.width);
    for (int row = 0; row < dib.height; ++row) {
        const int top = dib.topDown ? row : dib.height - 1 - row;  // row counted from the top
        const uint32_t* now = dib.bits + size_t(row) * width;
        const uint32_t* was = before.data() + size_t(row) * width;
        const bool crossed = top >= rect.top && top < rect.bottom;
        if (!crossed) {
            if (std::memcmp(now, was, width * 4) != 0) return false;
            continue;
        }
        if (std::memcmp(now, was, size_t(left) * 4) != 0) return false;
        if (std::memcmp(now + right, was + right, (width - size_t(right)) * 4) != 0) return false;
    }
    return true;
}

void Draw(FuzzInput& in, State& s)
{
    HDC dc = TakeDc(in, s);
    const std::string text = in.Bytes(16);
    const UINT count = in.Below(16) ? UINT(text.size()) : in.Take<UINT>();
    const int x = in.Flag() ? int(in.Take<int16_t>()) : int(in.Take<int32_t>());
    const int y = in.Flag() ? int(in.Take<int16_t>()) : int(in.Take<int32_t>());
    const UINT options = in.Byte() & (ETO_OPAQUE | ETO_CLIPPED | 1);
    RECT rect{in.Take<int16_t>(), in.Take<int16_t>(), in.Take<int16_t>(), in.Take<int16_t>()};
    if (in.Flag()) {
        rect = {int(in.Below(64)), int(in.Below(64)), int(in.Below(200)), int(in.Below(200))};
    }
    const bool withRect = in.Flag();
    std::vector<INT> dx;
    if (in.Below(4) == 0) {
        for (size_t i = 0; i < text.size(); ++i) dx.push_back(in.Flag() ? in.Take<int8_t>() : in.Take<int32_t>());
    }
    SetTextAlign(dc, in.Below(4) ? in.Pick({TA_LEFT, TA_RIGHT, TA_CENTER, TA_BOTTOM, TA_BASELINE, TA_CENTER | TA_BASELINE})
                                 : in.Take<UINT>());
    SetTextColor(dc, in.Take<COLORREF>());
    SetBkColor(dc, in.Take<COLORREF>());

    // Clipped drawing keeps to the rectangle; remember what lies outside it.
    const Dib* dib = SelectedDib(s, dc);
    const bool clipped = dib && withRect && (options & ETO_CLIPPED) && count <= text.size();
    static std::vector<uint32_t> before;  // kept between inputs: a section is up to 52 MB
    if (clipped) before.assign(dib->bits, dib->bits + size_t(dib->width) * size_t(dib->height));
    const BOOL ok = ExtTextOutA(dc, x, y, options, withRect ? &rect : nullptr,
                                count <= text.size() ? text.data() : nullptr, count,
                                dx.size() >= count && !dx.empty() ? dx.data() : nullptr);
    if (clipped && ok) Check(OutsideUnchanged(*dib, rect, before));
}

void Delete(FuzzInput& in, State& s)
{
    switch (in.Below(3)) {
    case 0:
        if (!s.dcs.empty()) {
            const size_t i = in.Byte() % s.dcs.size();
            HDC dc = s.dcs[i];
            if (DeleteDC(dc)) {
                s.dcs.erase(s.dcs.begin() + long(i));
                s.selectedDib.erase(std::remove_if(s.selectedDib.begin(), s.selectedDib.end(),
                                                   [&](const auto& e) { return e.first == dc; }),
                                    s.selectedDib.end());
                Forget(s, reinterpret_cast<HGDIOBJ>(dc));
            }
        }
        break;
    case 1:
        if (!s.fonts.empty()) {
            const size_t i = in.Byte() % s.fonts.size();
            if (DeleteObject(s.fonts[i])) {
                Forget(s, s.fonts[i]);
                s.fonts.erase(s.fonts.begin() + long(i));
            }
        }
        break;
    default:
        if (!s.dibs.empty()) {
            const size_t i = in.Byte() % s.dibs.size();
            // A bitmap still selected into a context is not deleted.
            const bool selected = std::any_of(s.selectedDib.begin(), s.selectedDib.end(),
                                              [&](const auto& e) { return e.second == i; });
            const BOOL deleted = DeleteObject(s.dibs[i].handle);
            if (selected) Check(!deleted);
            if (deleted) {
                Forget(s, s.dibs[i].handle);
                s.dibs.erase(s.dibs.begin() + long(i));
                for (auto& e : s.selectedDib)
                    if (e.second > i) --e.second;
            }
        }
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int baseline = QvGdiLiveObjectCount();
    State s;
    FuzzInput in(data, size);
    for (int steps = 0; steps < 64 && !in.empty(); ++steps) {
        switch (in.Below(8)) {
        case 0: CreateFont(in, s); break;
        case 1: CreateDib(in, s); break;
        case 2:
            if (s.dcs.size() < 3) {
                HDC dc = CreateCompatibleDC(in.Flag() ? nullptr : TakeDc(in, s));
                if (dc) s.dcs.push_back(dc);
            }
            break;
        case 3: Select(in, s); break;
        case 4: Measure(in, s); break;
        case 5: Draw(in, s); break;
        case 6: Delete(in, s); break;
        default: {
            HDC dc = TakeDc(in, s);
            SetMapMode(dc, in.Flag() ? MM_TEXT : in.Take<int>());
            GetDeviceCaps(dc, in.Flag() ? LOGPIXELSY : in.Take<int>());
            MulDiv(in.Take<int>(), in.Take<int>(), in.Take<int>());
            break;
        }
        }
    }
    // Contexts first: what they hold is then free to go.
    for (HDC dc : s.dcs) Check(DeleteDC(dc));
    for (HFONT f : s.fonts) Check(DeleteObject(f));
    for (const Dib& d : s.dibs) Check(DeleteObject(d.handle));
    Check(QvGdiLiveObjectCount() == baseline);
    return 0;
}
