#include "session/live_session.h"

#include <windows.h>
#include <qv_win32.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>

#include "app/engine.h"
#include "platform/win32/qv_live.h"
#include "session/frame_clock.h"

namespace replay {

const char kLiveUsage[] =
    "usage: quorvel [--record FILE] [--trace FILE|-] [--keys FILE] [--force] [--data-dir DIR]\n"
    "  --record FILE   write the game as a key script: each frame's keys and timer seconds\n"
    "  --trace FILE    write the replay harness's JSON-lines trace of the game ('-': stdout)\n"
    "  --keys FILE     play a key script into the window; a recording plays back exactly\n"
    "  --force         let --record and --trace overwrite files that are not theirs\n"
    "  --data-dir DIR  run from DIR, where Models/ is (files above stay relative to here)\n"
    "Replay a recording headless with: quorvel-replay --keys FILE --trace -\n";

namespace {

// A played script's clock must hold the rest of the game too: a year of play fits.
const double kPlayReserveSeconds = 365.0 * 24 * 3600;

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

bool ParseLiveOptions(int argc, char** argv, LiveOptions* options, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string* value = arg == "--record"     ? &options->recordPath
                             : arg == "--trace"    ? &options->tracePath
                             : arg == "--keys"     ? &options->keysPath
                             : arg == "--data-dir" ? &options->dataDir
                                                   : nullptr;
        if (value != nullptr) {
            if (i + 1 == argc || argv[i + 1][0] == '\0') {
                *error = arg + " needs a value";
                return false;
            }
            *value = argv[++i];
        } else if (arg == "--force") {
            options->force = true;
        } else if (arg == "--help" || arg == "-h") {
            options->help = true;
        } else {
            *error = "unknown argument \"" + arg + "\"";
            return false;
        }
    }
    return true;
}

bool IsKeyScriptFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    KeyScript script;
    std::string error;
    return in && script.Parse(in, &error);
}

bool IsTraceFile(const std::string& path) {
    static const char kStart[] = "{\"frame\":";
    std::ifstream in(path, std::ios::binary);
    char start[sizeof kStart - 1] = {};
    in.read(start, sizeof start);
    return in.gcount() == 0 || (in.gcount() == sizeof start && std::memcmp(start, kStart, sizeof start) == 0);
}

void SessionFile::Open(const std::string& path, bool force, bool (*isOurs)(const std::string& path)) {
    Close();
    path_ = path;
    if (path == "-") {
        file_ = stdout;
        return;
    }
    struct stat st;
    if (!force && stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            Fail("it is not a regular file (--force writes to it all the same)");
            return;
        }
        if (!isOurs(path)) {
            Fail(std::string("the file there is not a ") + what_ + " (--force overwrites it)");
            return;
        }
    }
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) Fail(std::strerror(errno));
}

void SessionFile::WriteLine(const std::string& line) {
    if (file_ == nullptr) return;
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0) {
        Fail(errno != 0 ? std::strerror(errno) : "write failed");
    }
}

void SessionFile::Close() {
    if (file_ == nullptr) return;
    FILE* file = file_;
    file_ = nullptr;
    if (file == stdout) {
        std::fflush(stdout);
    } else if (std::fclose(file) != 0) {
        Fail(std::strerror(errno));
    }
}

// Once: whatever failed, the file is given up and the game goes on.
void SessionFile::Fail(const std::string& why) {
    if (file_ != nullptr && file_ != stdout) std::fclose(file_);
    file_ = nullptr;
    std::fprintf(stderr, "quorvel: cannot write the %s %s: %s; the game goes on without it\n", what_,
                 path_.c_str(), why.c_str());
    const std::string text = std::string("The ") + what_ + " cannot be written to " + path_ + ":\n" + why +
                             "\n\nThe game goes on without it.";
    MessageBoxA(NULL, text.c_str(), "Quorvel", MB_OK | MB_ICONERROR);
}

LiveSession::LiveSession() = default;
LiveSession::~LiveSession() { Finish(); }

