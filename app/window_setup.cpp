#include "app/engine.h"

const char g_windowClassName[] = "QuorvelD3D";

HWND CreateEngineWindow(HINSTANCE hInstance)
{
    // cbSize is 48 on 32-bit Windows; the structure is wider where pointers are.
    WNDCLASSEXA wc = {sizeof(WNDCLASSEXA), CS_CLASSDC, WndProc, 0, 0, hInstance,
                      NULL, NULL, NULL, NULL, g_windowClassName, NULL};
    RegisterClassExA(&wc);

    // The size is the outer one, caption and border included.
    g_hWnd = CreateWindowExA(0, g_windowClassName, "Quorvel D3D U 01: ;)", WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                             g_engine.screen.width, g_engine.screen.height, NULL, NULL, hInstance, NULL);
    return g_hWnd;
}
