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
#ifdef _WIN32
#include "platform/windows/qv_win32_windows.h"
#else
#include <qv_d3d9.h>

#include "platform/sdl/qv_win32_sdl.h"
#endif

#include "app/engine.h"
#include "app/timer.h"
#include "session/live_session.h"

int main(int argc, char** argv)
{
    session::LiveOptions options;
#ifdef _WIN32
    // Left at 0 unless --window-scale names a scale: the window then opens at its monitor's.
    options.windowScale = 0;
#endif
    std::string error;
    if (!session::ParseLiveOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "quorvel: %s\n%s", error.c_str(), session::kLiveUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(session::kLiveUsage, stdout);
        return 0;
    }

    // Files named on the command line are opened here, before the change of directory.
    session::LiveSession live({g_engine.keyboard.keys, &g_engine.camera.position, &g_hWnd, EngineTimerLastElapsed});
    if (!live.Open(options, &error)) {
        std::fprintf(stderr, "quorvel: %s\n", error.c_str());
        return 2;
    }
    if (!options.dataDir.empty() && chdir(options.dataDir.c_str()) != 0) {
        std::fprintf(stderr, "quorvel: cannot run from %s: %s\n", options.dataDir.c_str(), std::strerror(errno));
        return 2;
    }

    QvEnableGamepads(true);
    // How the picture is shown: the window opens larger (on Windows by default at its monitor's
    // scale) or in full screen, and the picture keeps its shape in it. Our OpenGL device draws
    // the picture as large as it is shown; Windows' own Direct3D draws the back buffer's size
    // and Present stretches it.
#ifndef _WIN32
    QvSetRenderScale(options.renderScale);
    QvSetMultisample(options.samples);
#endif
    QvSetWindowShow(options.windowScale, options.fullscreen);
    live.Start();
    QvSetLoopObserver({[&live] { live.OnPeek(); }, [&live] { live.OnIdle(); }});
    static char emptyCommandLine[] = "";
    const int exitCode = WinMain(GetModuleHandleA(nullptr), nullptr, emptyCommandLine, SW_SHOWDEFAULT);
    QvSetLoopObserver({});
    live.Finish();
    return exitCode;
}
