// The clock behind the Windows clocks (win32_clock.cpp), which each substitute reads from its
// own system: the monotonic clock on Linux (win32_system_clock.cpp), the page's in a browser.
#pragma once

#include <windows.h>

namespace qvwin {

LONGLONG SystemCounterFrequency();  // counts per second
LONGLONG SystemCounter();
// Wraps after 49.7 days, as the 32-bit Windows millisecond clocks do.
DWORD SystemMilliseconds();

}  // namespace qvwin
