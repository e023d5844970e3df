// libFuzzer entry for the command lines of the game (ParseLiveOptions) and of the harness
// (session::ParseOptions): the input split on NUL bytes is the arguments after the program's
// name. Either a refusal with a message, or options within the ranges the programs go on to
// rely on; a number that was accepted is the number the argument writes.
#include "session/live_session.h"
#include "session/replay.h"

#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

void Check(bool ok)
{
    if (!ok) __builtin_trap();
}

// The whole number `text` writes as strtoll reads it (spaces, then a sign, then digits), or
// false when it has no such number or one past a long long.
bool Written(const std::string& text, long long* value)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    const bool minus = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    unsigned long long v = 0;
    const size_t start = i;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        v = v * 10 + static_cast<unsigned>(text[i] - '0');
        if (v > 9223372036854775807ull) return false;
    }
    if (i == start || i != text.size()) return false;
    *value = minus ? -static_cast<long long>(v) : static_cast<long long>(v);
    return true;
}

// The value that followed the last `name` in arguments a parser took, where `takesValue` names
// every option that is followed by one.
const std::string* LastValue(const std::vector<std::string>& args, const std::vector<std::string>& takesValue,
                             const char* name)
{
    const std::string* value = nullptr;
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        bool paired = false;
        for (const std::string& option : takesValue) paired = paired || args[i] == option;
        if (!paired) continue;
        if (args[i] == name) value = &args[i + 1];
        ++i;
    }
    return value;
}

void CheckGame(const std::vector<std::string>& args, std::vector<char*>& argv)
{
    session::LiveOptions options;
    std::string error;
    if (!session::ParseLiveOptions(static_cast<int>(argv.size()) - 1, argv.data(), &options, &error)) {
        Check(!error.empty());
        return;
    }
    Check(options.windowScale >= 1 && options.windowScale <= 8);
    Check(options.renderScale == 0.0f || options.renderScale == 1.0f || options.renderScale == 2.0f ||
          options.renderScale == 3.0f || options.renderScale == 4.0f);
    Check(options.samples == 0 || options.samples == 2 || options.samples == 4 || options.samples == 8);
    static const std::vector<std::string> kTakeValues = {"--record",       "--trace",        "--keys", "--data-dir",
                                                         "--window-scale", "--render-scale", "--msaa"};
    if (const std::string* scale = LastValue(args, kTakeValues, "--window-scale")) {
        long long written = 0;
        Check(Written(*scale, &written) && written == options.windowScale);
    }
}

void CheckHarness(const std::vector<std::string>& args, std::vector<char*>& argv)
{
    session::Options options;
    std::string error;
    if (!session::ParseOptions(static_cast<int>(argv.size()) - 1, argv.data(), &options, &error)) {
        Check(!error.empty());
        return;
    }
    Check(options.frames >= 0);
    if (options.framesGiven) {
        long long written = 0;
        static const std::vector<std::string> kTakeValues = {"--frames",     "--keys",         "--trace", "--shot",
                                                             "--frame-time", "--render-scale", "--msaa"};
        Check(Written(*LastValue(args, kTakeValues, "--frames"), &written) && written == options.frames);
    }
    Check(options.frameTime == 0.0 || (options.frameTime > 0.0 && options.frameTime < 1.0e6));
    Check(options.renderScale == 0.0f || (options.renderScale >= 1.0f && options.renderScale <= 4.0f));
    Check(options.samples == 0 || options.samples == 2 || options.samples == 4 || options.samples == 8);
    for (const auto& shot : options.shots) Check(shot.first >= 1 && !shot.second.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            if (args.size() == 64) break;
            args.emplace_back();
        } else {
            args.back() += static_cast<char>(data[i]);
        }
    }
    if (size == 0) args.clear();
    std::vector<char*> argv = {const_cast<char*>("quorvel")};
    for (std::string& arg : args) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    CheckGame(args, argv);
    CheckHarness(args, argv);
    return 0;
}
