// How the game's window is shown on the real Windows (qv_win32_windows.h): the program's own
// CreateWindowExA (import_patch.h) sizes each top-level window for its monitor's DPI or the asked
// scale and puts a window procedure in front of the program's, which keeps F11 and Alt+Enter for
// full screen, as a window manager would, and follows WM_DPICHANGED. The program's procedure
// sees every other message as before.
#include "platform/windows/qv_win32_windows.h"

#include <array>
#include <map>

#include "platform/windows/import_patch.h"
#include "platform/windows/win_hooks.h"

namespace {

HWND WINAPI ShownCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR name, DWORD style, int x, int y, int width,
                                 int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);

using CreateFn = HWND(WINAPI*)(DWORD, LPCSTR, LPCSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE, LPVOID);
const CreateFn g_createWindowExA = qvhooks::Reroute("user32.dll", "CreateWindowExA", ShownCreateWindowExA);

bool g_shown = false;  // QvSetWindowShow was called: windows from now on are ours to show
int g_scale = 0;       // 0: the monitor's
bool g_startFullscreen = false;

struct ShownWindow {
    WNDPROC programProc = nullptr;
    bool fullscreen = false;
    LONG_PTR style = 0, exStyle = 0;  // as they were before full screen
    RECT windowed{};                  // the window's rectangle before full screen
    std::array<bool, 256> kept{};     // keys pressed for full screen: their releases go nowhere either
};
std::map<HWND, ShownWindow> g_windows;

// GetProcAddress's answer as the function it is.
template <class Fn>
Fn Resolve(HMODULE module, const char* name)
{
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Per-monitor awareness, version 2 (Windows 10 1703) where there is one, then version 1
// (Windows 8.1), then the system's DPI (Vista). Each looked up, so that older Windows start too.
void DeclareDpiAwareness()
{
    HMODULE user32 = GetModuleHandleA("user32.dll");
    using ContextFn = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    if (auto setContext = Resolve<ContextFn>(user32, "SetProcessDpiAwarenessContext")) {
        if (setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) || setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE))
            return;
    }
    using AwarenessFn = HRESULT(WINAPI*)(int);
    if (auto setAwareness = Resolve<AwarenessFn>(LoadLibraryA("shcore.dll"), "SetProcessDpiAwareness")) {
        if (SUCCEEDED(setAwareness(2 /* PROCESS_PER_MONITOR_DPI_AWARE */))) return;
    }
    using AwareFn = BOOL(WINAPI*)();
    if (auto setAware = Resolve<AwareFn>(user32, "SetProcessDPIAware")) setAware();
}

UINT WindowDpi(HWND hWnd)
{
    using WindowDpiFn = UINT(WINAPI*)(HWND);
    static const auto dpiForWindow = Resolve<WindowDpiFn>(GetModuleHandleA("user32.dll"), "GetDpiForWindow");
    if (dpiForWindow != nullptr) {
        if (const UINT dpi = dpiForWindow(hWnd)) return dpi;
    }
    using MonitorDpiFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const auto dpiForMonitor = Resolve<MonitorDpiFn>(LoadLibraryA("shcore.dll"), "GetDpiForMonitor");
    UINT x = 0, y = 0;
    if (dpiForMonitor != nullptr &&
        SUCCEEDED(dpiForMonitor(MonitorFromWindow(hWnd, MONITOR_DEFAULTTONEAREST), 0 /* MDT_EFFECTIVE_DPI */, &x, &y)) &&
        x != 0)
        return x;
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi > 0 ? UINT(dpi) : USER_DEFAULT_SCREEN_DPI;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

void Place(HWND hWnd, const RECT& r, UINT flags)
{
    SetWindowPos(hWnd, nullptr, r.left, r.top, Width(r), Height(r), flags | SWP_NOZORDER | SWP_NOOWNERZORDER);
}

bool MonitorRect(HWND hWnd, RECT* out)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(MonitorFromWindow(hWnd, MONITOR_DEFAULTTONEAREST), &info)) return false;
    *out = info.rcMonitor;
    return true;
}

// The frame a full-screen window goes without.
constexpr LONG_PTR kFrame = WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr LONG_PTR kFrameEx = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE;

void SetFullscreen(HWND hWnd, ShownWindow& w, bool fullscreen)
{
    if (fullscreen == w.fullscreen) return;
    if (fullscreen) {
        RECT monitor{};
        if (!MonitorRect(hWnd, &monitor) || !GetWindowRect(hWnd, &w.windowed)) return;
        w.style = GetWindowLongPtrA(hWnd, GWL_STYLE);
        w.exStyle = GetWindowLongPtrA(hWnd, GWL_EXSTYLE);
        SetWindowLongPtrA(hWnd, GWL_STYLE, (w.style & ~kFrame) | WS_POPUP);
        SetWindowLongPtrA(hWnd, GWL_EXSTYLE, w.exStyle & ~kFrameEx);
        SetWindowPos(hWnd, HWND_TOP, monitor.left, monitor.top, Width(monitor), Height(monitor),
                     SWP_FRAMECHANGED | SWP_NOOWNERZORDER);
    } else {
        // Shown or hidden, minimised or not, as it is now; the rest as it was.
        constexpr LONG_PTR kState = WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE | WS_DISABLED;
        const LONG_PTR now = GetWindowLongPtrA(hWnd, GWL_STYLE);
        SetWindowLongPtrA(hWnd, GWL_STYLE, (w.style & ~kState) | (now & kState));
        SetWindowLongPtrA(hWnd, GWL_EXSTYLE, w.exStyle);
        Place(hWnd, w.windowed, SWP_FRAMECHANGED | SWP_NOACTIVATE);
    }
    w.fullscreen = fullscreen;
}

