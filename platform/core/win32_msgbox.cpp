#include "platform/core/win32_msgbox.h"

#include <cstdio>
#include <utility>

#include <qv_win32.h>

namespace qvwin {
namespace {

QvMessageBoxMode g_mode = QvMessageBoxMode::Auto;
QvMessageBoxObserver g_observer;

}  // namespace

int ObservedMessageBox(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    const BoxWords words{lpCaption != nullptr ? lpCaption : "Error", lpText != nullptr ? lpText : ""};
    if (g_observer) {
        QvMessageBoxObserver observer = g_observer;  // the observer may replace itself
        observer(words.caption, words.text);
    }
    int answer = IDOK;
    if (ShowMessageBox(hWnd, lpText, lpCaption, uType, words, g_mode == QvMessageBoxMode::Auto, &answer)) {
        return answer;
    }
    return AnswerOnStderr(words);
}

int AnswerOnStderr(const BoxWords& words)
{
    std::fprintf(stderr, "%s: %s\n", words.caption, words.text);
    (void)std::fflush(stderr);  // nowhere left to report a failure
    return IDOK;
}

void ResetMessageBoxes()
{
    g_mode = QvMessageBoxMode::Auto;
    g_observer = nullptr;
}

}  // namespace qvwin

void QvSetMessageBoxMode(QvMessageBoxMode mode) { qvwin::g_mode = mode; }

void QvSetMessageBoxObserver(QvMessageBoxObserver observer) { qvwin::g_observer = std::move(observer); }