bool LiveSession::Open(const LiveOptions& options, std::string* error) {
    if (!options.keysPath.empty()) {
        std::ifstream in(options.keysPath, std::ios::binary);
        if (!in) {
            *error = "cannot open key script " + options.keysPath;
            return false;
        }
        if (!script_.Parse(in, error)) {
            *error = options.keysPath + ": " + *error;
            return false;
        }
        playing_ = true;
    }
    // The script is read whole first, so a recording may replace the script it plays.
    if (!options.recordPath.empty()) {
        record_.Open(options.recordPath, options.force, IsKeyScriptFile);
        record_.WriteLine(std::string(kRecordingHeader) +
                          ": the keys each frame saw held and the seconds its timer returned\n");
    }
    if (!options.tracePath.empty()) trace_.Open(options.tracePath, options.force, IsTraceFile);
    return true;
}

void LiveSession::Start() {
    if (playing_ && script_.HasFrameTimes()) {
        bool exact = true;
        clock_ = std::make_unique<FrameClock>(
            ScriptClockFrequency(script_, script_.LastFrame(), 0.0, kPlayReserveSeconds, &exact));
        if (!exact) std::fprintf(stderr, "quorvel: some dt= are too fine for the clock and are rounded\n");
    }
    lastIdle_ = Now();
    QvSetLoopObserver({[this] { OnPeek(); }, [this] { OnIdle(); }});
}

void LiveSession::Finish() {
    QvSetLoopObserver({});
    clock_.reset();
    record_.Close();
    trace_.Close();
}

void LiveSession::OnPeek() {
    if (!started_) {
        // The first look at the queue: set-up is done and the first frame is still to come.
        started_ = true;
        if (trace_.open()) trace_.WriteLine(writer_.Initial());
        if (playing_) FeedKeys(1);
    } else if (inFrame_) {
        EndFrame();
    }
}

void LiveSession::OnIdle() {
    ++frame_;
    inFrame_ = true;
    frameKeys_ = 0;
    for (int bit = 0; bit < kScriptKeyCount; ++bit) {
        if (g_engine.keyboard.keys[VirtualKeyOfBit(bit)] != 0) frameKeys_ |= static_cast<uint16_t>(1u << bit);
    }
    if (clock_ != nullptr) {
        const double now = Now();
        float seconds = 0.0f;
        clock_->Advance(script_.FrameTime(frame_, &seconds) ? static_cast<double>(seconds) : now - lastIdle_);
        lastIdle_ = now;
    }
}

void LiveSession::EndFrame() {
    inFrame_ = false;
    if (record_.open()) {
        // The frame stored its timer's float times 50 in double precision, which is exact, so
        // dividing by 50 gives that float back.
        const float seconds = static_cast<float>(g_engine.fps.speedFactor / 50.0);
        line_ = std::to_string(frame_);
        for (int bit = 0; bit < kScriptKeyCount; ++bit) {
            if (frameKeys_ & (1u << bit)) {
                line_ += ' ';
                line_ += KeyNameOfBit(bit);
            }
        }
        line_ += " dt=";
        AppendFloat(line_, seconds);
        line_ += '\n';
        record_.WriteLine(line_);
    }
    if (trace_.open()) trace_.WriteLine(writer_.Frame(frame_));
    if (playing_) FeedKeys(frame_ + 1);
}

// Posts the key changes from the keys fed so far to those of `frame`; the main loop dispatches
// them to the window procedure before it runs that frame.
void LiveSession::FeedKeys(int64_t frame) {
    const uint16_t want = script_.Held(frame);
    for (int bit = 0; bit < kScriptKeyCount; ++bit) {
        const uint16_t mask = static_cast<uint16_t>(1u << bit);
        if ((fed_ & mask) != (want & mask)) QvPostKey(g_hWnd, VirtualKeyOfBit(bit), (want & mask) != 0);
    }
    fed_ = want;
}

}  // namespace replay
