// The SDL backend of the window table (platform/core/win32_window.h): each window an SDL window
// made for OpenGL.
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/sdl/sdl_internal.h"

namespace qvwin {
namespace {

// Windows sizes a window from its outer edge, SDL from its client area. The window manager's
// frame is only known once the window is mapped, so the first show trims it off.
void FitFrameToOuterSize(Surface& s)
{
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(s.sdl, &top, &left, &bottom, &right) != 0) {
        return;
    }
    if (top <= 0 && left <= 0 && bottom <= 0 && right <= 0) {
        return;
    }
    const int w = std::max(1, s.outerWidth - left - right);
    const int h = std::max(1, s.outerHeight - top - bottom);
    SDL_SetWindowSize(s.sdl, w, h);
    if (s.placed) {
        SDL_SetWindowPosition(s.sdl, s.outerX + left, s.outerY + top);
    }
}

}  // namespace

Surface* CreateSurface(const WindowRequest& request)
{
    if (!EnsureVideo()) {
        return nullptr;
    }
    auto s = std::make_unique<Surface>();
    s->placed = request.x != CW_USEDEFAULT;
    s->outerX = s->placed ? request.x : 0;
    s->outerY = s->placed ? request.y : 0;
    s->outerWidth = request.width == CW_USEDEFAULT ? 640 : std::max(1, request.width);
    s->outerHeight = request.width == CW_USEDEFAULT ? 480 : std::max(1, request.height);

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if ((request.style & WS_THICKFRAME) != 0) {
        flags |= SDL_WINDOW_RESIZABLE;
    }
    if ((request.style & WS_POPUP) != 0 && (request.style & WS_CAPTION) == 0) {
        flags |= SDL_WINDOW_BORDERLESS;
    }
    const int x = s->placed ? s->outerX : static_cast<int>(SDL_WINDOWPOS_UNDEFINED);
    const int y = s->placed ? s->outerY : static_cast<int>(SDL_WINDOWPOS_UNDEFINED);
    s->sdl = SDL_CreateWindow(request.title != nullptr ? request.title : "", x, y, s->outerWidth,
                              s->outerHeight, flags);
    if (s->sdl == nullptr) {
        std::fprintf(stderr, "CreateWindowExA: %s\n", SDL_GetError());
        return nullptr;
    }
    s->sdlId = SDL_GetWindowID(s->sdl);
    return s.release();
}

void DestroySurface(Surface* surface)
{
    const std::unique_ptr<Surface> s(surface);
    SDL_DestroyWindow(s->sdl);
}

bool SurfaceVisible(const Surface& surface) { return (SDL_GetWindowFlags(surface.sdl) & SDL_WINDOW_SHOWN) != 0; }

void ShowSurface(Surface& surface)
{
    SDL_ShowWindow(surface.sdl);
    if (!surface.shownOnce) {
        surface.shownOnce = true;
        FitFrameToOuterSize(surface);
        ApplyWindowShow(surface);
    }
}

void HideSurface(Surface& surface) { SDL_HideWindow(surface.sdl); }

void ArrangeSurface(Surface& surface, int nCmdShow)
{
    enum { ShowMinimized = 2, ShowMaximized = 3, ShowMinNoActive = 7, ForceMinimize = 11 };
    switch (nCmdShow) {
    case ShowMinimized:
    case SW_MINIMIZE:
    case ShowMinNoActive:
    case ForceMinimize:
        SDL_MinimizeWindow(surface.sdl);
        break;
    case ShowMaximized:
        SDL_MaximizeWindow(surface.sdl);
        break;
    case SW_RESTORE:
        SDL_RestoreWindow(surface.sdl);
        break;
    default:
        break;
    }
}

void ClientSize(const Surface& surface, int* width, int* height) { SDL_GetWindowSize(surface.sdl, width, height); }

bool AltF4Closes() { return true; }

void ForgetInput()
{
    ResetKeys();
    ResetGamepads();
    ResetWindowShow();
}

HWND FromSdlId(Uint32 id)
{
    return id != 0 ? FindLiveWindow([id](const Surface& s) { return s.sdlId == id; }) : nullptr;
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

SDL_Window* QvWindowFromHwnd(HWND hWnd)
{
    WindowRecord* rec = Lookup(hWnd);
    return rec != nullptr ? rec->surface->sdl : nullptr;
}
