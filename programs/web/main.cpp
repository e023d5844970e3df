// The page's process entry: WinMain as the loader would call it, with ?replay=... the replay
// harness (page_replay.h), or with ?atlas=... a font's glyph atlas (page_atlas.h). The page
// learns how the program ended through Module.qvEnded (Escape, a failed start-up, a bad
// address), so it can say so and offer a restart; with ?record=1 it is offered the game played,
// as a key script, through Module.qvOfferFile.
#include <emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <windows.h>

#include <qv_d3d9.h>
#include <qv_live.h>

#include "app/engine.h"
#include "app/timer.h"
#include "programs/web/page_atlas.h"
#include "programs/web/page_query.h"
#include "programs/web/page_replay.h"
#include "session/live_session.h"

namespace {

constexpr const char* kRecording = "/recording/quorvel.keys";

EM_JS(void, TellPageEnded, (int code), {
    if (typeof Module !== "undefined" && typeof Module["qvEnded"] === "function") {
        Module["qvEnded"](code);
    }
});

EM_JS(void, OfferFile, (const char* name, const unsigned char* bytes, int length), {
    if (typeof Module !== "undefined" && typeof Module["qvOfferFile"] === "function") {
        Module["qvOfferFile"](UTF8ToString(name), HEAPU8.slice(bytes, bytes + length));
    }
});

EM_JS(char*, PageQuery, (), {
    const text = typeof location !== "undefined" ? location.search : "";
    const bytes = lengthBytesUTF8(text) + 1;
    const copy = _malloc(bytes);
    stringToUTF8(text, copy, bytes);
    return copy;
});

int RunWinMain()
{
    char commandLine[] = "";
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
}

// The game with the live session of the native --record around it: one line a frame, the keys
// the game saw and the time its timer returned, so that the native harness replays it exactly.
// Its trace goes to the console as --trace - writes it, to hold that replay to.
int PlayAndRecord()
{
    EM_ASM({ FS.mkdirTree("/recording"); });
    session::LiveOptions options;
    options.recordPath = kRecording;
    options.tracePath = "-";
    options.force = true;
    session::LiveSession live({g_engine.keyboard.keys, &g_engine.camera.position, &g_hWnd, EngineTimerLastElapsed});
    std::string error;
    if (!live.Open(options, &error)) {
        MessageBoxA(nullptr, error.c_str(), "Quorvel recording", MB_ICONERROR);
        return RunWinMain();
    }
    live.Start();
    QvSetLoopObserver({[&live] { live.OnPeek(); }, [&live] { live.OnIdle(); }});
    const int code = RunWinMain();
    QvSetLoopObserver({});
    live.Finish();
    if (live.frame() == 0) return code;  // nothing was played
    std::ifstream file(kRecording, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), {});
    if (!bytes.empty()) OfferFile("quorvel.keys", bytes.data(), int(bytes.size()));
    return code;
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
    } else if (!request.drop.empty() && std::remove(("/" + request.drop).c_str()) != 0) {
        MessageBoxA(nullptr, ("there is no " + request.drop + " to drop").c_str(), "Quorvel: the page's address",
                    MB_ICONERROR);
    } else if (request.replay) {
        code = webpage::RunReplay(request);
    } else if (!request.atlasFace.empty()) {
        code = webpage::RunAtlas(request);
    } else {
        QvEnableGamepads(true);
        // Read when the game creates its device; in auto the device follows the drawing buffer,
        // which the page sizes to the canvas's device pixels.
        QvSetRenderScale(request.renderScale);
        QvSetMultisample(request.samples);
        code = request.record ? PlayAndRecord() : RunWinMain();
    }
    std::printf("quorvel ended with %d\n", code);
    TellPageEnded(code);
    return code;
}
