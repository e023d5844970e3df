// Window classes (win32_classes.cpp), shared by the SDL and browser substitutes.
#pragma once

#include <string>

#include <windows.h>

namespace qvwin {

struct ClassRecord {
    std::string name;
    WNDCLASSEXA wc;  // its strings are not kept: the caller's need not outlive the call
    ATOM atom;
};

// The registered class of that name (compared as Windows does, without regard to case), or nullptr.
const ClassRecord* FindClass(LPCSTR name);
void ForgetClasses();

// Whether a live window of the class exists; a class cannot go while one does (answered by the
// window table, win32_window.cpp).
bool ClassHasWindows(const std::string& className);

}  // namespace qvwin
