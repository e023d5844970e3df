// What the page's address asks for: the game (no query; ?record=1 offers the game played as a
// key script when it ends), or a replay of a key script in the harness's terms,
// ?replay=KEYS&frames=N&frame-time=S&uncapped=1&shot=A,B,...; either with drop=Models/NAME.
// Or, alone, ?atlas=FACE&points=N: a texture font's glyph atlas as the game builds it. The game
// and a replay take render-scale=auto|1|2|3|4 and msaa=2|4|8, how the device draws the picture.
// Plain C++, so the native tests read the same addresses.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace webpage {

// The most a replay in the page runs, whether frames= says it or a recording's own length does:
// over 4 hours at 60 frames a second.
constexpr long long kMostReplayFrames = 1000000;
// The largest key script a replay fetches (a recording of the longest replay is about 20 MB).
constexpr size_t kMostKeyScriptBytes = 32u << 20;
// The longest path a replay's key script may have, and the most shots one takes.
constexpr size_t kLongestKeysPath = 200;
constexpr size_t kMostShots = 100;

struct PageRequest {
    bool record = false;
    bool replay = false;
    std::string keysUrl;            // relative to the page
    std::vector<long long> shots;   // frames whose presented picture goes to the console
    // The harness's command line for the rest (--frames, --frame-time, --uncapped, --render-scale,
    // --msaa); the harness itself checks the values.
    std::vector<std::string> options;
    // How the game's device draws the 640 x 480 picture: that many times larger, or at 0 (auto)
    // as large as the canvas's drawing buffer shows it; with `samples` samples a pixel (0: one).
    // A replay takes them through `options` instead, where the harness's 1 is the default, so
    // its shots stay 640 x 480 unless the address asks otherwise.
    float renderScale = 0.0f;
    int samples = 0;
    // A file of the packed Models/ to delete before the game starts (drop=Models/NAME), to see
    // the page meet a missing asset as the native builds do.
    std::string drop;
    // The face and size of a font whose atlas goes to the console (empty: none).
    std::string atlasFace;
    int atlasPoints = 0;
};

// `query` as location.search gives it, with or without the leading '?'. False with a message
// for a parameter the page does not know, one given twice, a value it does not take (a key
// script anywhere but beside the page, a file not directly in Models/, more frames than
// kMostReplayFrames, a render scale or sample count the game's options do not take), one
// without its replay, a recording asked of a replay, or an atlas asked with anything else. The message shows bytes that are not printable as \xHH.
bool ParsePageQuery(const std::string& query, PageRequest* request, std::string* error);

}  // namespace webpage
