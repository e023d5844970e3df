// The engine object and the shell's process-wide state: the window handle and the quit request.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include "render/camera.h"

class CTextureFont;
struct CTextLabel;

class CScreen {
public:
    virtual ~CScreen();

    INT width;
    INT height;
    D3DFORMAT backBufferFormat;
    bool fullScreen;
    UINT backBufferCount;
    UINT refreshRate;  // Hz, full screen only; 0 is the adapter's default
};

// Key states by Windows virtual-key code: 1 while held. Only the window procedure writes them.
class CKeyboard {
public:
    virtual ~CKeyboard();

    BYTE keys[256];
};

// Frames counted over windows of just over a second, and the speed factor of the last frame.
class CFps {
public:
    virtual ~CFps();

    void Update();

    double fps = 0.0;
    double frameCount = 0.0;
    double windowStart = 0.0;  // GetTickCount milliseconds
    double speedFactor = 0.0;  // last frame's seconds x 50
};

class CD3DEngine {
public:
    CD3DEngine();
    virtual ~CD3DEngine();

    HRESULT InitD3D();

    CScreen screen;
    CCamera camera;
    CKeyboard keyboard;
    CFps fps;
    CTextLabel* labels = nullptr;
    INT labelCount = 0;
    CTextureFont* fonts = nullptr;
    D3DCOLOR backgroundColor = 0;
};

extern CD3DEngine g_engine;
extern HWND g_hWnd;
extern BYTE g_quitRequested;  // set to 1 by the quit key; the loop then closes the window

LRESULT CALLBACK WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

extern const char g_windowClassName[];  // "QuorvelD3D"

// Registers the window class with WndProc and creates the one window, hidden, with the screen's
// width and height as its outer size; stores the handle in g_hWnd and returns it. Neither
// result is tested. WinMain's first two steps; the replay harness starts the same way.
HWND CreateEngineWindow(HINSTANCE hInstance);
