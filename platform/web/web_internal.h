// Shared between the web_*.cpp files: the Win32 subset on the browser. The window is the page's
// canvas; input comes from the DOM through emscripten/html5.h.
#pragma once

#include <windows.h>

#include "platform/core/win32_queue.h"

namespace qvweb {

// The CSS selector of the canvas the window stands for.
constexpr const char* kCanvas = "#canvas";

// The live window input goes to, or nullptr before the window exists or after it is gone.
HWND InputWindow();

// Keyboard (web_events.cpp): starts listening on the canvas; lets every held key go.
void ListenForInput();
void ReleaseHeldKeys();
void ResetInput();

// Game controllers (web_gamepad.cpp): read now and then from the message loop.
void SampleGamepads();
void ResetGamepads();

}  // namespace qvweb
