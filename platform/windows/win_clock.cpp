// The fake clock over the system's clocks: the program's calls to the four clock functions are
// rerouted here once a fake clock is first installed, and reach the system while none is.
#include <qv_win32.h>

#include "platform/windows/import_patch.h"
#include "platform/windows/win_hooks.h"

namespace {

QvFakeClock* g_fakeClock = nullptr;

using QueryFn = BOOL(WINAPI*)(LARGE_INTEGER*);
using MillisecondsFn = DWORD(WINAPI*)();
QueryFn g_frequency = QueryPerformanceFrequency;
QueryFn g_counter = QueryPerformanceCounter;
MillisecondsFn g_tickCount = GetTickCount;
MillisecondsFn g_multimediaTime = timeGetTime;

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

template <class Fn>
void Patch(const char* dll, const char* name, Fn replacement, Fn* original)
{
    void* previous = nullptr;
    if (qvhooks::PatchImport(dll, name, reinterpret_cast<void*>(replacement), &previous) && previous != nullptr)
        *original = reinterpret_cast<Fn>(previous);
}

}  // namespace

void QvSetFakeClock(QvFakeClock* clock)
{
    static const bool patched = [] {
        Patch("kernel32.dll", "QueryPerformanceFrequency", FakeQueryPerformanceFrequency, &g_frequency);
        Patch("kernel32.dll", "QueryPerformanceCounter", FakeQueryPerformanceCounter, &g_counter);
        Patch("kernel32.dll", "GetTickCount", FakeGetTickCount, &g_tickCount);
        Patch("winmm.dll", "timeGetTime", FakeTimeGetTime, &g_multimediaTime);
        return true;
    }();
    (void)patched;
    g_fakeClock = clock;
}

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
