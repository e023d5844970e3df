// What the game's own command line adds around a live game, outside the game itself: recording
// the session as a key script, writing the harness's trace, playing a key script into the window,
// and running from a data directory. The process entry (platform/win32/main.cpp) drives it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "session/key_script.h"
#include "session/trace.h"

namespace replay {

struct LiveOptions {
    std::string recordPath;  // --record: the session as a key script
    std::string tracePath;   // --trace: the harness's JSON-lines trace of the live game
    std::string keysPath;    // --keys: a key script played into the window
    std::string dataDir;     // --data-dir: where Models/ is; the game runs from there
    bool force = false;      // --force: overwrite files that are not ours
    bool help = false;
};

// Reads the game's command line. On a bad argument returns false with a message in `error`.
bool ParseLiveOptions(int argc, char** argv, LiveOptions* options, std::string* error);
extern const char kLiveUsage[];

// One output file of the session. A file that cannot be written is reported once, on stderr and
// in a message box, and the game goes on without it.
class SessionFile {
public:
    explicit SessionFile(const char* what) : what_(what) {}
    ~SessionFile() { Close(); }
    // `isOurs` says whether an existing file may be replaced without --force.
    void Open(const std::string& path, bool force, bool (*isOurs)(const std::string& path));
    // Writes one whole line and hands it to the system at once, so that a killed game keeps it.
    void WriteLine(const std::string& line);
    void Close();
    bool open() const { return file_ != nullptr; }

private:
    void Fail(const std::string& why);

    const char* what_;
    std::string path_;
    FILE* file_ = nullptr;
};

// Whether an existing file may be replaced by a recording or a trace: it is empty or already one.
bool IsKeyScriptFile(const std::string& path);
bool IsTraceFile(const std::string& path);

class FrameClock;

class LiveSession {
public:
    LiveSession();
    ~LiveSession();

    // Reads the key script and opens the outputs, relative to the current directory. Returns false
    // with `error` only for a key script that cannot be read: then the game should not start.
    bool Open(const LiveOptions& options, std::string* error);
    // Hooks the session into the main loop. A played script that gives dt= also takes over the
    // game's clock: its frames return exactly those times, later frames the real ones.
    void Start();
    // Unhooks the session and closes its files.
    void Finish();

    int64_t frame() const { return frame_; }

private:
    void OnPeek();
    void OnIdle();
    void EndFrame();
    void FeedKeys(int64_t frame);

    KeyScript script_;
    bool playing_ = false;
    SessionFile record_{"recording"};
    SessionFile trace_{"trace"};
    TraceWriter writer_;
    std::unique_ptr<FrameClock> clock_;
    double lastIdle_ = 0.0;  // seconds on the real clock when the previous frame began

    bool started_ = false;
    bool inFrame_ = false;
    int64_t frame_ = 0;
    uint16_t fed_ = 0;        // the keys fed so far from the script
    uint16_t frameKeys_ = 0;  // the keys the current frame saw held
    std::string line_;
};

}  // namespace replay
