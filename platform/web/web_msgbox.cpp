// MessageBoxA in the page: never modal (a blocking dialog would stop the game's frames and the
// browser with them). The text goes to the console and to the page's notice area, and the
// call returns IDOK at once, as a box with only an OK button always ends.
#include <emscripten.h>

#include <cstdio>

#include <qv_win32.h>

#include "platform/core/win32_window.h"
#include "platform/web/web_internal.h"

namespace qvweb {
namespace {

QvMessageBoxObserver g_observer;

// The page shows notices if it defines Module.qvNotice; a bare page has only the console.
EM_JS(void, ShowNotice, (const char* caption, const char* text, int error), {
    if (typeof Module !== 'undefined' && typeof Module['qvNotice'] === 'function') {
        Module['qvNotice'](UTF8ToString(caption), UTF8ToString(text), !!error);
    }
});

}  // namespace

}  // namespace qvweb

void qvwin::ResetMessageBoxes() { qvweb::g_observer = nullptr; }

using namespace qvweb;

// There is no modal box to choose: every box is the notice.
void QvSetMessageBoxMode(QvMessageBoxMode) {}

void QvSetMessageBoxObserver(QvMessageBoxObserver observer) { g_observer = std::move(observer); }

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    (void)hWnd;
    const char* caption = lpCaption != nullptr ? lpCaption : "Error";
    const char* text = lpText != nullptr ? lpText : "";
    if (g_observer) {
        QvMessageBoxObserver observer = g_observer;  // the observer may replace itself
        observer(caption, text);
    }
    std::fprintf(stderr, "%s: %s\n", caption, text);
    ShowNotice(caption, text, (uType & 0xF0) == MB_ICONERROR ? 1 : 0);
    return IDOK;
}
