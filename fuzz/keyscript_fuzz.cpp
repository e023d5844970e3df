// libFuzzer entry for the key-script parser of the harness and the game's --keys: any text in,
// a script or a one-line error out. A parsed script's spans are sorted and apart, hold only the
// nine script keys and finite frame times; and for a short script every frame a line starts or
// ends on holds what its lines, each read on its own, say together: the keys of all of them,
// the dt= of the last one that gives it.
#include "session/key_script.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace {

void Check(bool ok)
{
    if (!ok) __builtin_trap();
}

struct OneLine {
    int64_t first, last;
    uint16_t keys;
    bool timed;
    float seconds;
};

// The script's lines, each parsed as a script of its own; false past 64 of them.
bool ReadLines(const std::string& text, std::vector<OneLine>* lines)
{
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        session::KeyScript one;
        std::string error;
        std::istringstream single(line + "\n");
        Check(one.Parse(single, &error));  // a line of a good script is good on its own
        if (one.Spans().empty()) continue;
        Check(one.Spans().size() == 1);
        const auto& s = one.Spans()[0];
        lines->push_back({s.first, s.last, s.keys, s.hasFrameTime, s.frameTime});
        if (lines->size() > 64) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream in(text);
    session::KeyScript script;
    std::string error;
    if (!script.Parse(in, &error)) {
        Check(!error.empty() && error.find('\n') == std::string::npos);
        return 0;
    }
    const uint16_t allKeys = (1u << session::kScriptKeyCount) - 1;
    int64_t previousLast = 0;
    for (const auto& span : script.Spans()) {
        Check(span.first >= 1 && span.first <= span.last && span.first > previousLast);
        Check((span.keys & ~allKeys) == 0);
        Check(!span.hasFrameTime || (std::isfinite(span.frameTime) && span.frameTime >= 0.0f &&
                                     span.frameTime <= session::kMaxFrameTime));
        previousLast = span.last;
    }
    Check(script.LastFrame() == previousLast);

    std::vector<OneLine> lines;
    if (script.IsRecording() || !ReadLines(text, &lines)) return 0;
    std::vector<int64_t> frames = {0, 1, INT64_MAX, INT64_MIN};
    for (const OneLine& l : lines) {
        frames.insert(frames.end(), {l.first - 1, l.first, l.last, l.last + 1});
    }
    for (int64_t frame : frames) {
        uint16_t keys = 0;
        const OneLine* timed = nullptr;
        for (const OneLine& l : lines) {
            if (frame < l.first || frame > l.last) continue;
            keys |= l.keys;
            if (l.timed) timed = &l;
        }
        Check(script.Held(frame) == keys);
        float seconds = -1.0f;
        Check(script.FrameTime(frame, &seconds) == (timed != nullptr));
        if (timed) Check(seconds == timed->seconds);
    }
    return 0;
}
