// How the game's window is shown, outside the game: a larger window, full screen, and the keys
// that switch full screen (F11, Alt+Enter), which the platform keeps to itself as a window
// manager would, so that they never reach the window's key messages.
#include <array>
#include <cstdio>

#include "platform/sdl/sdl_internal.h"

namespace qvwin {
namespace {

int g_windowScale = 1;
bool g_startFullscreen = false;
// Keys pressed for the platform: their releases go nowhere either.
std::array<bool, SDL_NUM_SCANCODES> g_keptDown{};

bool IsFullscreenKey(const SDL_KeyboardEvent& key)
{
    const SDL_Scancode sc = key.keysym.scancode;
    if (sc == SDL_SCANCODE_F11) {
        return true;
    }
    return (sc == SDL_SCANCODE_RETURN || sc == SDL_SCANCODE_KP_ENTER) && (key.keysym.mod & KMOD_ALT) != 0;
}

}  // namespace

void SetFullscreen(Surface& surface, bool fullscreen)
{
    if (fullscreen == surface.fullscreen) {
        return;
    }
    // Full screen is the window without its frame over the whole of its display, at the
    // desktop's own mode. SDL's desktop full screen asks the window manager for it, and with
    // none (Xvfb, a bare X server) SDL reports the new size while the window keeps its old one.
    SDL_Rect& r = surface.windowed;
    if (fullscreen) {
        SDL_Rect bounds{};
        const int display = SDL_GetWindowDisplayIndex(surface.sdl);
        if (SDL_GetDisplayBounds(display >= 0 ? display : 0, &bounds) != 0) {
            std::fprintf(stderr, "full screen: %s\n", SDL_GetError());
            return;
        }
        SDL_GetWindowPosition(surface.sdl, &r.x, &r.y);
        SDL_GetWindowSize(surface.sdl, &r.w, &r.h);
        surface.bordered = (SDL_GetWindowFlags(surface.sdl) & SDL_WINDOW_BORDERLESS) == 0;
        SDL_SetWindowBordered(surface.sdl, SDL_FALSE);
        SDL_SetWindowPosition(surface.sdl, bounds.x, bounds.y);
        SDL_SetWindowSize(surface.sdl, bounds.w, bounds.h);
        SDL_RaiseWindow(surface.sdl);
    } else {
        SDL_SetWindowBordered(surface.sdl, surface.bordered ? SDL_TRUE : SDL_FALSE);
        SDL_SetWindowSize(surface.sdl, r.w, r.h);
        SDL_SetWindowPosition(surface.sdl, r.x, r.y);
    }
    surface.fullscreen = fullscreen;
}


void ApplyWindowShow(Surface& surface)
{
    if (g_windowScale > 1) {
        int w = 0, h = 0;
        SDL_GetWindowSize(surface.sdl, &w, &h);
        SDL_SetWindowSize(surface.sdl, w * g_windowScale, h * g_windowScale);
    }
    if (g_startFullscreen) {
        SetFullscreen(surface, true);
    }
}

bool KeepShowKey(HWND hWnd, const SDL_KeyboardEvent& key)
{
    const SDL_Scancode sc = key.keysym.scancode;
    if (sc < 0 || sc >= SDL_NUM_SCANCODES) {
        return false;
    }
    if (key.type == SDL_KEYUP) {
        const bool kept = g_keptDown[size_t(sc)];
        g_keptDown[size_t(sc)] = false;
        return kept;
    }
    if (!IsFullscreenKey(key)) {
        return false;
    }
    g_keptDown[size_t(sc)] = true;
    WindowRecord* rec = Lookup(hWnd);
    if (rec != nullptr && key.repeat == 0) {
        SetFullscreen(*rec->surface, !rec->surface->fullscreen);
    }
    return true;
}

void ResetWindowShow()
{
    g_windowScale = 1;
    g_startFullscreen = false;
    g_keptDown.fill(false);
}

}  // namespace qvwin

void QvSetWindowShow(int scale, bool fullscreen)
{
    qvwin::g_windowScale = scale >= 1 && scale <= 8 ? scale : 1;
    qvwin::g_startFullscreen = fullscreen;
}
