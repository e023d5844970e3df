// The fake clock over the system's clocks: the program's calls to the four clock functions come
// here (import_patch.h) and reach the system while no fake clock is set.
#include <qv_win32.h>

#include "platform/windows/import_patch.h"
#include "platform/windows/win_hooks.h"

namespace {

QvFakeClock* g_fakeClock = nullptr;

BOOL WINAPI FakeQueryPerformanceFrequency(LARGE_INTEGER* frequency);
BOOL WINAPI FakeQueryPerformanceCounter(LARGE_INTEGER* counter);
DWORD WINAPI FakeGetTickCount();
DWORD WINAPI FakeTimeGetTime();

using QueryFn = BOOL(WINAPI*)(LARGE_INTEGER*);
using MillisecondsFn = DWORD(WINAPI*)();
const QueryFn g_frequency = qvhooks::Reroute("kernel32.dll", "QueryPerformanceFrequency", FakeQueryPerformanceFrequency);
const QueryFn g_counter = qvhooks::Reroute("kernel32.dll", "QueryPerformanceCounter", FakeQueryPerformanceCounter);
const MillisecondsFn g_tickCount = qvhooks::Reroute("kernel32.dll", "GetTickCount", FakeGetTickCount);
const MillisecondsFn g_multimediaTime = qvhooks::Reroute("winmm.dll", "timeGetTime", FakeTimeGetTime);

BOOL WINAPI FakeQueryPerformanceFrequency(LARGE_INTEGER* frequency)
{
    if (g_fakeClock == nullptr || frequency == nullptr) return g_frequency(frequency);
    frequency->QuadPart = g_fakeClock->frequencyOk ? g_fakeClock->frequency : 0;
    return g_fakeClock->frequencyOk;
}

BOOL WINAPI FakeQueryPerformanceCounter(LARGE_INTEGER* counter)
{
    if (g_fakeClock == nullptr || counter == nullptr) return g_counter(counter);
    counter->QuadPart = g_fakeClock->counterOk ? g_fakeClock->counter : 0;
    return g_fakeClock->counterOk;
}

DWORD WINAPI FakeGetTickCount() { return g_fakeClock != nullptr ? g_fakeClock->tickCount : g_tickCount(); }

DWORD WINAPI FakeTimeGetTime() { return g_fakeClock != nullptr ? g_fakeClock->multimediaTime : g_multimediaTime(); }

}  // namespace

void QvSetFakeClock(QvFakeClock* clock) { g_fakeClock = clock; }

double QvProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0.0;
    auto seconds = [](const FILETIME& t) {
        return double((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;  // 100 ns units
    };
    return seconds(kernel) + seconds(user);
}

namespace qvhooks {
void ResetClock() { g_fakeClock = nullptr; }
}  // namespace qvhooks
