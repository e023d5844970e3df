// Hooks for game controllers on Windows (platform/windows/win_gamepad.cpp): a fake XInput for
// tests, in the way the clock is faked (qv_win32.h), and the sampling the message loop does.
#pragma once

#include <windows.h>
#include <xinput.h>

// While a fake is installed, the program's calls to XInputGetState read it instead of the
// system: slot u answers connected[u] ? ERROR_SUCCESS with state[u] : ERROR_DEVICE_NOT_CONNECTED.
// The caller keeps the record and changes it between calls. nullptr returns to the system.
struct QvFakeXInput {
    bool connected[XUSER_MAX_COUNT] = {};
    XINPUT_STATE state[XUSER_MAX_COUNT] = {};
};
void QvSetFakeXInput(QvFakeXInput* fake);

// The controllers reach the game only while one of its thread's windows is the foreground
// window (GetForegroundWindow). While `foreground` is set, *foreground answers that instead, for
// tests: the caller keeps the flag and changes it between calls. nullptr asks the system again.
void QvSetFakeForeground(const bool* foreground);

// Reads the controllers now and posts the key changes, as the program's PeekMessageA does by
// itself while gamepads are on (QvEnableGamepads). For tests that do not run a message loop.
void QvSampleGamepads();
