// The replay harness: the game's real start-up and frames in a hidden window, driven by a key
// script, with a trace, screenshots and a timing summary.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "session/engine_view.h"

namespace session {

struct Options {
    long long frames = 600;
    bool framesGiven = false;                         // a recording runs to its end otherwise
    std::string keysPath;                             // empty: no key held
    std::string tracePath;                            // empty: no trace; "-": stdout
    std::vector<std::pair<long long, std::string>> shots;  // frame, PNG path
    double frameTime = 0.0;                           // 0: the real clock
    bool uncapped = false;
    float renderScale = 1.0f;                         // the device draws this much larger; 0: auto
    int samples = 0;                                  // multisampling: 0 none, else 2, 4 or 8
    std::function<void(long long frame)> afterFrame;  // for tools: called after each frame's Present
};

// Reads the command line. On a bad argument returns false with a message in `error`.
bool ParseOptions(int argc, char** argv, Options* options, std::string* error);
extern const char kUsage[];

// This process's engine as the session reads it: g_engine's key table and camera, g_hWnd, and
// the timer's last elapsed time.
EngineView GameView();

// The start-up of the game as WinMain runs it, with the window left hidden: the window, the
// render device, the game set-up. Message boxes go to stderr and return at once; headless
// machines get SDL's offscreen video driver. Returns false when the device could not be made.
bool StartGame();

// Runs a whole replay after StartGame. Returns the process exit code.
int Run(const Options& options);

}  // namespace session
