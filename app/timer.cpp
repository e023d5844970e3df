#include "app/timer.h"

#include <cmath>

namespace {

struct TimerState {
    bool initialised;
    bool useCounter;
    LONGLONG frequency;
    LONGLONG counterMark;
    double millisecondMark;  // seconds, despite the name: timeGetTime x 0.001
    FLOAT lastElapsed;
};

TimerState g_timer;

}  // namespace

FLOAT EngineTimer(INT command)
{
    if (!g_timer.initialised) {
        g_timer.initialised = true;
        LARGE_INTEGER frequency;
        frequency.QuadPart = 0;
        // A counter that claims zero ticks per second could not be divided by; treat it as absent.
        g_timer.useCounter = QueryPerformanceFrequency(&frequency) != FALSE && frequency.QuadPart > 0;
        if (g_timer.useCounter) {
            g_timer.frequency = frequency.QuadPart;
        }
    }

    LONGLONG nowTicks = 0;
    double nowSeconds = 0.0;
    if (g_timer.useCounter) {
        LARGE_INTEGER counter;
        counter.QuadPart = 0;
        QueryPerformanceCounter(&counter);
        nowTicks = counter.QuadPart;
    } else {
        nowSeconds = static_cast<double>(timeGetTime()) * 0.001;
    }

    switch (command) {
    case TIMER_RESET:
    case TIMER_START:
        g_timer.counterMark = nowTicks;
        g_timer.millisecondMark = nowSeconds;
        return 0.0f;
    case TIMER_GETELAPSEDTIME: {
        FLOAT elapsed;
        if (g_timer.useCounter) {
            elapsed = static_cast<FLOAT>(static_cast<long double>(nowTicks - g_timer.counterMark) /
                                         static_cast<long double>(g_timer.frequency));
        } else {
            elapsed = static_cast<FLOAT>(nowSeconds - g_timer.millisecondMark);
        }
        g_timer.counterMark = nowTicks;
        g_timer.millisecondMark = nowSeconds;
        g_timer.lastElapsed = elapsed;
        return elapsed;
    }
    default:
        return -1.0f;
    }
}

FLOAT EngineTimerLastElapsed() { return g_timer.lastElapsed; }

void EngineTimerForget() { g_timer = TimerState{}; }

FLOAT FAbs(FLOAT value) { return static_cast<FLOAT>(std::fabs(static_cast<double>(value))); }
