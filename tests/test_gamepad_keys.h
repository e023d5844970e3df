// Shared by the gamepad suites of both builds: a key message written as the suites expect them,
// "+W", "-SPACE", "+ESC" (a press or a release, then the key).
#pragma once

#include <windows.h>

#include <string>

namespace gamepadtest {

// Appends `m` to `out`, a space between messages, when it is WM_KEYDOWN or WM_KEYUP; returns
// whether it was one.
inline bool AppendKey(std::string& out, const MSG& m)
{
    if (m.message != WM_KEYDOWN && m.message != WM_KEYUP) return false;
    out += out.empty() ? "" : " ";
    out += m.message == WM_KEYDOWN ? '+' : '-';
    switch (m.wParam) {
    case VK_SPACE: out += "SPACE"; break;
    case VK_ESCAPE: out += "ESC"; break;
    default: out += static_cast<char>(m.wParam); break;
    }
    return true;
}

}  // namespace gamepadtest
