#include "session/live_session.h"

#include <chrono>
#include <cstdio>

#include "session/command_line.h"
#include "session/frame_clock.h"

namespace session {

const char kLiveUsage[] =
    "usage: quorvel [--record FILE] [--trace FILE|-] [--keys FILE] [--force] [--data-dir DIR]\n"
    "  --record FILE   write the game as a key script: each frame's keys and timer seconds\n"
    "  --trace FILE    write the replay harness's JSON-lines trace of the game ('-': stdout)\n"
    "  --keys FILE     play a key script into the window; a recording plays back exactly\n"
    "  --force         let --record and --trace overwrite files that are not theirs\n"
    "  --data-dir DIR  run from DIR, where Models/ is (files above stay relative to here)\n"
    "  --fullscreen    start in full screen, the desktop's size (F11 or Alt+Enter switches)\n"
    "  --window-scale N  open the window N times the game's 640 x 480, N from 1 to 8\n"
    "  --render-scale auto|1|2|3|4  draw the picture this many times larger; auto (the default)\n"
    "                  draws it at the size it is shown\n"
    "  --msaa 2|4|8    smooth edges with this many samples a pixel\n"
    "Replay a recording headless with: quorvel-replay --keys FILE --trace -\n";

namespace {

// A played script's clock must hold the rest of the game too: a year of play fits.
const double kPlayReserveSeconds = 365.0 * 24 * 3600;

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

bool ParseLiveOptions(int argc, char** argv, LiveOptions* options, std::string* error) {
    CommandLine line;
    line.Text("--record", &options->recordPath);
    line.Text("--trace", &options->tracePath);
    line.Text("--keys", &options->keysPath);
    line.Text("--data-dir", &options->dataDir);
    line.Flag("--force", &options->force);
    line.Flag("--fullscreen", &options->fullscreen);
    line.Value("--window-scale", "a whole number from 1 to 8", [options](const char* text) {
        long long scale = 0;
        if (!ReadCount(text, &scale) || scale < 1 || scale > 8) return false;
        options->windowScale = static_cast<int>(scale);
        return true;
    });
    line.Value("--render-scale", "auto, 1, 2, 3 or 4", [options](const char* text) {
        float scale = 0.0f;
        if (!ReadRenderScale(text, &scale) || scale != static_cast<float>(static_cast<int>(scale))) return false;
        options->renderScale = scale;
        return true;
    });
    line.Value("--msaa", "2, 4 or 8", [options](const char* text) { return ReadSamples(text, &options->samples); });
    line.Flag("--help", &options->help);
    line.Flag("-h", &options->help);
    return line.Parse(argc, argv, error);
}

void AppendRecordingLine(std::string& out, int64_t frame, uint16_t keys, float seconds) {
    out += std::to_string(frame);
    for (int bit = 0; bit < kScriptKeyCount; ++bit) {
        if (keys & (1u << bit)) {
            out += ' ';
            out += KeyNameOfBit(bit);
        }
    }
    out += " dt=";
    AppendFloat(out, seconds);
    out += '\n';
}

LiveSession::LiveSession(const EngineView& engine) : engine_(engine), writer_(engine) {}
LiveSession::~LiveSession() { Finish(); }

bool LiveSession::Open(const LiveOptions& options, std::string* error) {
    if (!options.keysPath.empty()) {
        if (!script_.Load(options.keysPath, error)) return false;
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
        clock_ = ScriptClock(script_, script_.LastFrame(), 0.0, kPlayReserveSeconds, "quorvel");
    }
    lastIdle_ = Now();
}

void LiveSession::Finish() {
    clock_.reset();
    record_.Close();
    trace_.Close();
}

void LiveSession::OnPeek() {
    if (!started_) {
        // The first look at the queue: set-up is done and the first frame is still to come.
        started_ = true;
        if (trace_.open()) trace_.WriteLine(writer_.Initial());
        if (playing_) feed_.Feed(*engine_.window, script_.Held(1));
    } else if (inFrame_) {
        EndFrame();
    }
}

void LiveSession::OnIdle() {
    ++frame_;
    inFrame_ = true;
    frameKeys_ = KeysHeldIn(engine_.keys);
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
        line_.clear();
        AppendRecordingLine(line_, frame_, frameKeys_, engine_.frameSeconds());
        record_.WriteLine(line_);
    }
    if (trace_.open()) trace_.WriteLine(writer_.Frame(frame_));
    if (playing_) feed_.Feed(*engine_.window, script_.Held(frame_ + 1));
}

}  // namespace session
