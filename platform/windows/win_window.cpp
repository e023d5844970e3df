// Key feeding and the test reset over the real Win32: the system queues and dispatches
// messages itself, so the hooks only post what a keyboard would and clear what tests left.
#include <qv_win32.h>

#include <array>
#include <vector>

#include "platform/core/win32_msgbox.h"
#include "platform/windows/win_hooks.h"

namespace {

std::array<bool, 256> g_fedDown{};
bool g_altChord = false;  // a key went down while Alt was held alone since Alt went down

bool IsExtended(UINT vk)
{
    switch (vk) {
    case VK_INSERT: case VK_DELETE: case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_DIVIDE: case VK_NUMLOCK:
    case VK_RCONTROL: case VK_RMENU: case VK_LWIN: case VK_RWIN: case VK_APPS:
        return true;
    default:
        return false;
    }
}

BOOL CALLBACK CollectWindow(HWND hWnd, LPARAM list)
{
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hWnd);
    return TRUE;
}

}  // namespace

void QvPumpEvents() {}

void QvUseOffscreenVideoWithoutDisplay() {}

BOOL QvPostKey(HWND hWnd, UINT virtualKey, BOOL down)
{
    if (!IsWindow(hWnd) || virtualKey == 0 || virtualKey > 0xFF) return FALSE;
    const bool press = down != FALSE;
    const bool repeat = press && g_fedDown[virtualKey];
    g_fedDown[virtualKey] = press;
    const bool ctrl = g_fedDown[VK_CONTROL];
    const bool alt = virtualKey != VK_MENU ? g_fedDown[VK_MENU] : press;

    // Ctrl+Alt is AltGr on many layouts and types characters: plain key messages.
    const bool altOnly = alt && !ctrl;
    bool system = altOnly || virtualKey == VK_F10;
    if (virtualKey == VK_MENU) {
        if (press && !repeat) g_altChord = false;
        system = press ? !ctrl : !g_altChord && !ctrl;
    } else if (press && altOnly) {
        g_altChord = true;
    }
    const UINT message = press ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    DWORD lParam = 1u | ((MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC) & 0xFFu) << 16);
    if (IsExtended(virtualKey)) lParam |= 1u << 24;
    if (system && (altOnly || virtualKey == VK_MENU)) lParam |= 1u << 29;
    if (!press || repeat) lParam |= 1u << 30;
    if (!press) lParam |= 1u << 31;
    return PostMessageA(hWnd, message, virtualKey, static_cast<LPARAM>(lParam));
}

void QvResetWin32()
{
    // First, so that nothing samples controllers or observes the loop while the queue is emptied.
    if (qvhooks::g_resetGamepads != nullptr) qvhooks::g_resetGamepads();
    if (qvhooks::g_resetLoopObserver != nullptr) qvhooks::g_resetLoopObserver();
    if (qvhooks::g_resetWindowShow != nullptr) qvhooks::g_resetWindowShow();
    // The thread's own windows; destroying one sends it WM_DESTROY, which cannot be helped here.
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&windows));
    for (HWND hWnd : windows) {
        if (IsWindow(hWnd)) DestroyWindow(hWnd);
    }
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    qvhooks::ForgetKeys();
    qvwin::ResetMessageBoxes();
    qvhooks::ResetClock();
}

namespace qvhooks {
void (*g_resetGamepads)() = nullptr;
void (*g_resetLoopObserver)() = nullptr;
void (*g_resetWindowShow)() = nullptr;

void ForgetKeys()
{
    g_fedDown.fill(false);
    g_altChord = false;
}
}  // namespace qvhooks
