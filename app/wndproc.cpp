#include "app/engine.h"

LRESULT CALLBACK WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        ValidateRect(hWnd, NULL);
        return 0;
    case WM_KEYDOWN:
        // A message posted by hand can carry any wParam; the table has 256 entries.
        if (wParam < 256) {
            g_engine.keyboard.keys[wParam] = 1;
        }
        break;
    case WM_KEYUP:
        if (wParam < 256) {
            g_engine.keyboard.keys[wParam] = 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}
