// The program's own PeekMessageA calls (import_patch.h): the main loop's pulse for the process
// entry (QvSetLoopObserver, platform/hooks/qv_live.h), and where game controllers are read, as
// the Linux PeekMessageA does both.
#include <windows.h>

#include <utility>

#include <qv_live.h>

#include "platform/windows/import_patch.h"
#include "platform/windows/win_hooks.h"

namespace {

BOOL WINAPI ObservedPeekMessageA(LPMSG msg, HWND hWnd, UINT first, UINT last, UINT remove);

using PeekFn = BOOL(WINAPI*)(LPMSG, HWND, UINT, UINT, UINT);
const PeekFn g_peekMessage = qvhooks::Reroute("user32.dll", "PeekMessageA", ObservedPeekMessageA);
QvLoopObserver g_loopObserver;
[[maybe_unused]] const bool g_resetInPlace = (qvhooks::g_resetLoopObserver = [] { g_loopObserver = QvLoopObserver{}; }, true);

BOOL WINAPI ObservedPeekMessageA(LPMSG msg, HWND hWnd, UINT first, UINT last, UINT remove)
{
    if (g_loopObserver.peek) {
        auto peek = g_loopObserver.peek;  // the observer may replace itself
        peek();
    }
    if (qvhooks::g_beforePeek != nullptr) qvhooks::g_beforePeek();
    const BOOL found = g_peekMessage(msg, hWnd, first, last, remove);
    if (!found && (remove & PM_REMOVE) != 0 && g_loopObserver.idle) {
        auto idle = g_loopObserver.idle;
        idle();
    }
    return found;
}

}  // namespace

void QvSetLoopObserver(QvLoopObserver observer) { g_loopObserver = std::move(observer); }

namespace qvhooks {
void (*g_beforePeek)() = nullptr;
}  // namespace qvhooks
