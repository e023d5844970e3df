#include "session/replay.h"

#include <windows.h>
#include <qv_d3d9.h>
#include <qv_win32.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "app/engine.h"
#include "app/timer.h"
#include "game/game.h"
#include "render/device.h"
#include "session/command_line.h"
#include "session/frame_clock.h"
#include "session/key_feed.h"
#include "session/key_script.h"
#include "session/trace.h"

namespace session {

const char kUsage[] =
    "usage: quorvel-replay [--frames N] [--keys FILE] [--trace FILE|-] [--shot N:FILE.png]...\n"
    "                      [--frame-time SECONDS] [--uncapped] [--render-scale auto|1-4] [--msaa 2|4|8]\n"
    "Run from the directory that holds Models/. A script with dt= (a recording) runs to its last\n"
    "frame unless --frames says otherwise; its frames without dt= take --frame-time (else 0.02).\n"
    "With --trace -, the summary line goes to stderr. --render-scale draws the picture that much\n"
    "larger (2: 1280 x 960, as --shot writes it) without changing the game; --msaa multisamples it.\n";

namespace {

// With QV_STARTED_AT (nanoseconds since the epoch, taken just before the process was started,
// as bench/startup-ratio sets it), how long start-up took to the first presented frame.
void ReportStartUp() {
    const char* started = std::getenv("QV_STARTED_AT");
    if (started == nullptr) return;
    timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    const double ms = (double(now.tv_sec) * 1e9 + double(now.tv_nsec) - std::strtod(started, nullptr)) / 1e6;
    std::fprintf(stderr, "quorvel-replay: first frame presented %.1f ms after the process started\n", ms);
}

bool WriteLine(FILE* out, const std::string& line) {
    return out == nullptr || std::fwrite(line.data(), 1, line.size(), out) == line.size();
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options* options, std::string* error) {
    CommandLine line;
    line.Value("--frames", "a whole number", [options](const char* text) {
        options->framesGiven = true;
        return ReadCount(text, &options->frames);
    });
    line.Text("--keys", &options->keysPath);
    line.Text("--trace", &options->tracePath);
    line.Value("--shot", "N:FILE.png with N from 1", [options](const char* text) {
        const std::string shot = text;
        const size_t colon = shot.find(':');
        long long frame = 0;
        if (colon == std::string::npos || colon + 1 == shot.size() ||
            !ReadCount(shot.substr(0, colon).c_str(), &frame) || frame < 1) {
            return false;
        }
        options->shots.emplace_back(frame, shot.substr(colon + 1));
        return true;
    });
    line.Value("--frame-time", "seconds above 0", [options](const char* text) {
        return ReadSeconds(text, &options->frameTime);
    });
    line.Flag("--uncapped", &options->uncapped);
    line.Value("--render-scale", "auto or a number from 1 to 4", [options](const char* text) {
        return ReadRenderScale(text, &options->renderScale);
    });
    line.Value("--msaa", "2, 4 or 8", [options](const char* text) { return ReadSamples(text, &options->samples); });
    return line.Parse(argc, argv, error);
}

EngineView GameView() { return {g_engine.keyboard.keys, &g_engine.camera.position, &g_hWnd, EngineTimerLastElapsed}; }

bool StartGame() {
    QvUseOffscreenVideoWithoutDisplay();
    QvSetMessageBoxMode(QvMessageBoxMode::NonModal);

    CreateEngineWindow(GetModuleHandleA(NULL));
    if (FAILED(g_engine.InitD3D())) return false;
    InitGame();
    return true;
}

namespace {

using Shots = decltype(Options::shots);  // frame, PNG path

// The script named by --keys; none holds no key. False, with the reason on stderr, when it cannot
// be read. A recording's last line cut off mid-write is left out with a word on stderr.
bool LoadScript(const std::string& path, KeyScript* script) {
    if (path.empty()) return true;
    std::string error;
    if (!script->Load(path, &error)) {
        std::fprintf(stderr, "quorvel-replay: %s\n", error.c_str());
        return false;
    }
    if (script->CutLine() != 0) {
        std::fprintf(stderr, "quorvel-replay: %s: line %d was cut off when the recording stopped; left out\n",
                     path.c_str(), script->CutLine());
    }
    return true;
}

// A recording runs to its last frame unless --frames says otherwise.
long long FramesToRun(const KeyScript& script, const Options& options) {
    return script.HasFrameTimes() && !options.framesGiven ? static_cast<long long>(script.LastFrame())
                                                          : options.frames;
}

// Where --trace writes: nowhere, stdout for "-", else the file, opened here. False, with a word
// on stderr, when the file cannot be written.
bool OpenTrace(const std::string& path, FILE** trace) {
    *trace = nullptr;
    if (path == "-") {
        *trace = stdout;
    } else if (!path.empty()) {
        *trace = std::fopen(path.c_str(), "wb");
        if (*trace == nullptr) {
            std::fprintf(stderr, "quorvel-replay: cannot write trace %s\n", path.c_str());
            return false;
        }
    }
    return true;
}

// Closes a trace file, or flushes stdout. False when the file's last writes failed.
bool CloseTrace(FILE* trace) {
    if (trace == stdout) return std::fflush(stdout) == 0;
    return trace == nullptr || std::fclose(trace) == 0;
}

// The time each frame takes: a recording's dt= (exactly the floats it gives, and --frame-time
// or 0.02 s for its frames without one), else --frame-time; with neither, the real clock's.
class ReplayClock {
public:
    // Installs the fake clock, if any: before the render device is set up.
    ReplayClock(const KeyScript& script, long long frames, double frameTime)
        : script_(script), frameTime_(frameTime),
          otherFrameTime_(static_cast<float>(frameTime > 0.0 ? frameTime : 0.02)) {
        if (script.HasFrameTimes()) {
            clock_ = ScriptClock(script, frames, otherFrameTime_, 0.0, "quorvel-replay");
        } else if (frameTime > 0.0) {
            clock_ = std::make_unique<FrameClock>(1000000000);  // nanoseconds
        }
    }

