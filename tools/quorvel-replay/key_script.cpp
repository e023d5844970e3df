#include "tools/quorvel-replay/key_script.h"

#include <windows.h>

#include <cctype>
#include <charconv>
#include <sstream>

namespace replay {

namespace {

struct KeyName {
    const char* name;
    uint16_t bit;
    unsigned virtualKey;
};

const KeyName kKeyNames[kScriptKeyCount] = {
    {"W", kKeyW, 'W'},         {"A", kKeyA, 'A'},           {"S", kKeyS, 'S'},
    {"D", kKeyD, 'D'},         {"SPACE", kKeySpace, VK_SPACE}, {"ESC", kKeyEscape, VK_ESCAPE},
    {"1", kKey1, '1'},         {"2", kKey2, '2'},           {"3", kKey3, '3'},
};

// The largest frame a script may name; far more than any run, and small enough that a range
// never overflows.
const int64_t kLastFrame = int64_t(1) << 40;

bool KeyBitOf(std::string word, uint16_t* bit) {
    for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const KeyName& key : kKeyNames) {
        if (word == key.name) {
            *bit = key.bit;
            return true;
        }
    }
    return false;
}

bool ParseFrame(const std::string& text, int64_t* frame) {
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *frame);
    return ec == std::errc() && end == text.data() + text.size();
}

bool ParseRange(const std::string& word, int64_t* first, int64_t* last, std::string* why) {
    size_t dash = word.find('-');
    std::string a = dash == std::string::npos ? word : word.substr(0, dash);
    std::string b = dash == std::string::npos ? word : word.substr(dash + 1);
    if (!ParseFrame(a, first) || !ParseFrame(b, last)) {
        *why = "expected a frame N or a range N-M, got \"" + word + "\"";
        return false;
    }
    if (*first < 1 || *last > kLastFrame) {
        *why = "frame numbers run from 1 to " + std::to_string(kLastFrame);
        return false;
    }
    if (*last < *first) {
        *why = "range " + word + " ends before it starts";
        return false;
    }
    return true;
}

}  // namespace

unsigned VirtualKeyOfBit(int bit) { return kKeyNames[bit].virtualKey; }

bool KeyScript::Parse(std::istream& in, std::string* error) {
    ranges_.clear();
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::string word;
        if (!(words >> word)) continue;

        Range range{0, 0, 0};
        std::string why;
        if (!ParseRange(word, &range.first, &range.last, &why)) {
            *error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
        while (words >> word) {
            uint16_t bit = 0;
            if (!KeyBitOf(word, &bit)) {
                *error = "line " + std::to_string(number) + ": unknown key \"" + word +
                         "\" (keys: W A S D SPACE ESC 1 2 3)";
                return false;
            }
            range.keys |= bit;
        }
        ranges_.push_back(range);
    }
    if (in.bad()) {
        *error = "could not read the script";
        return false;
    }
    return true;
}

uint16_t KeyScript::Held(int64_t frame) const {
    uint16_t keys = 0;
    for (const Range& range : ranges_) {
        if (frame >= range.first && frame <= range.last) keys |= range.keys;
    }
    return keys;
}

}  // namespace replay
