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

bool AllDigits(const std::string& text)
{
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return !text.empty();
}

// Frames as the harness's --shot takes them: whole numbers from 1, comma-separated.
bool ReadShots(const std::string& text, PageRequest* request)
{
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item.size() > 12 || !AllDigits(item)) return false;
        const long long frame = std::atoll(item.c_str());
        if (frame < 1) return false;
        request->shots.push_back(frame);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return true;
}

// A font's size as the engine takes it: whole points, 1 to 1000.
bool ReadPoints(const std::string& text, PageRequest* request)
{
    if (text.size() > 4 || !AllDigits(text)) return false;
    request->atlasPoints = std::atoi(text.c_str());
    return request->atlasPoints >= 1 && request->atlasPoints <= 1000;
}

// A GDI face name (at most 31 characters) of printable ASCII, so it reads back from the
// console line unchanged.
bool ReadFaceName(const std::string& text, PageRequest* request)
{
    if (text.empty() || text.size() > 31) return false;
    for (char c : text) {
        if (c < 0x20 || c > 0x7E) return false;
    }
    request->atlasFace = text;
    return true;
}

// Key scripts come from beside the page, never from elsewhere.
bool ReadKeysPath(const std::string& text, PageRequest* request)
{
    if (text.empty() || text.find("://") != std::string::npos || text.rfind("//", 0) == 0 ||
        text.find(':') != std::string::npos) {
        return false;
    }
    request->replay = true;
    request->keysUrl = text;
    return true;
}

// One file directly in the packed Models/.
bool ReadDrop(const std::string& text, PageRequest* request)
{
    if (text.rfind("Models/", 0) != 0 || text.size() == 7 || text.find('/', 7) != std::string::npos ||
        text == "Models/." || text == "Models/..") {
        return false;
    }
    request->drop = text;
    return true;
}

bool ReadSwitch(const std::string& text, bool* on)
{
    if (text != "1" && text != "0") return false;
    *on = text == "1";
    return true;
}

struct Parameter {
    const char* name;
    // What the refusal of a bad value says the parameter takes.
    const char* takes;
    // Reads and checks the value into the request; false refuses it.
    bool (*read)(const std::string& value, PageRequest* request);
    // Only a replay reads it.
    bool replayOnly;
};

// The values of frames and frame-time are the harness's to check: they go on as its options.
const Parameter kParameters[] = {
    {"replay", "the path of a key script beside the page", ReadKeysPath, false},
    {"record", "1 or 0", [](const std::string& v, PageRequest* r) { return ReadSwitch(v, &r->record); }, false},
    {"drop", "a file of Models/, as Models/NAME", ReadDrop, false},
    {"atlas", "a face name of up to 31 printable characters", ReadFaceName, false},
    {"points", "a whole number from 1 to 1000", ReadPoints, false},
    {"frames", "", [](const std::string& v, PageRequest* r) {
         r->options.insert(r->options.end(), {"--frames", v});
         return true;
     }, true},
    {"frame-time", "", [](const std::string& v, PageRequest* r) {
         r->options.insert(r->options.end(), {"--frame-time", v});
         return true;
     }, true},
    {"uncapped", "1 or 0", [](const std::string& v, PageRequest* r) {
         bool on = false;
         if (!ReadSwitch(v, &on)) return false;
         if (on) r->options.push_back("--uncapped");
         return true;
     }, true},
    {"shot", "frame numbers from 1, separated by commas", ReadShots, true},
};

const Parameter* FindParameter(const std::string& name)
{
    for (const Parameter& p : kParameters) {
        if (name == p.name) return &p;
    }
    return nullptr;
}

// What the address gave, for the rules between the parameters.
struct Given {
    std::set<std::string> names;
    std::string replayOnly;  // the last parameter given that only a replay reads
};

// The address's name=value pairs, each read by its parameter.
bool ReadPairs(const std::string& query, PageRequest* request, Given* given, std::string* error)
{
    size_t start = !query.empty() && query[0] == '?' ? 1 : 0;
    while (start < query.size()) {
        size_t amp = query.find('&', start);
        if (amp == std::string::npos) amp = query.size();
        const std::string pair = query.substr(start, amp - start);
        start = amp + 1;
        if (pair.empty()) continue;
        const size_t eq = pair.find('=');
        std::string name, value;
        if (!Decode(pair.substr(0, eq), &name) ||
            !Decode(eq == std::string::npos ? std::string() : pair.substr(eq + 1), &value)) {
            *error = "the address has a broken %-escape";
            return false;
        }
        if (!given->names.insert(name).second) {
            *error = "the address gives " + name + " twice";
            return false;
        }
        const Parameter* parameter = FindParameter(name);
        if (parameter == nullptr) {
            *error = "the page knows no parameter \"" + name + "\"";
            return false;
        }
        if (!parameter->read(value, request)) {
            *error = name + " takes " + parameter->takes + ", got \"" + value + "\"";
            return false;
        }
        if (parameter->replayOnly) given->replayOnly = name;
    }
    return true;
}

// The rules between the parameters.
bool CheckRules(const PageRequest& request, const Given& given, std::string* error)
{
    const bool atlas = !request.atlasFace.empty();
    if (!given.replayOnly.empty() && !request.replay) {
        *error = given.replayOnly + " needs replay=KEYS";
    } else if (request.record && request.replay) {
        *error = "record=1 records a game played in the page, not a replay";
    } else if (atlas != (request.atlasPoints != 0)) {
        *error = "atlas=FACE and points=N go together";
    } else if (atlas && (request.replay || given.names.count("record") || !request.drop.empty())) {
        *error = "atlas builds a font's atlas and nothing else: no replay, record or drop with it";
    } else {
        return true;
    }
    return false;
}

}  // namespace

bool ParsePageQuery(const std::string& query, PageRequest* request, std::string* error)
{
    *request = PageRequest{};
    Given given;
    return ReadPairs(query, request, &given, error) && CheckRules(*request, given, error);
}

}  // namespace webpage
