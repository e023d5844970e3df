// MessageBoxA in the page: never modal (a blocking dialog would stop the game's frames and the
// browser with them), whatever the mode. The text goes to the console and to the page's notice
// area, and the call returns IDOK at once, as a box with only an OK button always ends.
#include <emscripten.h>

#include "platform/core/win32_msgbox.h"

namespace qvwin {
namespace {

// The page shows notices if it defines Module.qvNotice; a bare page has only the console.
EM_JS(void, ShowNotice, (const char* caption, const char* text, int error), {
    if (typeof Module !== 'undefined' && typeof Module['qvNotice'] === 'function') {
        Module['qvNotice'](UTF8ToString(caption), UTF8ToString(text), !!error);
    }
});

}  // namespace

bool ShowMessageBox(HWND, LPCSTR, LPCSTR, UINT uType, const BoxWords& words, bool, int* answer)
{
    *answer = AnswerOnStderr(words);
    ShowNotice(words.caption, words.text, (uType & 0xF0) == MB_ICONERROR ? 1 : 0);
    return true;
}

}  // namespace qvwin

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    return qvwin::ObservedMessageBox(hWnd, lpText, lpCaption, uType);
}
