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

// A value as a message shows it: quoted, with bytes that are not printable as \xHH, so that no
// address can write a line of its own to the console through a refusal.
std::string Shown(const std::string& text)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
        }
    }
    return out + "\"";
}

bool AllDigits(const std::string& text)
{
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return !text.empty();
}

// Frames as the harness's --shot takes them: whole numbers from 1, comma-separated; each shot
// is a picture on the console, so there are a few at most.
bool ReadShots(const std::string& text, PageRequest* request)
{
    size_t start = 0;
    while (start <= text.size()) {
        if (request->shots.size() == kMostShots) return false;
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

// One segment of a path beside the page: letters, digits, '.', '_', '-' and spaces (fetch
// encodes those), and neither "." nor "..".
bool IsPlainSegment(const std::string& segment)
{
    if (segment.empty() || segment == "." || segment == "..") return false;
    for (char c : segment) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-' && c != ' ') return false;
    }
    return true;
}

// Plain segments with one '/' between each two. Nothing else can take the browser elsewhere: a
// scheme or a leading '/' names another place, a backslash is read as '/' and tabs and line
// breaks are dropped (so "/%5Cevil.example" and "/%09/evil.example" are "//evil.example",
// another server), and '%', '?' and '#' would be read again.
bool IsPathBesidePage(const std::string& path)
{
    if (path.size() > kLongestKeysPath) return false;
    size_t start = 0;
    for (;;) {
        const size_t slash = path.find('/', start);
        if (!IsPlainSegment(path.substr(start, slash == std::string::npos ? std::string::npos : slash - start))) {
            return false;
        }
        if (slash == std::string::npos) return true;
        start = slash + 1;
    }
}

bool ReadKeysPath(const std::string& text, PageRequest* request)
{
    if (!IsPathBesidePage(text)) return false;
    request->replay = true;
    request->keysUrl = text;
    return true;
}

// One file directly in the packed Models/, named as a path beside the page is.
bool ReadDrop(const std::string& text, PageRequest* request)
{
    const std::string folder = "Models/";
    if (text.compare(0, folder.size(), folder) != 0 || !IsPlainSegment(text.substr(folder.size()))) return false;
    request->drop = text;
    return true;
}

// A replay's length: a whole number of frames, up to the most a page replays.
bool ReadFrames(const std::string& text, PageRequest* request)
{
    if (text.size() > 12 || !AllDigits(text)) return false;
    const long long frames = std::atoll(text.c_str());
    if (frames < 1 || frames > kMostReplayFrames) return false;
    request->options.insert(request->options.end(), {"--frames", text});
    return true;
}

// The game's --render-scale: auto or a whole scale from 1 to 4.
bool ReadRenderScale(const std::string& text, PageRequest* request)
{
    if (text == "auto") {
        request->renderScale = 0.0f;
    } else if (text.size() == 1 && text[0] >= '1' && text[0] <= '4') {
        request->renderScale = float(text[0] - '0');
    } else {
        return false;
    }
    request->options.insert(request->options.end(), {"--render-scale", text});
    return true;
}

bool ReadSamples(const std::string& text, PageRequest* request)
{
    if (text != "2" && text != "4" && text != "8") return false;
    request->samples = text[0] - '0';
    request->options.insert(request->options.end(), {"--msaa", text});
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
    std::string takes;
    // Reads and checks the value into the request; false refuses it.
    bool (*read)(const std::string& value, PageRequest* request);
    // Only a replay reads it.
    bool replayOnly;
};

// frame-time's value is the harness's to check: it goes on as its option.
const Parameter kParameters[] = {
    {"replay", "the path of a key script beside the page", ReadKeysPath, false},
    {"record", "1 or 0", [](const std::string& v, PageRequest* r) { return ReadSwitch(v, &r->record); }, false},
    {"drop", "a file of Models/, as Models/NAME", ReadDrop, false},
    {"atlas", "a face name of up to 31 printable characters", ReadFaceName, false},
    {"points", "a whole number from 1 to 1000", ReadPoints, false},
    {"frames", "a whole number of frames from 1 to " + std::to_string(kMostReplayFrames), ReadFrames, true},
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
    {"shot", "up to " + std::to_string(kMostShots) + " frame numbers from 1, separated by commas", ReadShots, true},
    {"render-scale", "auto, 1, 2, 3 or 4", ReadRenderScale, false},
    {"msaa", "2, 4 or 8", ReadSamples, false},
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
            *error = "the address gives " + Shown(name) + " twice";
            return false;
        }
        const Parameter* parameter = FindParameter(name);
        if (parameter == nullptr) {
            *error = "the page knows no parameter " + Shown(name);
            return false;
        }
        if (!parameter->read(value, request)) {
            *error = name + " takes " + parameter->takes + ", got " + Shown(value);
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
    } else if (atlas && (request.replay || given.names.count("record") || !request.drop.empty() ||
                         given.names.count("render-scale") || given.names.count("msaa"))) {
        *error = "atlas builds a font's atlas and nothing else: no replay, record, drop, render-scale or msaa with it";
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
