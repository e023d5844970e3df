// Shared between the platform/windows hooks.
#pragma once

namespace qvhooks {

// Back to the defaults, for QvResetWin32: the real clocks, message boxes shown as asked.
void ResetClock();
void ResetMessageBoxes();
void ForgetKeys();

// Called each time the program's PeekMessageA is entered, after the loop observer: the
// controllers' reading while gamepads are on (win_loop.cpp).
extern void (*g_beforePeek)();

}  // namespace qvhooks
