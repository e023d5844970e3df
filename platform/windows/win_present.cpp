// A device's Present that keeps the picture's shape: a windowed back buffer goes to the largest
// rectangle of its shape in the client area, centred (Present's destination rectangle, which
// the copy swap effect the Direct3D wrapper asks for allows), and the bars beside it are painted
// black, where Direct3D would stretch it over the whole client area. The device is the system's
// own; only its table of methods is a copy with Present replaced, so that no other device
// changes and every other call goes straight to the system.
#include <d3d9.h>

#include <array>

#include "platform/d3d9/d3d9_letterbox.h"
#include "platform/windows/qv_win32_windows.h"
#include "platform/windows/win_hooks.h"

namespace {

using PresentFn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice9*, const RECT*, const RECT*, HWND, const RGNDATA*);

// IDirect3DDevice9's methods, IUnknown's three included, and Present's place among them.
constexpr size_t kMethods = 119;
constexpr size_t kPresent = 17;

// The copied table, one slot before the methods kept too (where some compilers put what the
// type is), and the system's table and Present it was copied from.
std::array<void*, kMethods + 1> g_table{};
void* const* g_systemTable = nullptr;
PresentFn g_systemPresent = nullptr;
RECT g_lastShown{};  // where the last Present of such a device put the picture in its window

void*& TableOf(IDirect3DDevice9* device) { return *reinterpret_cast<void**>(device); }

// The window Present shows into and the back buffer's size, when the device is windowed and its
// swap effect lets Present take a destination.
bool WindowedShow(IDirect3DDevice9* device, HWND override, HWND* window, int* width, int* height)
{
    IDirect3DSwapChain9* chain = nullptr;
    if (FAILED(device->GetSwapChain(0, &chain)) || chain == nullptr) return false;
    D3DPRESENT_PARAMETERS pp{};
    const HRESULT hr = chain->GetPresentParameters(&pp);
    chain->Release();
    if (FAILED(hr) || !pp.Windowed || pp.SwapEffect != D3DSWAPEFFECT_COPY) return false;
    *window = override != nullptr ? override : pp.hDeviceWindow;
    D3DDEVICE_CREATION_PARAMETERS created{};
    if (*window == nullptr && SUCCEEDED(device->GetCreationParameters(&created))) *window = created.hFocusWindow;
    *width = int(pp.BackBufferWidth);
    *height = int(pp.BackBufferHeight);
    return *window != nullptr;
}

void PaintBars(HWND window, const RECT& client, const RECT& shown)
{
    HDC dc = GetDC(window);
    if (dc == nullptr) return;
    const auto black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    const RECT bars[] = {{client.left, client.top, client.right, shown.top},
                         {client.left, shown.bottom, client.right, client.bottom},
                         {client.left, shown.top, shown.left, shown.bottom},
                         {shown.right, shown.top, client.right, shown.bottom}};
    for (const RECT& bar : bars) {
        if (bar.right > bar.left && bar.bottom > bar.top) FillRect(dc, &bar, black);
    }
    ReleaseDC(window, dc);
}

HRESULT STDMETHODCALLTYPE LetterboxedPresent(IDirect3DDevice9* device, const RECT* source, const RECT* dest,
                                             HWND override, const RGNDATA* dirty)
{
    HWND window = nullptr;
    int width = 0, height = 0;
    RECT client{};
    if (source == nullptr && dest == nullptr && WindowedShow(device, override, &window, &width, &height) &&
        GetClientRect(window, &client)) {
        const qv::d3d::ShownRect r = qv::d3d::LetterboxRect(client.right, client.bottom, width, height);
        // A client area of the picture's shape, or none, is Direct3D's own stretch.
        const RECT shown{r.x, r.y, r.x + r.width, r.y + r.height};
        g_lastShown = shown;
        if (r.width > 0 && (r.width != client.right || r.height != client.bottom)) {
            PaintBars(window, client, shown);
            return g_systemPresent(device, nullptr, &shown, override, dirty);
        }
    } else {
        g_lastShown = dest != nullptr ? *dest : RECT{};
    }
    return g_systemPresent(device, source, dest, override, dirty);
}

}  // namespace

namespace qvhooks {

void LetterboxPresents(IDirect3DDevice9* device)
{
    void*& table = TableOf(device);
    if (table == &g_table[1]) return;
    const auto system = static_cast<void* const*>(table);
    if (g_systemTable == nullptr) {
        g_systemTable = system;
        for (size_t i = 0; i < g_table.size(); ++i) g_table[i] = system[ptrdiff_t(i) - 1];
        g_systemPresent = reinterpret_cast<PresentFn>(g_table[1 + kPresent]);
        g_table[1 + kPresent] = reinterpret_cast<void*>(LetterboxedPresent);
    }
    // A device of another kind than the first keeps the system's Present.
    if (system == g_systemTable) table = &g_table[1];
}

}  // namespace qvhooks

RECT QvLastPresentRect() { return g_lastShown; }
