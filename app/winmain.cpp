#include <windows.h>

#include "app/engine.h"
#include "game/game.h"

namespace {
const char kClassName[] = "QuorvelD3D";
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd)
{
    (void)hInstance;
    (void)hPrevInstance;
    (void)lpCmdLine;
    (void)nShowCmd;

    // cbSize is 48 on 32-bit Windows; the structure is wider where pointers are.
    WNDCLASSEXA wc = {sizeof(WNDCLASSEXA), CS_CLASSDC, WndProc, 0, 0, GetModuleHandleA(NULL),
                      NULL, NULL, NULL, NULL, kClassName, NULL};
    RegisterClassExA(&wc);

    // The size is the outer one, caption and border included.
    g_hWnd = CreateWindowExA(0, kClassName, "Quorvel D3D U 01: ;)", WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                             g_engine.screen.width, g_engine.screen.height, NULL, NULL, wc.hInstance,
                             NULL);

    int exitCode = 0;
    if (SUCCEEDED(g_engine.InitD3D())) {
        InitGame();
        ShowWindow(g_hWnd, SW_SHOWDEFAULT);
        UpdateWindow(g_hWnd);

        MSG msg = {};
        while (msg.message != WM_QUIT) {
            if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            } else {
                GameFrame();
                if (g_quitRequested == 1) {
                    SendMessageA(g_hWnd, WM_CLOSE, 0, 0);
                }
            }
        }
    } else {
        // Set-up has shown its own message box; the exit code tells scripts it did not start.
        exitCode = 1;
    }

    UnregisterClassA(kClassName, wc.hInstance);
    return exitCode;
}
