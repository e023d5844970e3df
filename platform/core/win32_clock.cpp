// The Windows clocks: the system's, or the fake one a tool or test installs.
#include <qv_win32.h>

#include "platform/core/win32_clock.h"

namespace {

QvFakeClock* g_fakeClock = nullptr;

// The two performance-counter calls: the fake's value while one is installed (0 where it is told
// to fail), else the system's.
BOOL ReadCounter(LARGE_INTEGER* out, BOOL QvFakeClock::*ok, LONGLONG QvFakeClock::*fakeValue,
                 LONGLONG (*systemValue)())
{
    if (out == nullptr) {
        return FALSE;
    }
    if (g_fakeClock != nullptr) {
        out->QuadPart = g_fakeClock->*ok ? g_fakeClock->*fakeValue : 0;
        return g_fakeClock->*ok;
    }
    out->QuadPart = systemValue();
    return TRUE;
}

}  // namespace

void QvSetFakeClock(QvFakeClock* clock) { g_fakeClock = clock; }

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency)
{
    return ReadCounter(lpFrequency, &QvFakeClock::frequencyOk, &QvFakeClock::frequency,
                       qvwin::SystemCounterFrequency);
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount)
{
    return ReadCounter(lpPerformanceCount, &QvFakeClock::counterOk, &QvFakeClock::counter, qvwin::SystemCounter);
}

DWORD WINAPI GetTickCount() { return g_fakeClock != nullptr ? g_fakeClock->tickCount : qvwin::SystemMilliseconds(); }

DWORD WINAPI timeGetTime() { return g_fakeClock != nullptr ? g_fakeClock->multimediaTime : qvwin::SystemMilliseconds(); }
