// Key scripts for the replay harness: which keys are held in which frames.
//
//   # comment
//   1 A SPACE        frame 1 holds A and Space
//   10-40 w d        frames 10 to 40 hold W and D (names are case-insensitive)
//   41               frame 41 holds nothing, as does every frame no line names
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace replay {

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

// The Windows virtual-key code of key bit i (0 to kScriptKeyCount - 1).
unsigned VirtualKeyOfBit(int bit);

class KeyScript {
public:
    // Reads a whole script. On a bad line returns false with `error` naming the line.
    bool Parse(std::istream& in, std::string* error);

    // The keys held in a frame (frames count from 1).
    uint16_t Held(int64_t frame) const;

private:
    struct Range {
        int64_t first;
        int64_t last;
        uint16_t keys;
    };
    std::vector<Range> ranges_;
};

}  // namespace replay
