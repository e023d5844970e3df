// The Windows clocks: the system's, or the fake one a tool or test installs.
#include <qv_win32.h>

#include "platform/core/win32_clock.h"

namespace {

QvFakeClock* g_fakeClock = nullptr;

}  // namespace

void QvSetFakeClock(QvFakeClock* clock) { g_fakeClock = clock; }

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency)
{
    if (lpFrequency == nullptr) {
        return FALSE;
    }
    if (g_fakeClock != nullptr) {
        lpFrequency->QuadPart = g_fakeClock->frequencyOk ? g_fakeClock->frequency : 0;
        return g_fakeClock->frequencyOk;
    }
    lpFrequency->QuadPart = qvwin::SystemCounterFrequency();
    return TRUE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount)
{
    if (lpPerformanceCount == nullptr) {
        return FALSE;
    }
    if (g_fakeClock != nullptr) {
        lpPerformanceCount->QuadPart = g_fakeClock->counterOk ? g_fakeClock->counter : 0;
        return g_fakeClock->counterOk;
    }
    lpPerformanceCount->QuadPart = qvwin::SystemCounter();
    return TRUE;
}

DWORD WINAPI GetTickCount() { return g_fakeClock != nullptr ? g_fakeClock->tickCount : qvwin::SystemMilliseconds(); }

DWORD WINAPI timeGetTime() { return g_fakeClock != nullptr ? g_fakeClock->multimediaTime : qvwin::SystemMilliseconds(); }
