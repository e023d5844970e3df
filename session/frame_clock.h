// The fake clock behind scripted runs: before each frame it moves by the time that frame's timer
// call is to return, so that the game sees chosen frame times instead of the machine's.
#pragma once

#include <windows.h>
#include <qv_win32.h>

#include <cstdint>
#include <memory>

namespace session {

class KeyScript;

class FrameClock {
public:
    // Installs the fake clock with this counter frequency (ticks per second) and makes the
    // game's timer pick its clock afresh. Call before the render device is set up.
    explicit FrameClock(LONGLONG frequency);
    ~FrameClock();
    FrameClock(const FrameClock&) = delete;
    FrameClock& operator=(const FrameClock&) = delete;

    // Moves every clock on by this many seconds (rounded to whole ticks and milliseconds).
    void Advance(double seconds);

    LONGLONG frequency() const { return clock_.frequency; }

private:
    QvFakeClock clock_;
    double elapsed_ = 0.0;
};

// The frequency 2^k under which every dt= of frames 1 to `frames` is a whole number of ticks, so
// that the timer's tick difference over frequency is that very float; at least 2^30. Frames
// without dt= move by `otherSeconds` each (whole ticks too, as a float), and `reserveSeconds` more
// must fit in the 64-bit counter; when the finest dt= would not leave that room, k is lowered and
// `exact` is set false.
LONGLONG ScriptClockFrequency(const KeyScript& script, int64_t frames, double otherSeconds,
                              double reserveSeconds, bool* exact);

}  // namespace session

namespace session {

// The fake clock for playing `script`: ScriptClockFrequency's, with a word on stderr from
// `program` when some dt= cannot be kept exactly.
std::unique_ptr<FrameClock> ScriptClock(const KeyScript& script, int64_t frames, double otherSeconds,
                                        double reserveSeconds, const char* program);

}  // namespace session
