// libFuzzer entry for the page's address (ParsePageQuery): any query in, a request or a refusal
// out. A refusal is one line of printable text, so no address writes a console line of its own.
// A request keeps the page's promises (a key script only beside the page, a dropped file only
// in Models/, an atlas only alone, replay options only with a replay), and written back as an
// address with every byte escaped it reads as the same request.
#include "programs/web/page_query.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using webpage::PageRequest;

void Check(bool ok)
{
    if (!ok) __builtin_trap();
}

bool Printable(const std::string& text)
{
    for (char c : text) {
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

// A path the browser can only read as one beside the page: no scheme, host, escape, query or
// fragment, no step up, no empty segment.
bool BesideThePage(const std::string& path)
{
    if (path.empty() || path.find_first_of(":\\%?#\t\r\n") != std::string::npos || !Printable(path)) return false;
    const std::string wrapped = "/" + path + "/";
    return wrapped.find("//") == std::string::npos && wrapped.find("/./") == std::string::npos &&
           wrapped.find("/../") == std::string::npos;
}

std::string Escaped(const std::string& text)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        out += {'%', kHex[byte >> 4], kHex[byte & 15]};
    }
    return out;
}

// The request as an address again, its parameters in the order they came.
std::string Address(const PageRequest& r)
{
    std::string query = "?";
    auto add = [&query](const char* name, const std::string& value) {
        query += std::string(name) + "=" + Escaped(value) + "&";
    };
    if (r.replay) add("replay", r.keysUrl);
    if (r.record) add("record", "1");
    if (!r.drop.empty()) add("drop", r.drop);
    if (!r.atlasFace.empty()) {
        add("atlas", r.atlasFace);
        add("points", std::to_string(r.atlasPoints));
    }
    // Each option is its parameter's name after "--", with the value it was given; --uncapped
    // alone stands for uncapped=1.
    for (size_t i = 0; i < r.options.size(); ++i) {
        Check(r.options[i].compare(0, 2, "--") == 0);
        const std::string name = r.options[i].substr(2);
        if (name == "uncapped") {
            add("uncapped", "1");
        } else {
            Check(i + 1 < r.options.size());
            add(name.c_str(), r.options[++i]);
        }
    }
    if (!r.shots.empty()) {
        std::string shots;
        for (long long frame : r.shots) shots += (shots.empty() ? "" : ",") + std::to_string(frame);
        add("shot", shots);
    }
    return query;
}

void CheckRequest(const PageRequest& r)
{
    Check(r.replay == !r.keysUrl.empty());
    if (r.replay) Check(r.keysUrl.size() <= webpage::kLongestKeysPath && BesideThePage(r.keysUrl));
    Check(!(r.record && r.replay));
    if (!r.drop.empty()) {
        Check(r.drop.compare(0, 7, "Models/") == 0);
        const std::string name = r.drop.substr(7);
        Check(name.find('/') == std::string::npos && BesideThePage(name));
    }
    Check(r.atlasFace.empty() == (r.atlasPoints == 0));
    if (!r.atlasFace.empty()) {
        Check(r.atlasFace.size() <= 31 && Printable(r.atlasFace));
        Check(r.atlasPoints >= 1 && r.atlasPoints <= 1000);
        Check(!r.replay && !r.record && r.drop.empty());
    }
    Check(r.shots.size() <= webpage::kMostShots);
    for (long long frame : r.shots) Check(frame >= 1);
    Check(r.replay || r.shots.empty());
    for (size_t i = 0; i < r.options.size(); ++i) {
        const std::string& option = r.options[i];
        if (option == "--frames" || option == "--frame-time" || option == "--uncapped") Check(r.replay);
        if (option == "--frames") {
            const long long frames = std::stoll(r.options.at(i + 1));
            Check(frames >= 1 && frames <= webpage::kMostReplayFrames);
        }
    }
}

bool Same(const PageRequest& a, const PageRequest& b)
{
    return a.record == b.record && a.replay == b.replay && a.keysUrl == b.keysUrl && a.shots == b.shots &&
           a.options == b.options && a.drop == b.drop && a.atlasFace == b.atlasFace &&
           a.atlasPoints == b.atlasPoints;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string query(reinterpret_cast<const char*>(data), size);
    PageRequest request;
    std::string error;
    if (!webpage::ParsePageQuery(query, &request, &error)) {
        Check(!error.empty() && Printable(error));
        return 0;
    }
    CheckRequest(request);
    PageRequest again;
    Check(webpage::ParsePageQuery(Address(request), &again, &error));
    Check(Same(request, again));
    return 0;
}
