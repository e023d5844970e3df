// How the game's window is shown on Windows, outside the game: its size on a monitor of any
// scale, full screen, and the picture kept at its shape in a window of any shape.
#pragma once

#include <windows.h>

// Declares the process aware of each monitor's DPI (as far as this Windows knows how), and from
// then on every top-level window the program creates opens `scale` times its size (1 to 8), or
// with 0 at its monitor's scale (its size times DPI / 96: twice at 200 %), follows the DPI of the
// monitor it moves to, and with `fullscreen` opens in full screen: without its frame over its
// whole monitor, at the desktop's mode. F11 and Alt+Enter switch such a window in and out of full
// screen and never reach its window procedure (nor do their releases); leaving puts back its
// style, place and size. Its device's Present shows the back buffer in the largest rectangle of
// the back buffer's shape in the client area, centred, with black bars. Call before the first
// window. QvResetWin32 goes back to plain windows (the DPI awareness stays: Windows keeps it).
void QvSetWindowShow(int scale, bool fullscreen);

// For tests: whether a window is in full screen (F11, Alt+Enter or the start), and where in its
// window the last Present of a device made while windows are shown put the picture (the
// caller's destination when it named one, else empty when it was not letterboxed).
BOOL QvIsWindowFullscreen(HWND hWnd);
RECT QvLastPresentRect();
