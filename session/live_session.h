// What the game's own command line adds around a live game, outside the game itself: recording
// the session as a key script, writing the harness's trace, playing a key script into the window,
// and running from a data directory. A process entry parses the options, opens the session, and
// calls OnPeek and OnIdle from the main loop's pulse (QvSetLoopObserver, platform/hooks/qv_live.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "session/engine_view.h"
#include "session/key_feed.h"
#include "session/key_script.h"
#include "session/session_file.h"
#include "session/trace.h"

namespace session {

struct LiveOptions {
    std::string recordPath;  // --record: the session as a key script
    std::string tracePath;   // --trace: the harness's JSON-lines trace of the live game
    std::string keysPath;    // --keys: a key script played into the window
    std::string dataDir;     // --data-dir: where Models/ is; the process entry runs from there
    bool force = false;      // --force: overwrite files that are not ours
    // How the picture is shown, none of it seen by the game: --render-scale (0: auto, the size
    // the window shows the picture at; else 1 to 4), --msaa (0: none; 2, 4 or 8 samples),
    // --fullscreen, --window-scale (the window N times the game's 640 x 480).
    float renderScale = 0.0f;
    int samples = 0;
    bool fullscreen = false;
    int windowScale = 1;
    bool help = false;
};

// Reads the game's command line. On a bad argument returns false with a message in `error`.
bool ParseLiveOptions(int argc, char** argv, LiveOptions* options, std::string* error);
extern const char kLiveUsage[];

// One frame of a recording as --record writes it: the frame, the keys it saw held (script key
// bits), the seconds its timer returned, and the newline that marks the line whole.
void AppendRecordingLine(std::string& out, int64_t frame, uint16_t keys, float seconds);

class FrameClock;

class LiveSession {
public:
    explicit LiveSession(const EngineView& engine);
    ~LiveSession();

    // Reads the key script and opens the outputs, relative to the current directory. Returns false
    // with `error` only for a key script that cannot be read: then the game should not start.
    bool Open(const LiveOptions& options, std::string* error);
    // Call before the game starts. A played script that gives dt= also takes over the game's
    // clock: its frames return exactly those times, later frames the real ones.
    void Start();
    // Each time the main loop looks at its message queue, before it looks.
    void OnPeek();
    // When the main loop is about to run a frame: the next OnPeek marks that frame's end.
    void OnIdle();
    // Closes the files and gives the clock back; call once the main loop has ended.
    void Finish();

    int64_t frame() const { return frame_; }

private:
    void EndFrame();

    EngineView engine_;
    KeyScript script_;
    bool playing_ = false;
    SessionFile record_{"recording"};
    SessionFile trace_{"trace"};
    TraceWriter writer_;
    KeyFeed feed_{KeyFeed::kPost};
    std::unique_ptr<FrameClock> clock_;
    double lastIdle_ = 0.0;  // seconds on the real clock when the previous frame began

    bool started_ = false;
    bool inFrame_ = false;
    int64_t frame_ = 0;
    uint16_t frameKeys_ = 0;  // the keys the current frame saw held
    std::string line_;
};

}  // namespace session
