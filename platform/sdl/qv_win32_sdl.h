// The SDL side of our Win32 substitute, for the Direct3D layer and the Linux-only tests.
#pragma once

#include <windows.h>

struct SDL_Window;

// Windows made from now on open `scale` times their size (1 to 8) and, with `fullscreen`, in
// full screen at the desktop's size; F11 and Alt+Enter switch any window in and out of it.
// QvResetWin32 goes back to 1 and windowed.
void QvSetWindowShow(int scale, bool fullscreen);

// The SDL window behind a window handle, or nullptr for a handle that is not a live window.
// The Direct3D layer makes its GL context on it.
SDL_Window* QvWindowFromHwnd(HWND hWnd);
