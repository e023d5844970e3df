// The Windows clocks on the page's monotonic clock (performance.now(), milliseconds since the
// page was opened, as fine as the browser allows).
#include <emscripten.h>

#include <cmath>

#include <qv_win32.h>

#include "platform/core/win32_clock.h"

namespace qvwin {

// Microseconds: finer than any browser's clock, and a whole number of them per millisecond.
LONGLONG SystemCounterFrequency() { return 1000000; }

LONGLONG SystemCounter() { return static_cast<LONGLONG>(std::floor(emscripten_get_now() * 1000.0)); }

DWORD SystemMilliseconds() { return static_cast<DWORD>(static_cast<unsigned long long>(emscripten_get_now())); }

}  // namespace qvwin

// A page cannot read its processor time; the wall clock is the nearest it has, and the
// harness's per-frame figures read it as such.
double QvProcessCpuSeconds() { return emscripten_get_now() / 1000.0; }
