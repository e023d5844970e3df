// Shared between the sdl_*.cpp files: the SDL side of a window, key translation, controllers.
#pragma once

#include <SDL.h>

#include <qv_win32.h>

#include "platform/sdl/qv_win32_sdl.h"
#include "platform/core/win32_queue.h"
#include "platform/core/win32_window.h"

namespace qvwin {

// A window's SDL side. Windows sizes a window from its outer edge, SDL from its client area; the
// outer rectangle asked for is kept until the first show, when the frame is known.
struct Surface {
    SDL_Window* sdl = nullptr;
    Uint32 sdlId = 0;
    bool shownOnce = false;
    bool placed = true;  // created at a given position, not CW_USEDEFAULT
    int outerX = 0;
    int outerY = 0;
    int outerWidth = 0;
    int outerHeight = 0;
    // Full screen (sdl_window_show.cpp), and where the window was before it, with or without
    // its frame, put back on leaving it.
    bool fullscreen = false;
    bool bordered = true;
    SDL_Rect windowed = {0, 0, 0, 0};
};

// The live window with this SDL window id, or nullptr.
HWND FromSdlId(Uint32 id);

// Keyboard translation (sdl_keys.cpp), called by the event pump.
void TranslateSdlKey(HWND hWnd, const SDL_KeyboardEvent& key);
void ResetKeys();

// Game controllers (sdl_gamepad.cpp): their SDL events become key messages.
void TranslateGamepadEvent(const SDL_Event& ev);
void ResetGamepads();

// The window's show (sdl_window_show.cpp): its scale and full screen applied at its first show;
// F11 and Alt+Enter (press and release) kept from the key messages, a press switching full screen.
void ApplyWindowShow(Surface& surface);
void SetFullscreen(Surface& surface, bool fullscreen);
bool KeepShowKey(HWND hWnd, const SDL_KeyboardEvent& key);
void ResetWindowShow();

// Turns the SDL video subsystem on the first time a window needs it.
bool EnsureVideo();
bool VideoIsUp();

}  // namespace qvwin
