// Hooks for the programs' process entries (programs/game, programs/web): a pulse from the main
// loop for recording and tracing a live game, and game controllers as the keyboard. Every build
// has them: the SDL and browser backends in our own PeekMessageA, the Windows build in the
// program's PeekMessageA rerouted through its import table (platform/windows/win_loop.cpp).
// The game sees none of this. QvResetWin32 clears the observer and turns gamepads off.
#pragma once

#include <functional>

// PeekMessageA calls `peek` each time it is entered, before it looks at the queue, and `idle`
// when a PM_REMOVE call finds nothing to take: the main loop then runs one frame, so the next
// `peek` marks that frame's end. Either may be empty; an empty observer stops the calls.
struct QvLoopObserver {
    std::function<void()> peek;
    std::function<void()> idle;
};
void QvSetLoopObserver(QvLoopObserver observer);

// Game controllers, hot-plugged, reach the focused window (or, with none focused, the first
// window) as WM_KEYDOWN/WM_KEYUP of the game's keys: left stick and d-pad W, S, A, D; south
// button Space; left and right shoulder 1 and 2; north button 3; Back and Start Escape. A key
// is held while any controller holds it; a controller that goes away releases its keys.
// Off by default, so scripted runs and tests are never disturbed by a pad on the desk.
void QvEnableGamepads(bool enable);
