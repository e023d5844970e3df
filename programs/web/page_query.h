// What the page's address asks for: the game (no query; ?record=1 offers the game played as a
// key script when it ends), or a replay of a key script in the harness's terms,
// ?replay=KEYS&frames=N&frame-time=S&uncapped=1&shot=A,B,...; either with drop=Models/NAME.
// Or, alone, ?atlas=FACE&points=N: a texture font's glyph atlas as the game builds it.
// Plain C++, so the native tests read the same addresses.
#pragma once

#include <string>
#include <vector>

namespace webpage {

struct PageRequest {
    bool record = false;
    bool replay = false;
    std::string keysUrl;            // relative to the page
    std::vector<long long> shots;   // frames whose presented picture goes to the console
    // The harness's command line for the rest (--frames, --frame-time, --uncapped); the harness
    // itself checks the values.
    std::vector<std::string> options;
    // A file of the packed Models/ to delete before the game starts (drop=Models/NAME), to see
    // the page meet a missing asset as the native builds do.
    std::string drop;
    // The face and size of a font whose atlas goes to the console (empty: none).
    std::string atlasFace;
    int atlasPoints = 0;
};

// `query` as location.search gives it, with or without the leading '?'. False with a message
// for a parameter the page does not know, one given twice, one without its replay, a
// recording asked of a replay, or an atlas asked with anything else.
bool ParsePageQuery(const std::string& query, PageRequest* request, std::string* error);

}  // namespace webpage
