// Shared between the win32_*.cpp files: the window records and the thread's message queue.
#pragma once

#include <SDL.h>

#include <string>
#include <vector>

#include <qv_win32.h>

#include "platform/sdl/qv_win32_sdl.h"
#include "platform/core/win32_queue.h"

namespace qvwin {

struct WindowRecord {
    std::string className;
    WNDPROC proc = nullptr;
    SDL_Window* sdl = nullptr;
    Uint32 sdlId = 0;
    bool alive = true;
    bool destroying = false;
    bool shownOnce = false;
    bool needsPaint = false;  // the whole client area is invalid; cleared by ValidateRect
    bool placed = true;       // created at a given position, not CW_USEDEFAULT
    int outerX = 0;
    int outerY = 0;
    int outerWidth = 0;
    int outerHeight = 0;
};

// A live window's record, or nullptr (also for handles of destroyed windows).
WindowRecord* Lookup(HWND hWnd);
// The live window with this SDL window id, or nullptr.
HWND FromSdlId(Uint32 id);
// Every live window, for events meant for all of them.
std::vector<HWND> LiveWindows();
void ForgetWindows();

// Keyboard translation (win32_keys.cpp), called by the event pump.
void TranslateSdlKey(HWND hWnd, const SDL_KeyboardEvent& key);
void ResetKeys();
// Queues WM_KEYDOWN/WM_KEYUP for a key pressed or released on its own, with Windows' lParam.
void PostPlainKey(HWND hWnd, BYTE virtualKey, bool down);

// Game controllers (win32_gamepad.cpp): their SDL events become key messages.
void TranslateGamepadEvent(const SDL_Event& ev);
void ResetGamepads();

// Turns the SDL video subsystem on the first time a window needs it.
bool EnsureVideo();
bool VideoIsUp();

void ResetMessageBoxes();

// WM_SIZE's lParam: client width in the low word, height in the high word.
inline LPARAM SizeParam(int w, int h)
{
    return static_cast<LPARAM>((static_cast<DWORD>(h & 0xFFFF) << 16) | static_cast<DWORD>(w & 0xFFFF));
}

}  // namespace qvwin
