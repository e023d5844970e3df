#include "programs/web/page_query.h"

#include <cctype>
#include <cstdlib>
#include <set>

namespace webpage {
namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Form decoding: '+' is a space, %XY a byte; a broken escape is refused.
bool Decode(const std::string& text, std::string* out)
{
    out->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            *out += ' ';
        } else if (text[i] == '%') {
            if (i + 2 >= text.size() || HexDigit(text[i + 1]) < 0 || HexDigit(text[i + 2]) < 0) return false;
            *out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            *out += text[i];
        }
    }
    return true;
}

// Frames as the harness's --shot takes them: whole numbers from 1, comma-separated.
bool ReadShots(const std::string& text, std::vector<long long>* shots)
{
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item.empty() || item.size() > 12) return false;
        for (char c : item) {
            if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        }
        const long long frame = std::atoll(item.c_str());
        if (frame < 1) return false;
        shots->push_back(frame);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return true;
}

// A font's size as the engine takes it: whole points, 1 to 1000.
bool ReadPoints(const std::string& text, int* points)
{
    if (text.empty() || text.size() > 4) return false;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    *points = std::atoi(text.c_str());
    return *points >= 1 && *points <= 1000;
}

// A GDI face name (at most 31 characters) of printable ASCII, so it reads back from the
// console line unchanged.
bool IsFaceName(const std::string& text)
{
    if (text.empty() || text.size() > 31) return false;
    for (char c : text) {
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

}  // namespace

bool ParsePageQuery(const std::string& query, PageRequest* request, std::string* error)
{
    *request = PageRequest{};
    std::string rest = !query.empty() && query[0] == '?' ? query.substr(1) : query;
    std::set<std::string> seen;
    bool replayOnly = false;
    std::string replayOnlyName;
    size_t start = 0;
    while (start < rest.size()) {
        size_t amp = rest.find('&', start);
        if (amp == std::string::npos) amp = rest.size();
        const std::string pair = rest.substr(start, amp - start);
        start = amp + 1;
        if (pair.empty()) continue;
        const size_t eq = pair.find('=');
        std::string name, value;
        if (!Decode(pair.substr(0, eq), &name) ||
            !Decode(eq == std::string::npos ? std::string() : pair.substr(eq + 1), &value)) {
            *error = "the address has a broken %-escape";
            return false;
        }
        if (!seen.insert(name).second) {
            *error = "the address gives " + name + " twice";
            return false;
        }
        if (name == "replay") {
            // Key scripts come from beside the page, never from elsewhere.
            if (value.empty() || value.find("://") != std::string::npos || value.rfind("//", 0) == 0 ||
                value.find(':') != std::string::npos) {
                *error = "replay takes the path of a key script beside the page, got \"" + value + "\"";
                return false;
            }
            request->replay = true;
            request->keysUrl = value;
            continue;
        }
        if (name == "record") {
            if (value != "1" && value != "0") {
                *error = "record takes 1 or 0, got \"" + value + "\"";
                return false;
            }
            request->record = value == "1";
            continue;
        }
        if (name == "drop") {
            if (value.rfind("Models/", 0) != 0 || value.size() == 7 || value.find('/', 7) != std::string::npos ||
                value == "Models/." || value == "Models/..") {
                *error = "drop takes a file of Models/, as Models/NAME, got \"" + value + "\"";
                return false;
            }
            request->drop = value;
            continue;
        }
        if (name == "atlas") {
            if (!IsFaceName(value)) {
                *error = "atlas takes a face name of up to 31 printable characters, got \"" + value + "\"";
                return false;
            }
            request->atlasFace = value;
            continue;
        }
        if (name == "points") {
            if (!ReadPoints(value, &request->atlasPoints)) {
                *error = "points takes a whole number from 1 to 1000, got \"" + value + "\"";
                return false;
            }
            continue;
        }
        if (name == "frames") {
            request->options.insert(request->options.end(), {"--frames", value});
        } else if (name == "frame-time") {
            request->options.insert(request->options.end(), {"--frame-time", value});
        } else if (name == "uncapped") {
            if (value != "1" && value != "0") {
                *error = "uncapped takes 1 or 0, got \"" + value + "\"";
                return false;
            }
            if (value == "1") request->options.push_back("--uncapped");
        } else if (name == "shot") {
            if (!ReadShots(value, &request->shots)) {
                *error = "shot takes frame numbers from 1, separated by commas, got \"" + value + "\"";
                return false;
            }
        } else {
            *error = "the page knows no parameter \"" + name + "\"";
            return false;
        }
        replayOnly = true;
        replayOnlyName = name;
    }
    if (replayOnly && !request->replay) {
        *error = replayOnlyName + " needs replay=KEYS";
        return false;
    }
    if (request->record && request->replay) {
        *error = "record=1 records a game played in the page, not a replay";
        return false;
    }
    const bool atlas = !request->atlasFace.empty();
    if (atlas != (request->atlasPoints != 0)) {
        *error = "atlas=FACE and points=N go together";
        return false;
    }
    if (atlas && (request->replay || seen.count("record") || !request->drop.empty())) {
        *error = "atlas builds a font's atlas and nothing else: no replay, record or drop with it";
        return false;
    }
    return true;
}

}  // namespace webpage
