// Windows of the Win32 subset: the table of records and the Win32 calls that work on them. The
// backend makes, shows and sizes the surfaces (win32_window.h); what a window is for Win32 (its
// procedure, its messages, whether it needs painting) is decided here, the same in every build.
#include "platform/core/win32_window.h"

#include <strings.h>

#include <memory>

#include <qv_win32.h>

#include "platform/core/win32_classes.h"
#include "platform/core/win32_msgbox.h"
#include "platform/core/win32_queue.h"

namespace qvwin {
namespace {

// Records of destroyed windows stay until a reset, so a stale handle never names a newer window.
// The table itself is never destroyed: windows still open at exit end with the process, as on
// Windows, with their surfaces (the backend's, which exit does not tear down) reachable till then.
std::vector<std::unique_ptr<WindowRecord>>& g_windows = *new std::vector<std::unique_ptr<WindowRecord>>;

HWND ToHandle(WindowRecord* rec) { return reinterpret_cast<HWND>(rec); }

}  // namespace

WindowRecord* Lookup(HWND hWnd)
{
    if (hWnd == nullptr) {
        return nullptr;
    }
    for (const auto& rec : g_windows) {
        if (ToHandle(rec.get()) == hWnd) {
            return rec->alive ? rec.get() : nullptr;
        }
    }
    return nullptr;
}

HWND FindLiveWindow(const std::function<bool(const Surface&)>& match)
{
    for (const auto& rec : g_windows) {
        if (rec->alive && match(*rec->surface)) {
            return ToHandle(rec.get());
        }
    }
    return nullptr;
}

std::vector<HWND> LiveWindows()
{
    std::vector<HWND> live;
    for (const auto& rec : g_windows) {
        if (rec->alive) {
            live.push_back(ToHandle(rec.get()));
        }
    }
    return live;
}

void ForgetWindows()
{
    // None is live any more while the surfaces go, so a backend letting one go finds no window
    // to tell.
    for (const auto& rec : g_windows) {
        rec->alive = false;
    }
    for (const auto& rec : g_windows) {
        if (rec->surface != nullptr) {
            DestroySurface(rec->surface);
            rec->surface = nullptr;
        }
    }
    g_windows.clear();
    ForgetClasses();
}

bool ClassHasWindows(const std::string& className)
{
    for (const auto& rec : g_windows) {
        if (rec->alive && strcasecmp(rec->className.c_str(), className.c_str()) == 0) {
            return true;
        }
    }
    return false;
}

WNDPROC WindowProc(HWND hWnd)
{
    WindowRecord* rec = Lookup(hWnd);
    return rec != nullptr ? rec->proc : nullptr;
}

HWND FindWindowToPaint(HWND filter)
{
    for (const auto& rec : g_windows) {
        if (rec->alive && rec->needsPaint && (filter == nullptr || filter == ToHandle(rec.get()))) {
            return ToHandle(rec.get());
        }
    }
    return nullptr;
}

}  // namespace qvwin

using namespace qvwin;

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle,
                            int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                            HINSTANCE hInstance, LPVOID lpParam)
{
    (void)dwExStyle;
    (void)hWndParent;
    (void)hMenu;
    (void)hInstance;
    (void)lpParam;
    const ClassRecord* cls = FindClass(lpClassName);
    if (cls == nullptr) {
        return nullptr;
    }
    Surface* surface = CreateSurface(WindowRequest{lpWindowName, dwStyle, X, Y, nWidth, nHeight});
    if (surface == nullptr) {
        return nullptr;
    }
    auto rec = std::make_unique<WindowRecord>();
    rec->className = cls->name;
    rec->proc = cls->wc.lpfnWndProc;
    rec->surface = surface;
    g_windows.push_back(std::move(rec));
    HWND hWnd = ToHandle(g_windows.back().get());

    int w = 0, h = 0;
    ClientSize(*surface, &w, &h);
    SendMessageA(hWnd, WM_SIZE, SIZE_RESTORED, SizeParam(w, h));
    if ((dwStyle & WS_VISIBLE) != 0) {
        ShowWindow(hWnd, SW_SHOW);
    }
    return Lookup(hWnd) != nullptr ? hWnd : nullptr;
}

BOOL WINAPI DestroyWindow(HWND hWnd)
{
    WindowRecord* rec = Lookup(hWnd);
    if (rec == nullptr || rec->destroying) {
        return FALSE;
    }
    rec->destroying = true;
    rec->proc(hWnd, WM_DESTROY, 0, 0);
    rec->alive = false;
    PurgeQueue(hWnd);
    DestroySurface(rec->surface);
    rec->surface = nullptr;
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow)
{
    WindowRecord* rec = Lookup(hWnd);
    if (rec == nullptr) {
        return FALSE;
    }
    const BOOL wasVisible = SurfaceVisible(*rec->surface) ? TRUE : FALSE;
    if (nCmdShow == SW_HIDE) {
        if (wasVisible) {
            HideSurface(*rec->surface);
            // A hidden window gets no WM_PAINT; showing it again invalidates it whole.
            rec->needsPaint = false;
            SendMessageA(hWnd, WM_SHOWWINDOW, FALSE, 0);
        }
        return wasVisible;
    }
    if (!wasVisible) {
        ShowSurface(*rec->surface);
        rec->needsPaint = true;
        SendMessageA(hWnd, WM_SHOWWINDOW, TRUE, 0);
    }
    // The window may have gone in WM_SHOWWINDOW.
    rec = Lookup(hWnd);
    if (rec != nullptr) {
        ArrangeSurface(*rec->surface, nCmdShow);
    }
    return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND hWnd)
{
    WindowRecord* rec = Lookup(hWnd);
    if (rec == nullptr) {
        return FALSE;
    }
    if (rec->needsPaint) {
        SendMessageA(hWnd, WM_PAINT, 0, 0);
    }
    return TRUE;
}

BOOL WINAPI ValidateRect(HWND hWnd, const RECT* lpRect)
{
    WindowRecord* rec = Lookup(hWnd);
    if (rec == nullptr) {
        return FALSE;
    }
    // Invalid regions are kept whole-window: only a rectangle covering the client area clears it.
    int w = 0, h = 0;
    ClientSize(*rec->surface, &w, &h);
    if (lpRect == nullptr ||
        (lpRect->left <= 0 && lpRect->top <= 0 && lpRect->right >= w && lpRect->bottom >= h)) {
        rec->needsPaint = false;
    }
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    constexpr LPARAM altHeld = LPARAM(1) << 29;
    switch (Msg) {
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_PAINT:
        ValidateRect(hWnd, nullptr);
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 && (lParam & altHeld) != 0 && AltF4Closes()) {
            SendMessageA(hWnd, WM_CLOSE, 0, 0);
        }
        return 0;
    default:
        return 0;
    }
}

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName)
{
    static char programImage;
    if (lpModuleName != nullptr) {
        return nullptr;  // only the program itself is a module here
    }
    return reinterpret_cast<HMODULE>(&programImage);
}

void QvResetWin32()
{
    ForgetWindows();
    ResetQueue();
    ForgetInput();
    ResetMessageBoxes();
    QvSetFakeClock(nullptr);
}