// A key message for full screen: F11, or Enter with Alt (and no Ctrl: Ctrl+Alt is AltGr), and
// the releases of keys pressed for it.
bool KeepKey(HWND hWnd, ShownWindow& w, UINT message, WPARAM key, LPARAM lParam)
{
    if (key >= w.kept.size()) return false;
    if (message == WM_KEYUP || message == WM_SYSKEYUP) {
        const bool kept = w.kept[key];
        w.kept[key] = false;
        return kept;
    }
    const bool altHeld = (lParam & (LPARAM(1) << 29)) != 0;
    if (key != VK_F11 && !(key == VK_RETURN && altHeld)) return false;
    w.kept[key] = true;
    const bool repeat = (lParam & (LPARAM(1) << 30)) != 0;
    if (!repeat) SetFullscreen(hWnd, w, !w.fullscreen);
    // With Alt held, the system hears of the chord, or letting Alt go would open the window's
    // menu as if Alt had been pressed alone.
    if (message == WM_SYSKEYDOWN) DefWindowProcA(hWnd, message, key, lParam);
    return true;
}

void FollowDpi(HWND hWnd, ShownWindow& w, const RECT& suggested)
{
    RECT monitor{};
    if (!w.fullscreen)
        Place(hWnd, suggested, SWP_NOACTIVATE);
    else if (MonitorRect(hWnd, &monitor))  // a full-screen window moved to a monitor of another scale
        Place(hWnd, monitor, SWP_NOACTIVATE);
}

LRESULT CALLBACK ShowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto found = g_windows.find(hWnd);
    if (found == g_windows.end()) return DefWindowProcA(hWnd, message, wParam, lParam);
    ShownWindow& w = found->second;
    const WNDPROC programProc = w.programProc;
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (KeepKey(hWnd, w, message, wParam, lParam)) return 0;
        break;
    case WM_SYSCHAR:
        // Alt+Enter's character: the system would look for a menu item to choose and beep.
        if (wParam == '\r') return 0;
        break;
    case WM_DPICHANGED:
        FollowDpi(hWnd, w, *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_NCDESTROY:
        g_windows.erase(found);
        break;
    default:
        break;
    }
    return CallWindowProcA(programProc, hWnd, message, wParam, lParam);
}

void Adopt(HWND hWnd)
{
    RECT r{};
    if (!GetWindowRect(hWnd, &r)) return;
    // The window's own size is what it asked for at 96 DPI, and Windows used to stretch it
    // by the monitor's scale; now it is drawn at that size instead.
    const int dpi = int(WindowDpi(hWnd));
    const int width = g_scale > 0 ? Width(r) * g_scale : MulDiv(Width(r), dpi, USER_DEFAULT_SCREEN_DPI);
    const int height = g_scale > 0 ? Height(r) * g_scale : MulDiv(Height(r), dpi, USER_DEFAULT_SCREEN_DPI);
    if (width != Width(r) || height != Height(r))
        SetWindowPos(hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);

    ShownWindow& w = g_windows[hWnd];
    w = ShownWindow{};
    w.programProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hWnd, GWLP_WNDPROC));
    SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ShowProc));
    if (g_startFullscreen) SetFullscreen(hWnd, w, true);
}

HWND WINAPI ShownCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR name, DWORD style, int x, int y, int width,
                                 int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    HWND hWnd = g_createWindowExA(exStyle, className, name, style, x, y, width, height, parent, menu, instance, param);
    if (hWnd != nullptr && g_shown && parent == nullptr && (style & WS_CHILD) == 0) Adopt(hWnd);
    return hWnd;
}

[[maybe_unused]] const bool g_resetInPlace = (qvhooks::g_resetWindowShow = [] {
    g_shown = false;
    g_scale = 0;
    g_startFullscreen = false;
    qvhooks::g_letterboxPresents = false;
}, true);

}  // namespace

void QvSetWindowShow(int scale, bool fullscreen)
{
    if (!g_shown) DeclareDpiAwareness();
    g_shown = true;
    g_scale = scale >= 1 && scale <= 8 ? scale : 0;
    g_startFullscreen = fullscreen;
    qvhooks::g_letterboxPresents = true;
}

BOOL QvIsWindowFullscreen(HWND hWnd)
{
    const auto found = g_windows.find(hWnd);
    return found != g_windows.end() && found->second.fullscreen ? TRUE : FALSE;
}
