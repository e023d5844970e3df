// The Windows clocks on the monotonic clock, which like Windows' counts from boot.
#include <sys/resource.h>

#include <chrono>

#include "platform/win32/win32_internal.h"

namespace {

QvFakeClock* g_fakeClock = nullptr;

std::chrono::steady_clock::duration SinceBoot()
{
    return std::chrono::steady_clock::now().time_since_epoch();
}

DWORD Milliseconds()
{
    // Wraps after 49.7 days, as the 32-bit Windows millisecond clocks do.
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(SinceBoot()).count());
}

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
    lpFrequency->QuadPart = std::chrono::nanoseconds::period::den;
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
    lpPerformanceCount->QuadPart = std::chrono::duration_cast<std::chrono::nanoseconds>(SinceBoot()).count();
    return TRUE;
}

DWORD WINAPI GetTickCount() { return g_fakeClock != nullptr ? g_fakeClock->tickCount : Milliseconds(); }

DWORD WINAPI timeGetTime() { return g_fakeClock != nullptr ? g_fakeClock->multimediaTime : Milliseconds(); }

double QvProcessCpuSeconds()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}
