// The page's process entry: WinMain as the loader would call it, or with ?replay=... the replay
// harness (page_replay.h). The page learns how the program ended through Module.qvEnded
// (Escape, a failed start-up, a bad address), so it can say so and offer a restart.
#include <emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <windows.h>

#include "platform/web/entry/page_query.h"
#include "platform/web/entry/page_replay.h"
#include "platform/win32/qv_live.h"

namespace {

EM_JS(void, TellPageEnded, (int code), {
    if (typeof Module !== 'undefined' && typeof Module['qvEnded'] === 'function') {
        Module['qvEnded'](code);
    }
});

EM_JS(char*, PageQuery, (), {
    const text = typeof location !== "undefined" ? location.search : "";
    const bytes = lengthBytesUTF8(text) + 1;
    const copy = _malloc(bytes);
    stringToUTF8(text, copy, bytes);
    return copy;
});

int PlayGame()
{
    QvEnableGamepads(true);
    char commandLine[] = "";
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
}

}  // namespace

int main()
{
    char* query = PageQuery();
    webpage::PageRequest request;
    std::string error;
    const bool understood = webpage::ParsePageQuery(query, &request, &error);
    std::free(query);
    int code = 2;
    if (!understood) {
        MessageBoxA(nullptr, error.c_str(), "Quorvel: the page's address", MB_ICONERROR);
    } else {
        code = request.replay ? webpage::RunReplay(request) : PlayGame();
    }
    std::printf("quorvel ended with %d\n", code);
    TellPageEnded(code);
    return code;
}
