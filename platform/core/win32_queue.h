// The thread's message queue (win32_message.cpp) needs no SDL, so the browser's substitute
// shares it. What it asks of the windows the window table answers (win32_window.cpp).
#pragma once

#include <windows.h>

namespace qvwin {

// Posted-message queue of the one thread; hwnd nullptr is a thread message.
void Enqueue(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// Drops queued messages for a window that is going away.
void PurgeQueue(HWND hWnd);
void ResetQueue();

// A live window's procedure, or nullptr (also for handles of destroyed windows).
WNDPROC WindowProc(HWND hWnd);
// The first live window that needs painting and passes the filter, or nullptr.
HWND FindWindowToPaint(HWND filter);

}  // namespace qvwin
