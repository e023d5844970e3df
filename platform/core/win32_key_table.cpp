#include "platform/core/win32_key_table.h"

#include <cstring>

namespace qvwin {
namespace {

// US-layout virtual keys; the substitutes re-read letters from the active layout.
constexpr KeyInfo kKeys[] = {
    {0x04, "KeyA", 'A', 0x1E, false}, {0x05, "KeyB", 'B', 0x30, false},
    {0x06, "KeyC", 'C', 0x2E, false}, {0x07, "KeyD", 'D', 0x20, false},
    {0x08, "KeyE", 'E', 0x12, false}, {0x09, "KeyF", 'F', 0x21, false},
    {0x0A, "KeyG", 'G', 0x22, false}, {0x0B, "KeyH", 'H', 0x23, false},
    {0x0C, "KeyI", 'I', 0x17, false}, {0x0D, "KeyJ", 'J', 0x24, false},
    {0x0E, "KeyK", 'K', 0x25, false}, {0x0F, "KeyL", 'L', 0x26, false},
    {0x10, "KeyM", 'M', 0x32, false}, {0x11, "KeyN", 'N', 0x31, false},
    {0x12, "KeyO", 'O', 0x18, false}, {0x13, "KeyP", 'P', 0x19, false},
    {0x14, "KeyQ", 'Q', 0x10, false}, {0x15, "KeyR", 'R', 0x13, false},
    {0x16, "KeyS", 'S', 0x1F, false}, {0x17, "KeyT", 'T', 0x14, false},
    {0x18, "KeyU", 'U', 0x16, false}, {0x19, "KeyV", 'V', 0x2F, false},
    {0x1A, "KeyW", 'W', 0x11, false}, {0x1B, "KeyX", 'X', 0x2D, false},
    {0x1C, "KeyY", 'Y', 0x15, false}, {0x1D, "KeyZ", 'Z', 0x2C, false},
    {0x1E, "Digit1", '1', 0x02, false}, {0x1F, "Digit2", '2', 0x03, false},
    {0x20, "Digit3", '3', 0x04, false}, {0x21, "Digit4", '4', 0x05, false},
    {0x22, "Digit5", '5', 0x06, false}, {0x23, "Digit6", '6', 0x07, false},
    {0x24, "Digit7", '7', 0x08, false}, {0x25, "Digit8", '8', 0x09, false},
    {0x26, "Digit9", '9', 0x0A, false}, {0x27, "Digit0", '0', 0x0B, false},
    {0x28, "Enter", VK_RETURN, 0x1C, false}, {0x29, "Escape", VK_ESCAPE, 0x01, false},
    {0x2A, "Backspace", VK_BACK, 0x0E, false}, {0x2B, "Tab", VK_TAB, 0x0F, false},
    {0x2C, "Space", VK_SPACE, 0x39, false},
    // The OEM keys: - = [ ] \ ; ' ` , . / and the ISO key beside left Shift.
    {0x2D, "Minus", 0xBD, 0x0C, false}, {0x2E, "Equal", 0xBB, 0x0D, false},
    {0x2F, "BracketLeft", 0xDB, 0x1A, false}, {0x30, "BracketRight", 0xDD, 0x1B, false},
    {0x31, "Backslash", 0xDC, 0x2B, false}, {0x33, "Semicolon", 0xBA, 0x27, false},
    {0x34, "Quote", 0xDE, 0x28, false}, {0x35, "Backquote", 0xC0, 0x29, false},
    {0x36, "Comma", 0xBC, 0x33, false}, {0x37, "Period", 0xBE, 0x34, false},
    {0x38, "Slash", 0xBF, 0x35, false}, {0x64, "IntlBackslash", 0xE2, 0x56, false},
    {0x39, "CapsLock", VK_CAPITAL, 0x3A, false},
    {0x3A, "F1", VK_F1, 0x3B, false}, {0x3B, "F2", VK_F2, 0x3C, false},
    {0x3C, "F3", VK_F3, 0x3D, false}, {0x3D, "F4", VK_F4, 0x3E, false},
    {0x3E, "F5", VK_F5, 0x3F, false}, {0x3F, "F6", VK_F6, 0x40, false},
    {0x40, "F7", VK_F7, 0x41, false}, {0x41, "F8", VK_F8, 0x42, false},
    {0x42, "F9", VK_F9, 0x43, false}, {0x43, "F10", VK_F10, 0x44, false},
    {0x44, "F11", VK_F11, 0x57, false}, {0x45, "F12", VK_F12, 0x58, false},
    {0x46, "PrintScreen", 0x2C, 0x37, true}, {0x47, "ScrollLock", 0x91, 0x46, false},
    {0x48, "Pause", VK_PAUSE, 0x45, false},
    {0x49, "Insert", VK_INSERT, 0x52, true}, {0x4A, "Home", VK_HOME, 0x47, true},
    {0x4B, "PageUp", VK_PRIOR, 0x49, true}, {0x4C, "Delete", VK_DELETE, 0x53, true},
    {0x4D, "End", VK_END, 0x4F, true}, {0x4E, "PageDown", VK_NEXT, 0x51, true},
    {0x4F, "ArrowRight", VK_RIGHT, 0x4D, true}, {0x50, "ArrowLeft", VK_LEFT, 0x4B, true},
    {0x51, "ArrowDown", VK_DOWN, 0x50, true}, {0x52, "ArrowUp", VK_UP, 0x48, true},
    {0x53, "NumLock", VK_NUMLOCK, 0x45, true},
    {0x54, "NumpadDivide", VK_DIVIDE, 0x35, true}, {0x55, "NumpadMultiply", VK_MULTIPLY, 0x37, false},
    {0x56, "NumpadSubtract", VK_SUBTRACT, 0x4A, false}, {0x57, "NumpadAdd", VK_ADD, 0x4E, false},
    {0x58, "NumpadEnter", VK_RETURN, 0x1C, true},
    {0x59, "Numpad1", VK_NUMPAD1, 0x4F, false}, {0x5A, "Numpad2", VK_NUMPAD2, 0x50, false},
    {0x5B, "Numpad3", VK_NUMPAD3, 0x51, false}, {0x5C, "Numpad4", VK_NUMPAD4, 0x4B, false},
    {0x5D, "Numpad5", VK_NUMPAD5, 0x4C, false}, {0x5E, "Numpad6", VK_NUMPAD6, 0x4D, false},
    {0x5F, "Numpad7", VK_NUMPAD7, 0x47, false}, {0x60, "Numpad8", VK_NUMPAD8, 0x48, false},
    {0x61, "Numpad9", VK_NUMPAD9, 0x49, false}, {0x62, "Numpad0", VK_NUMPAD0, 0x52, false},
    {0x63, "NumpadDecimal", VK_DECIMAL, 0x53, false},
    {0x65, "ContextMenu", 0x5D, 0x5D, true},
    // Windows reports both Shift, Ctrl and Alt keys under their shared codes in key messages.
    {0xE0, "ControlLeft", VK_CONTROL, 0x1D, false}, {0xE1, "ShiftLeft", VK_SHIFT, 0x2A, false},
    {0xE2, "AltLeft", VK_MENU, 0x38, false}, {0xE3, "MetaLeft", 0x5B, 0x5B, true},
    {0xE4, "ControlRight", VK_CONTROL, 0x1D, true}, {0xE5, "ShiftRight", VK_SHIFT, 0x36, false},
    {0xE6, "AltRight", VK_MENU, 0x38, true}, {0xE7, "MetaRight", 0x5C, 0x5C, true},
};

constexpr unsigned kKeypad1 = 0x59;
constexpr unsigned kKeypad0 = 0x62;
constexpr unsigned kKeypadDecimal = 0x63;

// Alt released on its own is a system key; released after an Alt chord it is a plain key-up.
bool g_altChord = false;

}  // namespace

const KeyInfo* KeyByUsage(unsigned usage)
{
    for (const KeyInfo& k : kKeys) {
        if (k.usage == usage) return &k;
    }
    return nullptr;
}

const KeyInfo* KeyByCode(const char* code)
{
    if (code == nullptr) return nullptr;
    for (const KeyInfo& k : kKeys) {
        if (std::strcmp(k.code, code) == 0) return &k;
    }
    return nullptr;
}

const KeyInfo* KeyByVirtualKey(UINT vk)
{
    for (const KeyInfo& k : kKeys) {
        if (k.vk == vk) return &k;
    }
    return nullptr;
}

UINT ScanCodeOf(BYTE vk)
{
    const KeyInfo* info = KeyByVirtualKey(vk);
    return info != nullptr ? info->scan : 0;
}

BYTE KeypadWithoutNumLock(unsigned usage, BYTE vk)
{
    constexpr BYTE kNavigation[] = {VK_END, VK_DOWN, VK_NEXT, VK_LEFT, 0x0C /* VK_CLEAR */,
                                    VK_RIGHT, VK_HOME, VK_UP, VK_PRIOR, VK_INSERT};
    if (usage >= kKeypad1 && usage <= kKeypad0) return kNavigation[usage - kKeypad1];
    return usage == kKeypadDecimal ? BYTE(VK_DELETE) : vk;
}

KeyMessage MakeKeyMessage(BYTE vk, BYTE scan, bool extended, bool down, bool repeat, bool alt, bool ctrl)
{
    // Ctrl+Alt is AltGr on many layouts and types characters: plain key messages.
    const bool altOnly = alt && !ctrl;
    bool system = altOnly || vk == VK_F10;
    if (vk == VK_MENU) {
        if (down && !repeat) {
            g_altChord = false;
        }
        system = down ? !ctrl : !g_altChord && !ctrl;
    } else if (down && altOnly) {
        g_altChord = true;
    }
    const UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    DWORD lParam = 1u | (DWORD(scan) << 16);
    if (extended) {
        lParam |= 1u << 24;
    }
    if (system && (altOnly || vk == VK_MENU)) {
        lParam |= 1u << 29;
    }
    if (!down || repeat) {
        lParam |= 1u << 30;
    }
    if (!down) {
        lParam |= 1u << 31;
    }
    return KeyMessage{message, vk, static_cast<LPARAM>(lParam)};
}

void ResetKeyMessages() { g_altChord = false; }

}  // namespace qvwin
