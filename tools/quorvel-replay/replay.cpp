#include "tools/quorvel-replay/replay.h"

#include <windows.h>
#include <qv_d3d9.h>
#include <qv_win32.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>


#include "app/engine.h"
#include "app/timer.h"
#include "game/game.h"
#include "render/device.h"
#include "session/frame_clock.h"
#include "session/key_script.h"
#include "session/trace.h"

namespace replay {

const char kUsage[] =
    "usage: quorvel-replay [--frames N] [--keys FILE] [--trace FILE|-] [--shot N:FILE.png]...\n"
    "                      [--frame-time SECONDS] [--uncapped]\n"
    "Run from the directory that holds Models/. A script with dt= (a recording) runs to its last\n"
    "frame unless --frames says otherwise; its frames without dt= take --frame-time (else 0.02).\n"
    "With --trace -, the summary line goes to stderr.\n";

namespace {

bool ParseCount(const char* text, long long* value) {
    char* end = nullptr;
    long long v = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || v < 0) return false;
    *value = v;
    return true;
}

// Takes and dispatches every waiting message, as the main loop does between frames. Returns
// false once the quit message has come.
bool DrainMessages() {
    MSG msg = {};
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (msg.message == WM_QUIT) return false;
    }
    return true;
}

// Sends the key transitions from the previous frame's held set to this one's through the
// window procedure, as the keyboard would.
void SendKeys(uint16_t before, uint16_t now) {
    for (int bit = 0; bit < kScriptKeyCount; ++bit) {
        uint16_t mask = static_cast<uint16_t>(1u << bit);
        if ((before & mask) == (now & mask)) continue;
        bool down = (now & mask) != 0;
        // lParam as Windows builds it: repeat count 1, and for a release the previous-state
        // and transition bits.
        LPARAM lParam = down ? 1 : static_cast<LPARAM>(0xC0000001u);
        SendMessageA(g_hWnd, down ? WM_KEYDOWN : WM_KEYUP, VirtualKeyOfBit(bit), lParam);
    }
}

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
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        auto value = [&]() -> const char* { return argv[++i]; };
        if (arg == "--uncapped") {
            options->uncapped = true;
        } else if (!hasValue && (arg == "--frames" || arg == "--keys" || arg == "--trace" ||
                                 arg == "--shot" || arg == "--frame-time")) {
            *error = arg + " needs a value";
            return false;
        } else if (arg == "--frames") {
            if (!ParseCount(value(), &options->frames)) {
                *error = std::string("--frames takes a whole number, got \"") + argv[i] + "\"";
                return false;
            }
            options->framesGiven = true;
        } else if (arg == "--keys") {
            options->keysPath = value();
        } else if (arg == "--trace") {
            options->tracePath = value();
        } else if (arg == "--shot") {
            std::string shot = value();
            size_t colon = shot.find(':');
            long long frame = 0;
            if (colon == std::string::npos || colon + 1 == shot.size() ||
                !ParseCount(shot.substr(0, colon).c_str(), &frame) || frame < 1) {
                *error = "--shot takes N:FILE.png with N from 1, got \"" + shot + "\"";
                return false;
            }
            options->shots.emplace_back(frame, shot.substr(colon + 1));
        } else if (arg == "--frame-time") {
            char* end = nullptr;
            const char* text = value();
            double seconds = std::strtod(text, &end);
            if (end == text || *end != '\0' || !(seconds > 0.0) || !(seconds < 1.0e6)) {
                *error = std::string("--frame-time takes seconds above 0, got \"") + text + "\"";
                return false;
            }
            options->frameTime = seconds;
        } else {
            *error = "unknown argument \"" + arg + "\"";
            return false;
        }
    }
    return true;
}

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
        std::ifstream in(options.keysPath);
        if (!in) {
            std::fprintf(stderr, "quorvel-replay: cannot open key script %s\n", options.keysPath.c_str());
            return 2;
        }
        std::string error;
        if (!script.Parse(in, &error)) {
            std::fprintf(stderr, "quorvel-replay: %s: %s\n", options.keysPath.c_str(), error.c_str());
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
        bool exact = true;
        clock = std::make_unique<FrameClock>(ScriptClockFrequency(script, frames, otherFrameTime, 0.0, &exact));
        if (!exact) std::fprintf(stderr, "quorvel-replay: some dt= are too fine for the clock and are rounded\n");
    } else if (options.frameTime > 0.0) {
        clock = std::make_unique<FrameClock>(1000000000);  // nanoseconds
    }
    if (!StartGame()) {
        std::fprintf(stderr, "quorvel-replay: the render device could not be set up\n");
        if (trace != nullptr && trace != stdout) std::fclose(trace);
        return 1;
    }

    TraceWriter writer;
    bool ok = WriteLine(trace, writer.Initial());
    bool running = DrainMessages();

    uint16_t held = 0;
    long long frame = 0;
    auto start = std::chrono::steady_clock::now();
    double cpuStart = QvProcessCpuSeconds();
    while (running && frame < frames) {
        ++frame;
        uint16_t now = script.Held(frame);
        SendKeys(held, now);
        held = now;
        running = DrainMessages();
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
    DrainMessages();
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

}  // namespace replay
