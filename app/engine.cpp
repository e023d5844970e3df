#include "app/engine.h"

#include <cstring>

CD3DEngine g_engine;
HWND g_hWnd;
BYTE g_quitRequested;

CScreen::~CScreen() {}

CKeyboard::~CKeyboard() {}

// The camera is built as a member; the frame-rate counter, text pointers and background colour
// start at zero.
CD3DEngine::CD3DEngine()
{
    screen.width = 640;
    screen.height = 480;
    screen.backBufferFormat = D3DFMT_X8R8G8B8;
    screen.fullScreen = false;
    screen.backBufferCount = 2;
    screen.refreshRate = 0;
    std::memset(keyboard.keys, 0, sizeof keyboard.keys);
}

// Nothing to release: the device and the text resources end with the process.
CD3DEngine::~CD3DEngine() {}
