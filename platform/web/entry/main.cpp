// The page's process entry: WinMain as the loader would call it. The page learns how the game
// ended through Module.qvEnded (Escape, a failed start-up), so it can say so and offer a restart.
#include <emscripten.h>

#include <cstdio>

#include <windows.h>

#include "platform/win32/qv_live.h"

namespace {

EM_JS(void, TellPageEnded, (int code), {
    if (typeof Module !== 'undefined' && typeof Module['qvEnded'] === 'function') {
        Module['qvEnded'](code);
    }
});

}  // namespace

int main()
{
    QvEnableGamepads(true);
    char commandLine[] = "";
    const int code = WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
    std::printf("quorvel ended with %d\n", code);
    TellPageEnded(code);
    return code;
}
