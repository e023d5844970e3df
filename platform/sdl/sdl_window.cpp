// Window classes and windows of the Win32 subset, each window an SDL window made for OpenGL.
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/core/win32_classes.h"
#include "platform/sdl/sdl_internal.h"

namespace qvwin {
namespace {

// Records of destroyed windows stay until a reset, so a stale handle never names a newer window.
std::vector<std::unique_ptr<WindowRecord>> g_windows;

HWND ToHandle(WindowRecord* rec) { return reinterpret_cast<HWND>(rec); }

// Windows sizes a window from its outer edge, SDL from its client area. The window manager's
// frame is only known once the window is mapped, so the first show trims it off.
void FitFrameToOuterSize(WindowRecord& rec)
{
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(rec.sdl, &top, &left, &bottom, &right) != 0) {
        return;
    }
    if (top <= 0 && left <= 0 && bottom <= 0 && right <= 0) {
        return;
    }
    const int w = std::max(1, rec.outerWidth - left - right);
    const int h = std::max(1, rec.outerHeight - top - bottom);
    SDL_SetWindowSize(rec.sdl, w, h);
    if (rec.placed) {
        SDL_SetWindowPosition(rec.sdl, rec.outerX + left, rec.outerY + top);
    }
}

LPARAM ClientSizeParam(SDL_Window* sdl)
{
    int w = 0, h = 0;
    SDL_GetWindowSize(sdl, &w, &h);
    return SizeParam(w, h);
}

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

HWND FromSdlId(Uint32 id)
{
    for (const auto& rec : g_windows) {
        if (rec->alive && id != 0 && rec->sdlId == id) {
            return ToHandle(rec.get());
        }
    }
    return nullptr;
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
    for (const auto& rec : g_windows) {
        if (rec->sdl != nullptr) {
            SDL_DestroyWindow(rec->sdl);
        }
    }
    g_windows.clear();
    ForgetClasses();
}

bool EnsureVideo()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        return true;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "CreateWindowExA: no video: %s\n", SDL_GetError());
        return false;
    }
    // SDL loads the GL library with the first OpenGL window and drops it with the last; held
    // here it stays for the process, so windows made one after another do not reload the driver.
    if (SDL_GL_LoadLibrary(nullptr) != 0) {
        std::fprintf(stderr, "CreateWindowExA: no OpenGL: %s\n", SDL_GetError());
    }
    return true;
}

// An X or Wayland display named in the environment.
bool DisplayNamed()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

bool VideoIsUp()
{
    const char* headless = std::getenv("QV_HEADLESS");
    if (headless != nullptr && std::string(headless) == "1") {
        return false;
    }
    const char* driver = SDL_WasInit(SDL_INIT_VIDEO) != 0 ? SDL_GetCurrentVideoDriver()
                                                          : std::getenv("SDL_VIDEODRIVER");
    if (driver != nullptr && (strcasecmp(driver, "offscreen") == 0 || strcasecmp(driver, "dummy") == 0)) {
        return false;
    }
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        return true;
    }
    return DisplayNamed();
}

}  // namespace qvwin

using namespace qvwin;

void QvUseOffscreenVideoWithoutDisplay()
{
    // SDL never picks its offscreen driver by itself (it must be asked for by name), and without
    // a display every driver it would pick fails, so a headless machine would get no window and
    // no GL device. With a display the tools use it as the game does. setenv without
    // overwriting: a driver the user chose stays chosen.
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && !DisplayNamed()) {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
    }
}

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
    if (cls == nullptr || !EnsureVideo()) {
        return nullptr;
    }
    auto rec = std::make_unique<WindowRecord>();
    rec->className = cls->name;
    rec->proc = cls->wc.lpfnWndProc;
    rec->placed = X != CW_USEDEFAULT;
    rec->outerX = rec->placed ? X : 0;
    rec->outerY = rec->placed ? Y : 0;
    rec->outerWidth = nWidth == CW_USEDEFAULT ? 640 : std::max(1, nWidth);
    rec->outerHeight = nWidth == CW_USEDEFAULT ? 480 : std::max(1, nHeight);

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if ((dwStyle & WS_THICKFRAME) != 0) {
        flags |= SDL_WINDOW_RESIZABLE;
    }
    if ((dwStyle & WS_POPUP) != 0 && (dwStyle & WS_CAPTION) == 0) {
        flags |= SDL_WINDOW_BORDERLESS;
    }
    const int x = rec->placed ? rec->outerX : static_cast<int>(SDL_WINDOWPOS_UNDEFINED);
    const int y = rec->placed ? rec->outerY : static_cast<int>(SDL_WINDOWPOS_UNDEFINED);
    rec->sdl = SDL_CreateWindow(lpWindowName != nullptr ? lpWindowName : "", x, y, rec->outerWidth,
                                rec->outerHeight, flags);
    if (rec->sdl == nullptr) {
        std::fprintf(stderr, "CreateWindowExA: %s\n", SDL_GetError());
        return nullptr;
    }
    rec->sdlId = SDL_GetWindowID(rec->sdl);
    g_windows.push_back(std::move(rec));
    HWND hWnd = ToHandle(g_windows.back().get());

    SendMessageA(hWnd, WM_SIZE, SIZE_RESTORED, ClientSizeParam(g_windows.back()->sdl));
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
    SDL_DestroyWindow(rec->sdl);
    rec->sdl = nullptr;
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow)
{
    WindowRecord* rec = Lookup(hWnd);
    if (rec == nullptr) {
        return FALSE;
    }
    const BOOL wasVisible = (SDL_GetWindowFlags(rec->sdl) & SDL_WINDOW_SHOWN) != 0 ? TRUE : FALSE;
    if (nCmdShow == SW_HIDE) {
        if (wasVisible) {
            SDL_HideWindow(rec->sdl);
            SendMessageA(hWnd, WM_SHOWWINDOW, FALSE, 0);
        }
        return wasVisible;
    }
    if (!wasVisible) {
        SDL_ShowWindow(rec->sdl);
        if (!rec->shownOnce) {
            rec->shownOnce = true;
            FitFrameToOuterSize(*rec);
        }
        rec->needsPaint = true;
        SendMessageA(hWnd, WM_SHOWWINDOW, TRUE, 0);
    }
    enum { ShowMinimized = 2, ShowMaximized = 3, ShowMinNoActive = 7, ForceMinimize = 11 };
    switch (nCmdShow) {
    case ShowMinimized:
    case SW_MINIMIZE:
    case ShowMinNoActive:
    case ForceMinimize:
        SDL_MinimizeWindow(rec->sdl);
        break;
    case ShowMaximized:
        SDL_MaximizeWindow(rec->sdl);
        break;
    case SW_RESTORE:
        SDL_RestoreWindow(rec->sdl);
        break;
    default:
        break;
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
    SDL_GetWindowSize(rec->sdl, &w, &h);
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
        if (wParam == VK_F4 && (lParam & altHeld) != 0) {
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

SDL_Window* QvWindowFromHwnd(HWND hWnd)
{
    WindowRecord* rec = Lookup(hWnd);
    return rec != nullptr ? rec->sdl : nullptr;
}

void QvResetWin32()
{
    ForgetWindows();
    ResetQueue();
    ResetKeys();
    ResetMessageBoxes();
    ResetGamepads();
    QvSetFakeClock(nullptr);
}
