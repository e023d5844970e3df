// The game's process entry on Linux and on Windows (where MinGW's runtime calls main): hands
// control to the program's WinMain, as the Windows loader would.
// Around it, what the game itself never sees: recording, tracing and playing key scripts, a data
// directory to run from, and game controllers.
#include <windows.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <qv_live.h>

#include "app/engine.h"
#include "app/timer.h"
#include "session/live_session.h"

int main(int argc, char** argv)
{
    replay::LiveOptions options;
    std::string error;
    if (!replay::ParseLiveOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "quorvel: %s\n%s", error.c_str(), replay::kLiveUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(replay::kLiveUsage, stdout);
        return 0;
    }

    // Files named on the command line are opened here, before the change of directory.
    replay::LiveSession session({g_engine.keyboard.keys, &g_engine.camera.position, &g_hWnd, EngineTimerLastElapsed});
    if (!session.Open(options, &error)) {
        std::fprintf(stderr, "quorvel: %s\n", error.c_str());
        return 2;
    }
    if (!options.dataDir.empty() && chdir(options.dataDir.c_str()) != 0) {
        std::fprintf(stderr, "quorvel: cannot run from %s: %s\n", options.dataDir.c_str(), std::strerror(errno));
        return 2;
    }

    QvEnableGamepads(true);
    session.Start();
    QvSetLoopObserver({[&session] { session.OnPeek(); }, [&session] { session.OnIdle(); }});
    static char emptyCommandLine[] = "";
    const int exitCode = WinMain(GetModuleHandleA(nullptr), nullptr, emptyCommandLine, SW_SHOWDEFAULT);
    QvSetLoopObserver({});
    session.Finish();
    return exitCode;
}
