#include <windows.h>

#include "app/engine.h"
#include "game/game.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd)
{
    (void)hInstance;
    (void)hPrevInstance;
    (void)lpCmdLine;
    (void)nShowCmd;

    // The class and the window belong to the module's own instance; no argument is used.
    const HINSTANCE instance = GetModuleHandleA(NULL);
    CreateEngineWindow(instance);

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

    UnregisterClassA(g_windowClassName, instance);
    return exitCode;
}
