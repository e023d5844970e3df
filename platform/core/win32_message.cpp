// The thread's message queue: posted and input messages in arrival order, then the quit
// message, then painting, as a Windows queue hands them out.
#include <deque>

#include <qv_win32.h>
#include <qv_live.h>

#include "platform/core/win32_queue.h"

namespace qvwin {
namespace {

std::deque<MSG> g_queue;
QvLoopObserver g_loopObserver;
bool g_quitPending = false;
int g_quitCode = 0;

// (HWND)-1 asks for thread messages only, as on Windows.
bool WindowMatches(HWND messageWindow, HWND filter)
{
    if (filter == nullptr) {
        return true;
    }
    if (filter == reinterpret_cast<HWND>(static_cast<intptr_t>(-1))) {
        return messageWindow == nullptr;
    }
    return messageWindow == filter;
}

bool RangeMatches(UINT message, UINT first, UINT last)
{
    return (first == 0 && last == 0) || (message >= first && message <= last);
}

bool ThreadMessagesWanted(HWND filter)
{
    return WindowMatches(nullptr, filter);
}

}  // namespace

void Enqueue(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg{};
    msg.hwnd = hWnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetTickCount();
    g_queue.push_back(msg);
}

void PurgeQueue(HWND hWnd)
{
    for (auto it = g_queue.begin(); it != g_queue.end();) {
        it = it->hwnd == hWnd ? g_queue.erase(it) : it + 1;
    }
}

void ResetQueue()
{
    g_queue.clear();
    g_quitPending = false;
    g_quitCode = 0;
    g_loopObserver = QvLoopObserver{};
}

}  // namespace qvwin

using namespace qvwin;

void QvSetLoopObserver(QvLoopObserver observer) { g_loopObserver = std::move(observer); }

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg)
{
    if (lpMsg == nullptr) {
        return FALSE;
    }
    if (g_loopObserver.peek) {
        auto peek = g_loopObserver.peek;  // the observer may replace itself
        peek();
    }
    QvPumpEvents();
    const bool remove = (wRemoveMsg & PM_REMOVE) != 0;
    for (auto it = g_queue.begin(); it != g_queue.end(); ++it) {
        if (WindowMatches(it->hwnd, hWnd) && RangeMatches(it->message, wMsgFilterMin, wMsgFilterMax)) {
            *lpMsg = *it;
            if (remove) {
                g_queue.erase(it);
            }
            return TRUE;
        }
    }
    // WM_QUIT ignores the range filter but, having no window, not the window filter.
    if (g_quitPending && ThreadMessagesWanted(hWnd)) {
        *lpMsg = MSG{};
        lpMsg->message = WM_QUIT;
        lpMsg->wParam = static_cast<WPARAM>(g_quitCode);
        lpMsg->time = GetTickCount();
        if (remove) {
            g_quitPending = false;
        }
        return TRUE;
    }
    if (RangeMatches(WM_PAINT, wMsgFilterMin, wMsgFilterMax)) {
        // Painting is a state of the window, not a queued message: it stays until validated.
        HWND toPaint = FindWindowToPaint(hWnd);
        if (toPaint != nullptr) {
            *lpMsg = MSG{};
            lpMsg->hwnd = toPaint;
            lpMsg->message = WM_PAINT;
            lpMsg->time = GetTickCount();
            return TRUE;
        }
    }
    if (remove && g_loopObserver.idle) {
        auto idle = g_loopObserver.idle;
        idle();
    }
    return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG* lpMsg)
{
    if (lpMsg == nullptr) {
        return FALSE;
    }
    switch (lpMsg->message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg)
{
    if (lpMsg == nullptr) {
        return 0;
    }
    WNDPROC proc = WindowProc(lpMsg->hwnd);
    if (proc == nullptr) {
        return 0;
    }
    return proc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    WNDPROC proc = WindowProc(hWnd);
    if (proc == nullptr) {
        return 0;
    }
    return proc(hWnd, Msg, wParam, lParam);
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (hWnd != nullptr && WindowProc(hWnd) == nullptr) {
        return FALSE;
    }
    Enqueue(hWnd, Msg, wParam, lParam);
    return TRUE;
}

void WINAPI PostQuitMessage(int nExitCode)
{
    g_quitPending = true;
    g_quitCode = nExitCode;
}
