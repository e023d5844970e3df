// Shared between the platform/windows hooks.
#pragma once

#include <d3d9.h>

namespace qvhooks {

// Back to the defaults, for QvResetWin32: the real clocks, no keys fed.
void ResetClock();
void ForgetKeys();

// Called each time the program's PeekMessageA is entered, after the loop observer: the
// controllers' reading while gamepads are on (win_loop.cpp).
extern void (*g_beforePeek)();

// QvResetWin32's parts in other files, each set as the program starts by the file it belongs to
// (win_gamepad.cpp: gamepads off and their fakes dropped; win_loop.cpp: the loop observer
// cleared), and left empty in a program that does not link that file and so has nothing to clear.
extern void (*g_resetGamepads)();
extern void (*g_resetLoopObserver)();
extern void (*g_resetWindowShow)();  // win_window_show.cpp: plain windows again

// Set while windows are shown by QvSetWindowShow (win_window_show.cpp): devices made from then
// on keep the picture's shape in a window of any shape, through LetterboxPresents
// (win_present.cpp), which the Direct3D wrapper (win_d3d9.cpp) calls on each.
extern bool g_letterboxPresents;
void LetterboxPresents(IDirect3DDevice9* device);

}  // namespace qvhooks
