// Shared by the suites over the real Windows: a plain window of their own to send messages to.
#pragma once

#include <windows.h>

namespace windowstest {

// A top-level window of a class registered for it (once; later calls reuse the class), hidden.
inline HWND MakeWindow(const char* className, WNDPROC proc)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassExA(&wc);
    return CreateWindowExA(0, className, "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, wc.hInstance,
                           nullptr);
}

}  // namespace windowstest
