#include "session/key_script.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

namespace session {

const char kRecordingHeader[] = "# quorvel recording";

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

// A word of the script as an error message shows it: quoted, bytes that are not printable as
// \xHH, and a long word cut short, so that a binary file gives a readable one-line message.
std::string Quoted(const std::string& word) {
    static const size_t kShown = 40;
    std::string out = "\"";
    for (size_t i = 0; i < word.size() && i < kShown; ++i) {
        const unsigned char c = static_cast<unsigned char>(word[i]);
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            static const char kHex[] = "0123456789abcdef";
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out + (word.size() > kShown ? "...\"" : "\"");
}

std::string Upper(std::string word) {
    for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return word;
}

bool KeyBitOf(const std::string& word, uint16_t* bit) {
    const std::string upper = Upper(word);
    for (const KeyName& key : kKeyNames) {
        if (upper == key.name) {
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
        *why = "expected a frame N or a range N-M, got " + Quoted(word);
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

// "dt=SECONDS": the float the timer is to return. The game's timer never goes backwards, so
// negative times (and -0) have no meaning here.
bool ParseFrameTime(const std::string& word, float* seconds, std::string* why) {
    const char* text = word.data() + 3;
    const char* end = word.data() + word.size();
    auto [stop, ec] = std::from_chars(text, end, *seconds);
    if (text == end || ec != std::errc() || stop != end || !std::isfinite(*seconds) ||
        std::signbit(*seconds) || *seconds > kMaxFrameTime) {
        *why = "dt= takes seconds from 0 to 1000000, got " + Quoted(word);
        return false;
    }
    return true;
}

}  // namespace

unsigned VirtualKeyOfBit(int bit) { return kKeyNames[bit].virtualKey; }
const char* KeyNameOfBit(int bit) { return kKeyNames[bit].name; }

bool KeyScript::Parse(std::istream& in, std::string* error) {
    spans_.clear();
    hasFrameTimes_ = false;
    recording_ = false;
    cutLine_ = 0;

    std::vector<Line> lines;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (number == 1) recording_ = line.compare(0, sizeof kRecordingHeader - 1, kRecordingHeader) == 0;
        // getline stops at the end of the file without a newline: in a recording, where every
        // line is written whole with its newline, that is a line cut off by a killed game.
        if (recording_ && in.eof()) {
            cutLine_ = number;
            break;
        }
        size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::string word;
        if (!(words >> word)) continue;

        Line parsed{0, 0, 0, false, 0.0f};
        std::string why;
        if (!ParseRange(word, &parsed.first, &parsed.last, &why)) {
            *error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
        while (words >> word) {
            uint16_t bit = 0;
            if (word.size() >= 3 && Upper(word.substr(0, 3)) == "DT=") {
                if (parsed.hasFrameTime) {
                    *error = "line " + std::to_string(number) + ": more than one dt=";
                    return false;
                }
                if (!ParseFrameTime(word, &parsed.frameTime, &why)) {
                    *error = "line " + std::to_string(number) + ": " + why;
                    return false;
                }
                parsed.hasFrameTime = true;
                hasFrameTimes_ = true;
            } else if (KeyBitOf(word, &bit)) {
                parsed.keys |= bit;
            } else {
                *error = "line " + std::to_string(number) + ": unknown key " + Quoted(word) +
                         " (keys: W A S D SPACE ESC 1 2 3, or dt=SECONDS)";
                return false;
            }
        }
        lines.push_back(parsed);
    }
    if (in.bad()) {
        *error = "could not read the script";
        return false;
    }
    BuildSpans(lines);
    return true;
}

// Sweeps the lines' boundaries in frame order: between two neighbouring boundaries the same lines
// are in force, so a script of any length and overlap becomes sorted spans that a frame finds by
// binary search.
void KeyScript::BuildSpans(const std::vector<Line>& lines) {
    struct Edge {
        int64_t frame;
        size_t line;
        bool starts;
    };
    std::vector<Edge> edges;
    edges.reserve(lines.size() * 2);
    for (size_t i = 0; i < lines.size(); ++i) {
        edges.push_back({lines[i].first, i, true});
        edges.push_back({lines[i].last + 1, i, false});
    }
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.frame < b.frame; });

    int keyCounts[kScriptKeyCount] = {};
    std::set<size_t> timed;  // lines in force that give dt=; the last one wins
    size_t inForce = 0;
    for (size_t e = 0; e < edges.size();) {
        const int64_t at = edges[e].frame;
        for (; e < edges.size() && edges[e].frame == at; ++e) {
            const Line& line = lines[edges[e].line];
            const int step = edges[e].starts ? 1 : -1;
            if (edges[e].starts) {
                ++inForce;
            } else {
                --inForce;
            }
            for (int bit = 0; bit < kScriptKeyCount; ++bit) {
                if (line.keys & (1u << bit)) keyCounts[bit] += step;
            }
            if (line.hasFrameTime) {
                if (edges[e].starts) {
                    timed.insert(edges[e].line);
                } else {
                    timed.erase(edges[e].line);
                }
            }
        }
        if (inForce == 0) continue;  // a gap no line names; a line in force always ends later

        Span span{at, edges[e].frame - 1, 0, !timed.empty(), 0.0f};
        for (int bit = 0; bit < kScriptKeyCount; ++bit) {
            if (keyCounts[bit] > 0) span.keys |= static_cast<uint16_t>(1u << bit);
        }
        if (span.hasFrameTime) span.frameTime = lines[*timed.rbegin()].frameTime;
        if (!spans_.empty()) {
            Span& previous = spans_.back();
            if (previous.last + 1 == span.first && previous.keys == span.keys &&
                previous.hasFrameTime == span.hasFrameTime && previous.frameTime == span.frameTime) {
                previous.last = span.last;
                continue;
            }
        }
        spans_.push_back(span);
    }
}

bool KeyScript::Load(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot open key script " + path;
        return false;
    }
    if (!Parse(in, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}

const KeyScript::Span* KeyScript::SpanOf(int64_t frame) const {
    auto after = std::upper_bound(spans_.begin(), spans_.end(), frame,
                                  [](int64_t f, const Span& span) { return f < span.first; });
    if (after == spans_.begin()) return nullptr;
    const Span& span = *(after - 1);
    return frame <= span.last ? &span : nullptr;
}

uint16_t KeyScript::Held(int64_t frame) const {
    const Span* span = SpanOf(frame);
    return span != nullptr ? span->keys : 0;
}

bool KeyScript::FrameTime(int64_t frame, float* seconds) const {
    const Span* span = SpanOf(frame);
    if (span == nullptr || !span->hasFrameTime) return false;
    *seconds = span->frameTime;
    return true;
}

}  // namespace session