    // Moves the fake clock by the time of `frame`, before the game's frame reads its timer.
    void Advance(long long frame) {
        if (clock_ == nullptr) return;
        float seconds = 0.0f;
        if (script_.FrameTime(frame, &seconds)) {
            clock_->Advance(seconds);
        } else if (script_.HasFrameTimes()) {
            clock_->Advance(otherFrameTime_);
        } else {
            clock_->Advance(frameTime_);
        }
    }

private:
    const KeyScript& script_;
    double frameTime_;
    float otherFrameTime_;
    std::unique_ptr<FrameClock> clock_;
};

// Writes the back buffer just presented to every shot asked of `frame`. False when one failed.
bool TakeShots(const Shots& shots, long long frame) {
    bool ok = true;
    for (const auto& shot : shots) {
        if (shot.first != frame) continue;
        if (FAILED(QvSaveBackBufferPng(g_pd3dDevice, QV_BACKBUFFER_PRESENTED, shot.second.c_str()))) {
            std::fprintf(stderr, "quorvel-replay: could not write %s\n", shot.second.c_str());
            ok = false;
        }
    }
    return ok;
}

struct Played {
    long long frames = 0;
    double seconds = 0.0;     // wall time of the frames
    double cpuSeconds = 0.0;  // the process's processor time over them
    bool ok = true;           // every trace line and shot written
};

// The frames: each one's keys sent to the window, the clock moved, the game's frame, its shots
// and its trace line; until the frames run out, the window closes or the game asks to quit.
Played PlayFrames(const Options& options, const KeyScript& script, long long frames, ReplayClock& clock,
                  FILE* trace) {
    Played played;
    TraceWriter writer(GameView());
    played.ok = WriteLine(trace, writer.Initial());
    bool running = DispatchWaitingMessages();

    KeyFeed keys(KeyFeed::kSend);
    long long frame = 0;
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = QvProcessCpuSeconds();
    while (running && frame < frames) {
        ++frame;
        keys.Feed(g_hWnd, script.Held(frame));
        running = DispatchWaitingMessages();
        clock.Advance(frame);

        GameFrame();
        if (frame == 1) ReportStartUp();

        if (!TakeShots(options.shots, frame)) played.ok = false;
        if (trace != nullptr) played.ok = WriteLine(trace, writer.Frame(frame)) && played.ok;
        if (options.afterFrame) options.afterFrame(frame);

        if (g_quitRequested == 1) {
            SendMessageA(g_hWnd, WM_CLOSE, 0, 0);
            running = false;
        }
    }
    played.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    played.cpuSeconds = QvProcessCpuSeconds() - cpuStart;
    played.frames = frame;
    return played;
}

void ReportShotsNeverTaken(const Shots& shots, long long frames) {
    for (const auto& shot : shots) {
        if (shot.first > frames) std::fprintf(stderr, "quorvel-replay: frame %lld never ran; no %s\n",
                                              shot.first, shot.second.c_str());
    }
}

// The timing line: wall time per frame and frame rate, and the processor time per frame, which
// says more than the wall time on a machine that others share.
void PrintSummary(FILE* out, const Played& played) {
    const double frames = static_cast<double>(played.frames);
    const double ms = played.frames > 0 ? played.seconds * 1000.0 / frames : 0.0;
    const double fps = played.seconds > 0.0 ? frames / played.seconds : 0.0;
    const double cpuMs = played.frames > 0 ? played.cpuSeconds * 1000.0 / frames : 0.0;
    std::fprintf(out,
                 "quorvel-replay: %lld frames in %.3f s, %.3f ms per frame, %.1f frames per second, "
                 "%.3f ms of processor time per frame\n",
                 played.frames, played.seconds, ms, fps, cpuMs);
}

}  // namespace

int Run(const Options& options) {
    KeyScript script;
    if (!LoadScript(options.keysPath, &script)) return 2;
    const long long frames = FramesToRun(script, options);
    FILE* trace = nullptr;
    if (!OpenTrace(options.tracePath, &trace)) return 2;

    if (options.uncapped) QvSetPresentIntervalOverride(0);
    QvSetRenderScale(options.renderScale);
    QvSetMultisample(options.samples);
    ReplayClock clock(script, frames, options.frameTime);
    if (!StartGame()) {
        std::fprintf(stderr, "quorvel-replay: the render device could not be set up\n");
        CloseTrace(trace);
        return 1;
    }

    const Played played = PlayFrames(options, script, frames, clock, trace);
    DispatchWaitingMessages();
    UnregisterClassA(g_windowClassName, GetModuleHandleA(NULL));

    ReportShotsNeverTaken(options.shots, played.frames);
    const bool ok = CloseTrace(trace) && played.ok;
    // With the trace on stdout, stdout stays pure JSON lines.
    PrintSummary(trace == stdout ? stderr : stdout, played);
    return ok ? 0 : 1;
}

}  // namespace session
