// MessageBoxA: a real box when someone can see it, a line on stderr when no one can.
#include "platform/core/win32_msgbox.h"
#include "platform/sdl/sdl_internal.h"

namespace qvwin {
namespace {

Uint32 SdlBoxFlags(UINT type)
{
    constexpr UINT iconMask = 0xF0;
    constexpr UINT iconWarning = 0x30;
    switch (type & iconMask) {
    case MB_ICONERROR:
        return SDL_MESSAGEBOX_ERROR;
    case iconWarning:
        return SDL_MESSAGEBOX_WARNING;
    default:
        return SDL_MESSAGEBOX_INFORMATION;
    }
}

}  // namespace

bool ShowMessageBox(HWND hWnd, LPCSTR, LPCSTR, UINT uType, const BoxWords& words, bool mayWait, int* answer)
{
    if (!mayWait || !VideoIsUp() ||
        SDL_ShowSimpleMessageBox(SdlBoxFlags(uType), words.caption, words.text, QvWindowFromHwnd(hWnd)) != 0) {
        return false;
    }
    // Every box has only an OK button, so whichever way it ends, the answer is IDOK.
    *answer = IDOK;
    return true;
}

}  // namespace qvwin

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    return qvwin::ObservedMessageBox(hWnd, lpText, lpCaption, uType);
}
