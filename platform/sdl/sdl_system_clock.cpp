// The Windows clocks on Linux's monotonic clock, which like Windows' counts from boot.
#include <sys/resource.h>

#include <chrono>

#include <qv_win32.h>

#include "platform/core/win32_clock.h"

namespace {

std::chrono::steady_clock::duration SinceBoot()
{
    return std::chrono::steady_clock::now().time_since_epoch();
}

}  // namespace

namespace qvwin {

LONGLONG SystemCounterFrequency() { return std::chrono::nanoseconds::period::den; }

LONGLONG SystemCounter() { return std::chrono::duration_cast<std::chrono::nanoseconds>(SinceBoot()).count(); }

DWORD SystemMilliseconds()
{
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(SinceBoot()).count());
}

}  // namespace qvwin

double QvProcessCpuSeconds()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}
