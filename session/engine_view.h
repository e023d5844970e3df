// What the session reads of the running game, handed over by whoever runs it (the process entry,
// the harness): the key table, the camera, the window keys go to, and the frame's time. The
// session reads nothing else of the engine; the world it traces is game/world.h's.
#pragma once

#include <windows.h>
#include <d3dx9math.h>

namespace session {

struct EngineView {
    const BYTE* keys = nullptr;                 // the key table, 256 entries, non-zero while held
    const D3DXVECTOR3* camera = nullptr;        // the camera's position
    const HWND* window = nullptr;               // the game's window, once it is made
    FLOAT (*frameSeconds)() = nullptr;          // the seconds the timer returned for the frame just run
};

}  // namespace session
