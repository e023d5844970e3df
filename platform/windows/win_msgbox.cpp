// Message boxes to stderr for tools and tests: the program's own MessageBoxA calls come here
// (import_patch.h) and reach the system in the Auto mode.
#include <qv_win32.h>

#include <cstdio>
#include <utility>

#include "platform/windows/import_patch.h"
#include "platform/windows/win_hooks.h"

namespace {

int WINAPI HookedMessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);

using MessageBoxFn = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);
const MessageBoxFn g_messageBox = qvhooks::Reroute("user32.dll", "MessageBoxA", HookedMessageBoxA);
QvMessageBoxMode g_mode = QvMessageBoxMode::Auto;
QvMessageBoxObserver g_observer;

int WINAPI HookedMessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    const char* caption = lpCaption != nullptr ? lpCaption : "Error";
    const char* text = lpText != nullptr ? lpText : "";
    if (g_observer) {
        QvMessageBoxObserver observer = g_observer;  // the observer may replace itself
        observer(caption, text);
    }
    if (g_mode == QvMessageBoxMode::Auto) return g_messageBox(hWnd, lpText, lpCaption, uType);
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
    return IDOK;
}

}  // namespace

void QvSetMessageBoxMode(QvMessageBoxMode mode)
{
    g_mode = mode;
}

void QvSetMessageBoxObserver(QvMessageBoxObserver observer)
{
    g_observer = std::move(observer);
}

namespace qvhooks {
void ResetMessageBoxes()
{
    g_mode = QvMessageBoxMode::Auto;
    g_observer = nullptr;
}
}  // namespace qvhooks
