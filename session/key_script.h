// Key scripts for the replay harness: which keys are held in which frames, and optionally the
// seconds the game's timer returns in them.
//
//   # comment
//   1 A SPACE        frame 1 holds A and Space
//   10-40 w d        frames 10 to 40 hold W and D (names are case-insensitive)
//   41               frame 41 holds nothing, as does every frame no line names
//   42 W dt=0.0167   frame 42 holds W and its timer call returns 0.0167 s (as a 32-bit float)
//
// Lines may overlap: a frame holds the keys of every line that names it, and takes the dt= of
// the last such line that gives one. A script whose first line is the recording header (the
// game's --record writes it) is a recording: its last line, if nothing ends it, was cut off when
// the game stopped and is left out.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace session {

// The keys a script can hold, one bit each.
enum KeyBit : uint16_t {
    kKeyW = 1 << 0,
    kKeyA = 1 << 1,
    kKeyS = 1 << 2,
    kKeyD = 1 << 3,
    kKeySpace = 1 << 4,
    kKeyEscape = 1 << 5,
    kKey1 = 1 << 6,
    kKey2 = 1 << 7,
    kKey3 = 1 << 8,
};
const int kScriptKeyCount = 9;

// The Windows virtual-key code of key bit i (0 to kScriptKeyCount - 1), and its script name.
unsigned VirtualKeyOfBit(int bit);
const char* KeyNameOfBit(int bit);

// The first line of every recording.
extern const char kRecordingHeader[];

// The largest dt= a script may give, in seconds.
const float kMaxFrameTime = 1.0e6f;

class KeyScript {
public:
    // Frames with the same keys and frame time, in frame order; frames no line names are in none.
    struct Span {
        int64_t first;
        int64_t last;
        uint16_t keys;
        bool hasFrameTime;
        float frameTime;
    };

    // Reads a whole script. On a bad line returns false with `error` naming the line.
    bool Parse(std::istream& in, std::string* error);
    // Reads the script in a file; `error` names the file.
    bool Load(const std::string& path, std::string* error);

    // The keys held in a frame (frames count from 1).
    uint16_t Held(int64_t frame) const;
    // The dt= that applies to a frame; false when no line naming it gives one.
    bool FrameTime(int64_t frame, float* seconds) const;

    bool HasFrameTimes() const { return hasFrameTimes_; }
    bool IsRecording() const { return recording_; }
    // The last frame any line names; 0 for a script without lines.
    int64_t LastFrame() const { return spans_.empty() ? 0 : spans_.back().last; }
    // The number of a recording's cut-off last line that was left out; 0 when there was none.
    int CutLine() const { return cutLine_; }
    const std::vector<Span>& Spans() const { return spans_; }

private:
    struct Line {
        int64_t first;
        int64_t last;
        uint16_t keys;
        bool hasFrameTime;
        float frameTime;
    };
    void BuildSpans(const std::vector<Line>& lines);
    const Span* SpanOf(int64_t frame) const;

    std::vector<Span> spans_;
    bool hasFrameTimes_ = false;
    bool recording_ = false;
    int cutLine_ = 0;
};

}  // namespace session
