// The frame stopwatch, one process-wide timer driven by command codes, and a float helper.
#pragma once

#include <windows.h>

#define TIMER_RESET 0
#define TIMER_START 1
#define TIMER_GETELAPSEDTIME 6

// Reset and start mark now and return 0; elapsed returns the seconds since the last mark and
// marks now; any other code returns -1 and leaves the mark alone.
FLOAT EngineTimer(INT command);

// What the last TIMER_GETELAPSEDTIME call returned (0 before the first): the frame's time for
// whatever records a running game. Reading it moves no mark.
FLOAT EngineTimerLastElapsed();

// For tests and tools only: returns the timer to its never-called state, so that the next call
// chooses its clock afresh.
void EngineTimerForget();

FLOAT FAbs(FLOAT value);
