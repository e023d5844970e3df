// Hooks into Win32 for tools and tests, with one implementation over our own Win32 (platform/core
// with its SDL or browser backend) and one over the real system (platform/windows). Nothing above platform/ in
// the game itself calls these; the game sees only <windows.h>.
#pragma once

#include <functional>

#include <windows.h>

// Turns every pending input event into window messages on the queue. PeekMessageA does this
// itself; a modal wait outside the message loop can call it to keep the queue current. On
// Windows the system queues messages by itself and this does nothing.
void QvPumpEvents();

// Without a display named in the environment (DISPLAY, WAYLAND_DISPLAY) and without a driver
// chosen in SDL_VIDEODRIVER, makes SDL's offscreen driver the video driver, so that tools run
// headless with a real GL device. Call before the first window or device. Nothing to choose on
// Windows.
void QvUseOffscreenVideoWithoutDisplay();

// ---- message boxes ----------------------------------------------------------------------------
// Auto: a real message box when a display is up (on Linux: not under the offscreen or dummy
// video driver, and QV_HEADLESS is not 1); otherwise "caption: text" on stderr. NonModal:
// always stderr, and MessageBoxA returns IDOK at once. On Windows these reach the program's own
// calls to MessageBoxA, not those made inside system libraries.
enum class QvMessageBoxMode { Auto, NonModal };
void QvSetMessageBoxMode(QvMessageBoxMode mode);

// Called for every MessageBoxA before it is shown, with the caption and text as the caller gave
// them (an absent caption reads "Error", an absent text ""). Pass an empty function to stop.
using QvMessageBoxObserver = std::function<void(const char* caption, const char* text)>;
void QvSetMessageBoxObserver(QvMessageBoxObserver observer);

// ---- clocks -----------------------------------------------------------------------------------
// While a fake clock is installed the four clock functions read it instead of the system: the
// caller keeps the record and moves its values between calls. nullptr returns to the real clocks.
// On Windows this covers the program's own calls, as for message boxes, and so also the
// statically linked C++ runtime's: std::chrono::steady_clock reads the fake counter there.
struct QvFakeClock {
    BOOL frequencyOk = TRUE;   // QueryPerformanceFrequency's result
    LONGLONG frequency = 1000000;
    BOOL counterOk = TRUE;     // QueryPerformanceCounter's result
    LONGLONG counter = 0;
    DWORD tickCount = 0;       // GetTickCount
    DWORD multimediaTime = 0;  // timeGetTime
};
void QvSetFakeClock(QvFakeClock* clock);

// Processor time of the whole process so far, every thread (the GL driver's included), user and
// system, in seconds. Never faked.
double QvProcessCpuSeconds();

// ---- keyboard ---------------------------------------------------------------------------------
// Queues the message a physical press (down) or release of the key with this virtual-key code
// would produce for the window: WM_KEYDOWN/WM_KEYUP, or the WM_SYS* pair while Alt is held (fed
// with VK_MENU) and for F10, with a Windows lParam. A second press without a release is a repeat.
// Returns FALSE for a handle that is not a live window.
BOOL QvPostKey(HWND hWnd, UINT virtualKey, BOOL down);

// ---- tests ------------------------------------------------------------------------------------
// Destroys every window without sending it messages, forgets every class, empties the queue and
// the quit flag, forgets fed key states, and returns message boxes and clocks to their defaults.
// Game controllers go off (on Windows their fakes, qv_xinput.h, are dropped too) and the loop
// observer (qv_live.h) is cleared. For test suites that need a fresh subset between cases.
void QvResetWin32();
