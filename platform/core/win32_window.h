// The window table every build of our Win32 shares (win32_window.cpp): the windows' records and
// what Win32 decides about them (making, showing, painting and destroying a window, the default
// window procedure). What a window stands on is its backend's: an SDL window on Linux, the page's
// canvas in a browser. The backend supplies it through the functions at the end of this file.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <windows.h>

namespace qvwin {

// A backend's part of a window (defined by the backend).
struct Surface;

struct WindowRecord {
    std::string className;
    WNDPROC proc = nullptr;
    Surface* surface = nullptr;  // made by CreateSurface, let go by DestroySurface with the window
    bool alive = true;
    bool destroying = false;
    bool needsPaint = false;  // the whole client area is invalid; cleared by ValidateRect
};

// A live window's record, or nullptr (also for handles of destroyed windows).
WindowRecord* Lookup(HWND hWnd);
// The first live window, oldest first, whose surface passes `match`; nullptr if none does.
HWND FindLiveWindow(const std::function<bool(const Surface&)>& match);
// Every live window, oldest first, for events meant for all of them.
std::vector<HWND> LiveWindows();
// Drops every window without sending it messages, and forgets every class.
void ForgetWindows();

// WM_SIZE's lParam: client width in the low word, height in the high word.
inline LPARAM SizeParam(int w, int h)
{
    return static_cast<LPARAM>((static_cast<DWORD>(h & 0xFFFF) << 16) | static_cast<DWORD>(w & 0xFFFF));
}

// ---- what each backend supplies (sdl/sdl_window.cpp, web/web_window.cpp) ------------------------

// What CreateWindowExA was asked for; the title may be nullptr, the position and size
// CW_USEDEFAULT.
struct WindowRequest {
    LPCSTR title;
    DWORD style;
    int x;
    int y;
    int width;
    int height;
};

// Makes a new window's surface, hidden; nullptr, with the reason on stderr, when it cannot.
Surface* CreateSurface(const WindowRequest& request);
// Lets a surface go once its window is no longer live (destroyed, or dropped by a reset).
void DestroySurface(Surface* surface);
bool SurfaceVisible(const Surface& surface);
void ShowSurface(Surface& surface);
void HideSurface(Surface& surface);
// Minimises, maximises or restores a shown surface as ShowWindow's command asks.
void ArrangeSurface(Surface& surface, int nCmdShow);
void ClientSize(const Surface& surface, int* width, int* height);
// Whether Alt+F4 reaching DefWindowProcA closes the window (in a page the browser keeps it).
bool AltF4Closes();
// QvResetWin32's part of the backend's input: keys fed and held, game controllers off.
void ForgetInput();

}  // namespace qvwin
