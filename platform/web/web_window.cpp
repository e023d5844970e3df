// Window classes and windows of the Win32 subset in a page. The page has one canvas, 640 x 480,
// and the first window made stands for it: its title becomes the page's title, its messages get
// the page's keys. Later windows exist as Windows would have them, without a surface of their own.
#include <emscripten.h>
#include <emscripten/html5.h>
#include <strings.h>

#include <memory>
#include <string>
#include <vector>

#include <qv_win32.h>

#include "platform/web/web_internal.h"
#include "platform/core/win32_classes.h"

namespace qvweb {
namespace {

struct WindowRecord {
    std::string className;
    WNDPROC proc = nullptr;
    bool alive = true;
    bool destroying = false;
    bool visible = false;
    bool needsPaint = false;
    bool ownsCanvas = false;
};

// Records of destroyed windows stay until a reset, so a stale handle never names a newer window.
std::vector<std::unique_ptr<WindowRecord>> g_windows;

constexpr int kCanvasWidth = 640;
constexpr int kCanvasHeight = 480;

HWND ToHandle(WindowRecord* rec) { return reinterpret_cast<HWND>(rec); }

WindowRecord* Lookup(HWND hWnd)
{
    if (hWnd == nullptr) return nullptr;
    for (const auto& rec : g_windows) {
        if (ToHandle(rec.get()) == hWnd) return rec->alive ? rec.get() : nullptr;
    }
    return nullptr;
}

bool CanvasTaken()
{
    for (const auto& rec : g_windows) {
        if (rec->alive && rec->ownsCanvas) return true;
    }
    return false;
}

LPARAM SizeParam(int w, int h)
{
    return static_cast<LPARAM>((static_cast<DWORD>(h & 0xFFFF) << 16) | static_cast<DWORD>(w & 0xFFFF));
}

}  // namespace

HWND InputWindow()
{
    for (const auto& rec : g_windows) {
        if (rec->alive && rec->ownsCanvas) return ToHandle(rec.get());
    }
    return nullptr;
}

void ResetWindows()
{
    g_windows.clear();
    qvwin::ForgetClasses();
}

}  // namespace qvweb

namespace qvwin {

bool ClassHasWindows(const std::string& className)
{
    for (const auto& rec : qvweb::g_windows) {
        if (rec->alive && strcasecmp(rec->className.c_str(), className.c_str()) == 0) return true;
    }
    return false;
}

WNDPROC WindowProc(HWND hWnd)
{
    qvweb::WindowRecord* rec = qvweb::Lookup(hWnd);
    return rec != nullptr ? rec->proc : nullptr;
}

HWND FindWindowToPaint(HWND filter)
{
    for (const auto& rec : qvweb::g_windows) {
        HWND h = qvweb::ToHandle(rec.get());
        if (rec->alive && rec->needsPaint && (filter == nullptr || filter == h)) return h;
    }
    return nullptr;
}

}  // namespace qvwin

using namespace qvweb;

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle,
                            int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                            HINSTANCE hInstance, LPVOID lpParam)
{
    (void)dwExStyle, (void)X, (void)Y, (void)nWidth, (void)nHeight, (void)hWndParent, (void)hMenu;
    (void)hInstance, (void)lpParam;
    const qvwin::ClassRecord* cls = qvwin::FindClass(lpClassName);
    if (cls == nullptr) return nullptr;
    auto rec = std::make_unique<WindowRecord>();
    rec->className = cls->name;
    rec->proc = cls->wc.lpfnWndProc;
    // The canvas keeps its size whatever the window asks: the back buffer is drawn into it,
    // and the page scales the canvas, never its pixels.
    rec->ownsCanvas = !CanvasTaken();
    if (rec->ownsCanvas) {
        emscripten_set_canvas_element_size(kCanvas, kCanvasWidth, kCanvasHeight);
        if (lpWindowName != nullptr) emscripten_set_window_title(lpWindowName);
        ListenForInput();
    }
    g_windows.push_back(std::move(rec));
    HWND hWnd = ToHandle(g_windows.back().get());
    SendMessageA(hWnd, WM_SIZE, SIZE_RESTORED, SizeParam(kCanvasWidth, kCanvasHeight));
    if ((dwStyle & WS_VISIBLE) != 0) ShowWindow(hWnd, SW_SHOW);
    return Lookup(hWnd) != nullptr ? hWnd : nullptr;
}

BOOL WINAPI DestroyWindow(HWND hWnd)
{
    WindowRecord* rec = Lookup(hWnd);
    if (rec == nullptr || rec->destroying) return FALSE;
    rec->destroying = true;
    if (rec->ownsCanvas) ReleaseHeldKeys();
    rec->proc(hWnd, WM_DESTROY, 0, 0);
    rec->alive = false;
    qvwin::PurgeQueue(hWnd);
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow)
{
    WindowRecord* rec = Lookup(hWnd);
    if (rec == nullptr) return FALSE;
    const BOOL wasVisible = rec->visible ? TRUE : FALSE;
    const bool show = nCmdShow != SW_HIDE;
    if (show != rec->visible) {
        rec->visible = show;
        rec->needsPaint = show;
        SendMessageA(hWnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    }
    return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND hWnd)
{
    WindowRecord* rec = Lookup(hWnd);
    if (rec == nullptr) return FALSE;
    if (rec->needsPaint) SendMessageA(hWnd, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL WINAPI ValidateRect(HWND hWnd, const RECT* lpRect)
{
    WindowRecord* rec = Lookup(hWnd);
    if (rec == nullptr) return FALSE;
    // Invalid regions are kept whole-window: only a rectangle covering the client area clears it.
    if (lpRect == nullptr || (lpRect->left <= 0 && lpRect->top <= 0 && lpRect->right >= kCanvasWidth &&
                              lpRect->bottom >= kCanvasHeight)) {
        rec->needsPaint = false;
    }
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    (void)wParam, (void)lParam;
    switch (Msg) {
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_PAINT:
        ValidateRect(hWnd, nullptr);
        return 0;
    default:
        return 0;  // Alt+F4 belongs to the browser here
    }
}

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName)
{
    static char programImage;
    if (lpModuleName != nullptr) return nullptr;  // only the program itself is a module here
    return reinterpret_cast<HMODULE>(&programImage);
}

// No display to choose in a page.
void QvUseOffscreenVideoWithoutDisplay() {}

void QvResetWin32()
{
    ResetWindows();
    qvwin::ResetQueue();
    ResetInput();
    qvweb::ResetMessageBoxes();
    QvSetFakeClock(nullptr);
}
