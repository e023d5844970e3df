// Game controllers on Windows through XInput, as the same keys as on Linux
// (platform/core/win32_gamepad_keys.h): XInput reports states, not changes, so the program's
// own PeekMessageA calls (win_loop.cpp) read the controllers first while gamepads are on; the
// game's message loop then samples them once a frame. xinput9_1_0.dll is the XInput every
// Windows since Vista has.
//
// XInput knows no windows and answers in the background too. As SDL passes a program without
// the keyboard focus no presses on Linux, the controllers are read only while the game's window
// is the foreground window: going to the background lets every held key go, and coming back
// reads every slot afresh, so the keys then down are what the controllers hold at that moment.
#include <qv_xinput.h>
#include <qv_live.h>

#include "platform/core/win32_gamepad_keys.h"
#include "platform/windows/import_patch.h"
#include "platform/windows/win_hooks.h"

namespace {

DWORD WINAPI FakeXInputGetState(DWORD user, XINPUT_STATE* state);

using GetStateFn = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);
const GetStateFn g_getState = qvhooks::Reroute("xinput9_1_0.dll", "XInputGetState", FakeXInputGetState);

bool g_enabled = false;
QvFakeXInput* g_fake = nullptr;
const bool* g_fakeForeground = nullptr;
qvwin::GamepadKeys g_keys;
bool g_connected[XUSER_MAX_COUNT] = {};
ULONGLONG g_lastScan = 0;
bool g_scanned = false;

// Asking XInput about an empty slot is slow on real systems (it looks for a device each time),
// so empty slots are looked at again only this often: a controller plugged in shows up within it.
constexpr ULONGLONG kScanInterval = 1000;  // ms

struct ButtonSource {
    WORD button;
    unsigned source;
};
constexpr ButtonSource kButtons[] = {
    {XINPUT_GAMEPAD_A, qvwin::kSouth},
    {XINPUT_GAMEPAD_Y, qvwin::kNorth},
    {XINPUT_GAMEPAD_LEFT_SHOULDER, qvwin::kLeftShoulder},
    {XINPUT_GAMEPAD_RIGHT_SHOULDER, qvwin::kRightShoulder},
    {XINPUT_GAMEPAD_BACK, qvwin::kBack},
    {XINPUT_GAMEPAD_START, qvwin::kStart},
    {XINPUT_GAMEPAD_DPAD_UP, qvwin::kPadUp},
    {XINPUT_GAMEPAD_DPAD_DOWN, qvwin::kPadDown},
    {XINPUT_GAMEPAD_DPAD_LEFT, qvwin::kPadLeft},
    {XINPUT_GAMEPAD_DPAD_RIGHT, qvwin::kPadRight},
};

DWORD WINAPI FakeXInputGetState(DWORD user, XINPUT_STATE* state)
{
    if (g_fake == nullptr) return g_getState(user, state);
    if (user >= XUSER_MAX_COUNT || state == nullptr) return ERROR_BAD_ARGUMENTS;
    if (!g_fake->connected[user]) return ERROR_DEVICE_NOT_CONNECTED;
    *state = g_fake->state[user];
    return ERROR_SUCCESS;
}

// The window the keys go to: the thread's focused window, else its first top-level window.
BOOL CALLBACK FirstWindow(HWND hWnd, LPARAM found)
{
    *reinterpret_cast<HWND*>(found) = hWnd;
    return FALSE;
}

constexpr qvwin::GamepadWindows kWindows{
    [] { return GetFocus(); },
    [] {
        HWND hWnd = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FirstWindow, reinterpret_cast<LPARAM>(&hWnd));
        return hWnd;
    },
    [](BYTE key) { return MapVirtualKeyA(key, MAPVK_VK_TO_VSC); },
};

// Whether one of this thread's windows, where the keys go, is the foreground window.
bool InForeground()
{
    if (g_fakeForeground != nullptr) return *g_fakeForeground;
    HWND hWnd = GetForegroundWindow();
    return hWnd != nullptr && GetWindowThreadProcessId(hWnd, nullptr) == GetCurrentThreadId();
}

// Every controller forgotten and its keys let go, as if each had been unplugged.
void ForgetPads()
{
    for (DWORD user = 0; user < XUSER_MAX_COUNT; ++user) {
        if (g_keys.Known(int(user))) g_keys.Remove(int(user));
        g_connected[user] = false;
    }
    qvwin::PostGamepadChanges(g_keys, kWindows);
    g_scanned = false;
}

// XInput's stick has up positive; the shared rules take SDL's sense, up negative.
int Down(SHORT y) { return y == -32768 ? 32767 : -int(y); }

void Sample()
{
    if (!InForeground()) {
        ForgetPads();
        return;
    }
    const ULONGLONG now = GetTickCount64();
    const bool scan = !g_scanned || now - g_lastScan >= kScanInterval;
    if (scan) {
        g_scanned = true;
        g_lastScan = now;
    }
    for (DWORD user = 0; user < XUSER_MAX_COUNT; ++user) {
        if (!g_connected[user] && !scan) continue;
        XINPUT_STATE state = {};
        // Through the import table, where a test's fake answers.
        g_connected[user] = XInputGetState(user, &state) == ERROR_SUCCESS;
        if (!g_connected[user]) {
            if (g_keys.Known(int(user))) g_keys.Remove(int(user));  // its keys go up below
            continue;
        }
        unsigned* held = g_keys.Held(int(user));
        for (const ButtonSource& b : kButtons) qvwin::SetGamepadSource(held, b.source, (state.Gamepad.wButtons & b.button) != 0);
        qvwin::SetGamepadStick(held, qvwin::kStickLeft, qvwin::kStickRight, state.Gamepad.sThumbLX);
        qvwin::SetGamepadStick(held, qvwin::kStickUp, qvwin::kStickDown, Down(state.Gamepad.sThumbLY));
    }
    qvwin::PostGamepadChanges(g_keys, kWindows);
}

// QvResetWin32's part: gamepads off and the tests' fakes dropped.
void Reset()
{
    QvEnableGamepads(false);
    g_fake = nullptr;
    g_fakeForeground = nullptr;
}
[[maybe_unused]] const bool g_resetInPlace = (qvhooks::g_resetGamepads = Reset, true);

}  // namespace

void QvEnableGamepads(bool enable)
{
    if (enable == g_enabled) return;
    g_enabled = enable;
    qvhooks::g_beforePeek = enable ? Sample : nullptr;
    if (!enable) {
        g_keys.Clear();
        for (bool& c : g_connected) c = false;
        g_scanned = false;
    }
}

void QvSetFakeXInput(QvFakeXInput* fake)
{
    g_fake = fake;
    g_scanned = false;  // look at every slot at the next sample
}

void QvSetFakeForeground(const bool* foreground) { g_fakeForeground = foreground; }

void QvSampleGamepads()
{
    if (g_enabled) Sample();
}
