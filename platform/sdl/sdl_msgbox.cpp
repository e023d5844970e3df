// MessageBoxA: a real box when someone can see it, a line on stderr when no one can.
#include <cstdio>

#include "platform/sdl/sdl_internal.h"

namespace qvwin {
namespace {

QvMessageBoxMode g_mode = QvMessageBoxMode::Auto;
QvMessageBoxObserver g_observer;

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

void ResetMessageBoxes()
{
    g_mode = QvMessageBoxMode::Auto;
    g_observer = nullptr;
}

}  // namespace qvwin

using namespace qvwin;

void QvSetMessageBoxMode(QvMessageBoxMode mode) { g_mode = mode; }

void QvSetMessageBoxObserver(QvMessageBoxObserver observer) { g_observer = std::move(observer); }

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    const char* caption = lpCaption != nullptr ? lpCaption : "Error";
    const char* text = lpText != nullptr ? lpText : "";
    if (g_observer) {
        QvMessageBoxObserver observer = g_observer;  // the observer may replace itself
        observer(caption, text);
    }
    // Every box has only an OK button, so whichever way it ends, the answer is IDOK.
    if (g_mode == QvMessageBoxMode::Auto && VideoIsUp() &&
        SDL_ShowSimpleMessageBox(SdlBoxFlags(uType), caption, text, QvWindowFromHwnd(hWnd)) == 0) {
        return IDOK;
    }
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return IDOK;
}
