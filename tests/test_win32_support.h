// Helpers for the suites that drive the Win32 subset: a window with a recording procedure,
// SDL events as a window manager or keyboard would send them, and draining the queue.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <qv_win32.h>

#include "platform/sdl/qv_win32_sdl.h"

#include <vector>

namespace win32test {

inline std::vector<MSG>& Seen()
{
    static std::vector<MSG> seen;
    return seen;
}

inline LRESULT CALLBACK RecordingProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    MSG m{};
    m.hwnd = hWnd;
    m.message = msg;
    m.wParam = wParam;
    m.lParam = lParam;
    Seen().push_back(m);
    if (msg == WM_DESTROY) {
        PostQuitMessage(7);
        return 0;
    }
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

inline WNDCLASSEXA ClassFor(const char* name, WNDPROC proc)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(WNDCLASSEXA);
    wc.style = CS_CLASSDC;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = name;
    return wc;
}

// Takes and dispatches every message until the queue is empty (WM_QUIT included), returning
// what was taken. A cap keeps a fault from hanging the suite.
inline std::vector<MSG> Drain()
{
    std::vector<MSG> taken;
    MSG msg{};
    for (int i = 0; i < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        taken.push_back(msg);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return taken;
}

inline std::vector<MSG> OnlyMessage(const std::vector<MSG>& all, UINT message)
{
    std::vector<MSG> out;
    for (const MSG& m : all) {
        if (m.message == message) {
            out.push_back(m);
        }
    }
    return out;
}

inline Uint32 SdlId(HWND hWnd) { return SDL_GetWindowID(QvWindowFromHwnd(hWnd)); }

inline void PushWindowEvent(HWND hWnd, Uint8 event, Sint32 data1 = 0, Sint32 data2 = 0)
{
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SdlId(hWnd);
    e.window.event = event;
    e.window.data1 = data1;
    e.window.data2 = data2;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
}

inline void PushKey(HWND hWnd, SDL_Scancode sc, SDL_Keycode sym, Uint16 mod, bool down, bool repeat = false)
{
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = SdlId(hWnd);
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = sc;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
}

// A fresh subset with one hidden window of a recording class.
class Win32Fixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        QvResetWin32();
        QvSetMessageBoxMode(QvMessageBoxMode::NonModal);
        Seen().clear();
        WNDCLASSEXA wc = ClassFor("QvTestClass", RecordingProc);
        ASSERT_NE(RegisterClassExA(&wc), 0);
        hWnd = CreateWindowExA(0, "QvTestClass", "test window", WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 640,
                               480, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(hWnd, nullptr);
        Drain();
        Seen().clear();
    }
    void TearDown() override { QvResetWin32(); }

    HWND hWnd = nullptr;
};

}  // namespace win32test
