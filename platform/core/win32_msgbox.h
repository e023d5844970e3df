// Message boxes as every build has them (win32_msgbox.cpp, compiled by the Windows build's hooks
// too): the mode and the observer that tools and tests set (qv_win32.h), and MessageBoxA's course.
// The observer hears of every box first; then the backend shows the box its own way, and a box
// it does not show is a line on stderr, answered at once.
#pragma once

#include <windows.h>

namespace qvwin {

// A box's words as the observer hears them and stderr shows them: an absent caption reads
// "Error", an absent text "".
struct BoxWords {
    const char* caption;
    const char* text;
};

// MessageBoxA: the SDL and browser backends' own, and on Windows the program's calls rerouted.
int ObservedMessageBox(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
// "caption: text" on stderr; returns IDOK, the answer of a box with only an OK button.
int AnswerOnStderr(const BoxWords& words);
// Back to the Auto mode and no observer, for QvResetWin32.
void ResetMessageBoxes();

// What each backend supplies (sdl/sdl_msgbox.cpp, web/web_msgbox.cpp, windows/win_msgbox.cpp):
// shows the box and sets *answer, or returns false when it shows none. `mayWait` is the Auto
// mode: a box that waits for the user is allowed.
bool ShowMessageBox(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType, const BoxWords& words, bool mayWait,
                    int* answer);

}  // namespace qvwin
