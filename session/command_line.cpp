#include "session/command_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace session {

void CommandLine::Flag(const char* name, bool* value) {
    options_.push_back({name, nullptr, [value](const char*) { return *value = true; }});
}

void CommandLine::Text(const char* name, std::string* value) {
    Value(name, "a value", [value](const char* text) {
        *value = text;
        return true;
    });
}

void CommandLine::Value(const char* name, const char* what, std::function<bool(const char* text)> read) {
    options_.push_back({name, what, std::move(read)});
}

bool CommandLine::Parse(int argc, char** argv, std::string* error) const {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const Option* option = nullptr;
        for (const Option& candidate : options_) {
            if (candidate.name == arg) option = &candidate;
        }
        if (option == nullptr) {
            *error = "unknown argument \"" + arg + "\"";
            return false;
        }
        if (option->what == nullptr) {
            option->read(nullptr);
            continue;
        }
        if (i + 1 == argc || argv[i + 1][0] == '\0') {
            *error = arg + " needs a value";
            return false;
        }
        const char* text = argv[++i];
        if (!option->read(text)) {
            *error = arg + " takes " + option->what + ", got \"" + text + "\"";
            return false;
        }
    }
    return true;
}

bool ReadCount(const char* text, long long* value) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    // A number past what a long long holds comes back as the largest one: refused, not run.
    if (end == text || *end != '\0' || v < 0 || errno == ERANGE) return false;
    *value = v;
    return true;
}

bool ReadSeconds(const char* text, double* value) {
    char* end = nullptr;
    const double seconds = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(seconds > 0.0) || !(seconds < 1.0e6)) return false;
    *value = seconds;
    return true;
}

bool ReadRenderScale(const char* text, float* value) {
    if (std::strcmp(text, "auto") == 0) {
        *value = 0.0f;
        return true;
    }
    char* end = nullptr;
    const double scale = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(scale >= 1.0) || !(scale <= 4.0)) return false;
    *value = static_cast<float>(scale);
    return true;
}

bool ReadSamples(const char* text, int* value) {
    long long samples = 0;
    if (!ReadCount(text, &samples) || (samples != 2 && samples != 4 && samples != 8)) return false;
    *value = static_cast<int>(samples);
    return true;
}

}  // namespace session
