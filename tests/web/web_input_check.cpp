// A window on the page's canvas that writes every key message it gets to the console, one line
// each ("key WM_KEYDOWN 57 00110001"), for test_web_input.js to type at, game controllers on.
// Escape's release ends it.
#include <cstdio>

#include <windows.h>

#include <qv_live.h>

#include "platform/web/qv_web.h"

namespace {

const char* Name(UINT message)
{
    switch (message) {
    case WM_KEYDOWN: return "WM_KEYDOWN";
    case WM_KEYUP: return "WM_KEYUP";
    case WM_SYSKEYDOWN: return "WM_SYSKEYDOWN";
    case WM_SYSKEYUP: return "WM_SYSKEYUP";
    default: return nullptr;
    }
}

LRESULT WINAPI Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (const char* name = Name(message)) {
        std::printf("key %s %02X %08X\n", name, unsigned(wParam), unsigned(lParam));
        if (message == WM_KEYUP && wParam == VK_ESCAPE) PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

}  // namespace

int main()
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "input-check";
    RegisterClassExA(&wc);
    HWND hWnd = CreateWindowExA(0, "input-check", "input check", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
                                nullptr, nullptr, nullptr);
    ShowWindow(hWnd, SW_SHOW);
    QvEnableGamepads(true);
    std::printf("ready\n");
    MSG msg = {};
    while (msg.message != WM_QUIT) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        } else {
            QvWebYieldFrame(true);
        }
    }
    std::printf("ended\n");
    return 0;
}
