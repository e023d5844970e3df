// The keyboard as Windows reports it, apart from where the key events come from: each physical
// key (by its USB HID usage, which SDL's scancodes are and the browser's KeyboardEvent.code
// names) with its US-layout virtual key and PC scan code, and the key messages Windows makes of
// a press or release. Both the SDL and the browser substitutes translate through it.
#pragma once

#include <cstdint>

#include <windows.h>

namespace qvwin {

struct KeyInfo {
    uint16_t usage;    // USB HID keyboard usage; SDL_Scancode has the same values
    const char* code;  // the browser's KeyboardEvent.code for the key
    BYTE vk;
    BYTE scan;  // PC set-1 scan code, as Windows reports it in lParam bits 16-23
    bool extended;
};

// nullptr for keys Windows has no virtual-key code for.
const KeyInfo* KeyByUsage(unsigned usage);
const KeyInfo* KeyByCode(const char* code);
const KeyInfo* KeyByVirtualKey(UINT vk);
// The scan code of the key with this virtual-key code, 0 for a code no key has.
UINT ScanCodeOf(BYTE vk);

// With Num Lock off the keypad digits and point are the navigation keys, under their own codes.
BYTE KeypadWithoutNumLock(unsigned usage, BYTE vk);

struct KeyMessage {
    UINT message;  // WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN or WM_SYSKEYUP
    WPARAM wParam;
    LPARAM lParam;
};

// The message for one press or release, with Windows' lParam (repeat count 1, scan code,
// extended, context and transition bits). Remembers whether Alt was used in a chord, which
// decides what Alt's own release is.
KeyMessage MakeKeyMessage(BYTE vk, BYTE scan, bool extended, bool down, bool repeat, bool alt, bool ctrl);
void ResetKeyMessages();

}  // namespace qvwin
