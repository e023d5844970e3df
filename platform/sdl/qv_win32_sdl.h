// The SDL side of our Win32 substitute, for the Direct3D layer and the Linux-only tests.
#pragma once

#include <windows.h>

struct SDL_Window;

// The SDL window behind a window handle, or nullptr for a handle that is not a live window.
// The Direct3D layer makes its GL context on it.
SDL_Window* QvWindowFromHwnd(HWND hWnd);
