// The programs' command lines: options named --name, each a flag or followed by one value. One
// set of rules for the game, the harness and the benchmarks, and one wording of their errors.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace session {

class CommandLine {
public:
    // `name` alone sets *value.
    void Flag(const char* name, bool* value);
    // `name` VALUE stores VALUE.
    void Text(const char* name, std::string* value);
    // `name` VALUE hands VALUE to `read`; when it refuses, the error says that the option takes
    // `what` ("a whole number").
    void Value(const char* name, const char* what, std::function<bool(const char* text)> read);

    // Reads argv[1] on. On an unknown option, a missing or empty value or one `read` refuses,
    // returns false with a one-line message in `error`.
    bool Parse(int argc, char** argv, std::string* error) const;

private:
    struct Option {
        std::string name;
        const char* what;  // null for a flag
        std::function<bool(const char* text)> read;
    };
    std::vector<Option> options_;
};

// A whole number from 0 up, all of `text`.
bool ReadCount(const char* text, long long* value);
// Seconds above 0 and below a million, all of `text`.
bool ReadSeconds(const char* text, double* value);
// How much larger than the back buffer the device draws: "auto" (0: as large as the window shows
// the picture) or a number from 1 to 4, all of `text`.
bool ReadRenderScale(const char* text, float* value);
// Samples a pixel: 2, 4 or 8.
bool ReadSamples(const char* text, int* value);

}  // namespace session
