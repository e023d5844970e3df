// Message boxes for tools and tests: the program's own MessageBoxA calls come here
// (import_patch.h), and through the course every build shares (platform/core/win32_msgbox.h)
// reach the system in the Auto mode, or stderr.
#include "platform/core/win32_msgbox.h"
#include "platform/windows/import_patch.h"

namespace {

int WINAPI HookedMessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    return qvwin::ObservedMessageBox(hWnd, lpText, lpCaption, uType);
}

using MessageBoxFn = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);
const MessageBoxFn g_messageBox = qvhooks::Reroute("user32.dll", "MessageBoxA", HookedMessageBoxA);

}  // namespace

bool qvwin::ShowMessageBox(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType, const BoxWords&, bool mayWait,
                           int* answer)
{
    if (!mayWait) return false;
    *answer = g_messageBox(hWnd, lpText, lpCaption, uType);
    return true;
}
