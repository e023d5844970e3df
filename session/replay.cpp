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
    "                      [--frame-time SECONDS] [--uncapped]\n"
    "Run from the directory that holds Models/. A script with dt= (a recording) runs to its last\n"
    "frame unless --frames says otherwise; its frames without dt= take --frame-time (else 0.02).\n"
    "With --trace -, the summary line goes to stderr.\n";

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

int Run(const Options& options) {
    KeyScript script;
    if (!options.keysPath.empty()) {
        std::string error;
        if (!script.Load(options.keysPath, &error)) {
            std::fprintf(stderr, "quorvel-replay: %s\n", error.c_str());
            return 2;
        }
        if (script.CutLine() != 0) {
            std::fprintf(stderr, "quorvel-replay: %s: line %d was cut off when the recording stopped; left out\n",
                         options.keysPath.c_str(), script.CutLine());
        }
    }
    const long long frames =
        script.HasFrameTimes() && !options.framesGiven ? static_cast<long long>(script.LastFrame()) : options.frames;

    FILE* trace = nullptr;
    if (options.tracePath == "-") {
        trace = stdout;
    } else if (!options.tracePath.empty()) {
        trace = std::fopen(options.tracePath.c_str(), "wb");
        if (trace == nullptr) {
            std::fprintf(stderr, "quorvel-replay: cannot write trace %s\n", options.tracePath.c_str());
            return 2;
        }
    }

    if (options.uncapped) QvSetPresentIntervalOverride(0);
    // Frame times from the script's dt= (exactly the floats it gives), else from --frame-time,
    // else the real clock.
    std::unique_ptr<FrameClock> clock;
    const float otherFrameTime = static_cast<float>(options.frameTime > 0.0 ? options.frameTime : 0.02);
    if (script.HasFrameTimes()) {
        clock = ScriptClock(script, frames, otherFrameTime, 0.0, "quorvel-replay");
    } else if (options.frameTime > 0.0) {
        clock = std::make_unique<FrameClock>(1000000000);  // nanoseconds
    }
    if (!StartGame()) {
        std::fprintf(stderr, "quorvel-replay: the render device could not be set up\n");
        if (trace != nullptr && trace != stdout) std::fclose(trace);
        return 1;
    }

    TraceWriter writer(GameView());
    bool ok = WriteLine(trace, writer.Initial());
    bool running = DispatchWaitingMessages();

    KeyFeed keys(KeyFeed::kSend);
    long long frame = 0;
    auto start = std::chrono::steady_clock::now();
    double cpuStart = QvProcessCpuSeconds();
    while (running && frame < frames) {
        ++frame;
        keys.Feed(g_hWnd, script.Held(frame));
        running = DispatchWaitingMessages();
        if (clock != nullptr) {
            float seconds = 0.0f;
            if (script.FrameTime(frame, &seconds)) {
                clock->Advance(seconds);
            } else if (script.HasFrameTimes()) {
                clock->Advance(otherFrameTime);
            } else {
                clock->Advance(options.frameTime);
            }
        }

        GameFrame();
        if (frame == 1) ReportStartUp();

        for (const auto& shot : options.shots) {
            if (shot.first != frame) continue;
            if (FAILED(QvSaveBackBufferPng(g_pd3dDevice, QV_BACKBUFFER_PRESENTED, shot.second.c_str()))) {
                std::fprintf(stderr, "quorvel-replay: could not write %s\n", shot.second.c_str());
                ok = false;
            }
        }
        if (trace != nullptr) ok = WriteLine(trace, writer.Frame(frame)) && ok;
        if (options.afterFrame) options.afterFrame(frame);

        if (g_quitRequested == 1) {
            SendMessageA(g_hWnd, WM_CLOSE, 0, 0);
            running = false;
        }
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double cpuSeconds = QvProcessCpuSeconds() - cpuStart;
    DispatchWaitingMessages();
    UnregisterClassA(g_windowClassName, GetModuleHandleA(NULL));

    for (const auto& shot : options.shots) {
        if (shot.first > frame) std::fprintf(stderr, "quorvel-replay: frame %lld never ran; no %s\n",
                                             shot.first, shot.second.c_str());
    }
    if (trace != nullptr && trace != stdout && std::fclose(trace) != 0) ok = false;
    if (trace == stdout) std::fflush(stdout);

    double ms = frame > 0 ? seconds * 1000.0 / static_cast<double>(frame) : 0.0;
    double fps = seconds > 0.0 ? static_cast<double>(frame) / seconds : 0.0;
    // The processor time says more than the wall time on a machine that others share.
    double cpuMs = frame > 0 ? cpuSeconds * 1000.0 / static_cast<double>(frame) : 0.0;
    // With the trace on stdout, stdout stays pure JSON lines.
    std::fprintf(trace == stdout ? stderr : stdout,
                 "quorvel-replay: %lld frames in %.3f s, %.3f ms per frame, %.1f frames per second, "
                 "%.3f ms of processor time per frame\n",
                 frame, seconds, ms, fps, cpuMs);
    return ok ? 0 : 1;
}

}  // namespace session
