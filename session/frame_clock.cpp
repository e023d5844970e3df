#include "session/frame_clock.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "app/timer.h"
#include "session/key_script.h"

namespace session {

namespace {

// A machine that has been up a while, so that the first frame-rate update closes its window at
// once as it does on the real clock.
const DWORD kTickBase = 3600000;

// The counter stays below 2^62, far from the overflow of the timer's tick difference.
const int kCounterBits = 62;
// At least a nanosecond's resolution for frames whose time is not given.
const int kMinShift = 30;

// The smallest k for which seconds x 2^k is a whole number: a float is a whole number of at most
// 24 bits times a power of two.
int ShiftForWholeTicks(float seconds) {
    if (seconds == 0.0f) return 0;
    int exponent = 0;
    const double fraction = std::frexp(static_cast<double>(seconds), &exponent);
    auto mantissa = static_cast<uint32_t>(std::ldexp(fraction, 24));
    int power = exponent - 24;
    while ((mantissa & 1u) == 0) {
        mantissa >>= 1;
        ++power;
    }
    return std::max(0, -power);
}

}  // namespace

FrameClock::FrameClock(LONGLONG frequency) {
    clock_.frequency = frequency;
    clock_.counter = 0;
    clock_.tickCount = kTickBase;
    clock_.multimediaTime = kTickBase;
    QvSetFakeClock(&clock_);
    EngineTimerForget();
}

FrameClock::~FrameClock() { QvSetFakeClock(nullptr); }

void FrameClock::Advance(double seconds) {
    const double ticks = std::round(seconds * static_cast<double>(clock_.frequency));
    const double room = std::ldexp(1.0, kCounterBits) - static_cast<double>(clock_.counter);
    // A run past the counter's range stands still rather than wrap.
    if (!(ticks >= 0.0) || ticks >= room) return;
    clock_.counter += static_cast<LONGLONG>(ticks);
    elapsed_ += seconds;
    clock_.tickCount = kTickBase + static_cast<DWORD>(std::llround(elapsed_ * 1000.0));
    clock_.multimediaTime = clock_.tickCount;
}

LONGLONG ScriptClockFrequency(const KeyScript& script, int64_t frames, double otherSeconds,
                              double reserveSeconds, bool* exact) {
    int shift = std::max(kMinShift, ShiftForWholeTicks(static_cast<float>(otherSeconds)));
    double total = reserveSeconds;
    int64_t timedFrames = 0;
    for (const KeyScript::Span& span : script.Spans()) {
        if (span.first > frames) break;
        if (!span.hasFrameTime) continue;
        const int64_t count = std::min(span.last, frames) - span.first + 1;
        shift = std::max(shift, ShiftForWholeTicks(span.frameTime));
        total += static_cast<double>(count) * static_cast<double>(span.frameTime);
        timedFrames += count;
    }
    total += static_cast<double>(std::max<int64_t>(0, frames - timedFrames)) * otherSeconds;

    int room = kCounterBits - 1;
    if (total > 1.0) room -= static_cast<int>(std::ceil(std::log2(total)));
    *exact = shift <= room;
    return LONGLONG(1) << std::clamp(std::min(shift, room), 0, kCounterBits - 1);
}

std::unique_ptr<FrameClock> ScriptClock(const KeyScript& script, int64_t frames, double otherSeconds,
                                        double reserveSeconds, const char* program) {
    bool exact = true;
    auto clock =
        std::make_unique<FrameClock>(ScriptClockFrequency(script, frames, otherSeconds, reserveSeconds, &exact));
    if (!exact) std::fprintf(stderr, "%s: some dt= are too fine for the clock and are rounded\n", program);
    return clock;
}

}  // namespace session
