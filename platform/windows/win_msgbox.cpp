// Message boxes to stderr for tools and tests: the program's own MessageBoxA calls are rerouted
// here once a mode or an observer is first set.
#include <qv_win32.h>

#include <cstdio>
#include <utility>

#include "platform/windows/import_patch.h"
#include "platform/windows/win_hooks.h"

namespace {

using MessageBoxFn = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);
MessageBoxFn g_messageBox = MessageBoxA;
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

void EnsurePatched()
{
    static const bool patched = [] {
        void* previous = nullptr;
        if (qvhooks::PatchImport("user32.dll", "MessageBoxA", reinterpret_cast<void*>(HookedMessageBoxA), &previous) &&
            previous != nullptr)
            g_messageBox = reinterpret_cast<MessageBoxFn>(previous);
        return true;
    }();
    (void)patched;
}

}  // namespace

void QvSetMessageBoxMode(QvMessageBoxMode mode)
{
    EnsurePatched();
    g_mode = mode;
}

void QvSetMessageBoxObserver(QvMessageBoxObserver observer)
{
    EnsurePatched();
    g_observer = std::move(observer);
}

namespace qvhooks {
void ResetMessageBoxes()
{
    g_mode = QvMessageBoxMode::Auto;
    g_observer = nullptr;
}
}  // namespace qvhooks
