#include "session/key_feed.h"

#include <qv_win32.h>

#include "session/key_script.h"

namespace session {

void KeyFeed::Feed(HWND window, uint16_t keys) {
    for (int bit = 0; bit < kScriptKeyCount; ++bit) {
        const uint16_t mask = static_cast<uint16_t>(1u << bit);
        if ((fed_ & mask) == (keys & mask)) continue;
        const bool down = (keys & mask) != 0;
        if (delivery_ == kPost) {
            QvPostKey(window, VirtualKeyOfBit(bit), down);
        } else {
            // lParam as Windows builds it: repeat count 1, and for a release the previous-state
            // and transition bits.
            const LPARAM lParam = down ? 1 : static_cast<LPARAM>(0xC0000001u);
            SendMessageA(window, down ? WM_KEYDOWN : WM_KEYUP, VirtualKeyOfBit(bit), lParam);
        }
    }
    fed_ = keys;
}

uint16_t KeysHeldIn(const BYTE* keyTable) {
    uint16_t keys = 0;
    for (int bit = 0; bit < kScriptKeyCount; ++bit) {
        if (keyTable[VirtualKeyOfBit(bit)] != 0) keys |= static_cast<uint16_t>(1u << bit);
    }
    return keys;
}

bool DispatchWaitingMessages() {
    MSG msg = {};
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (msg.message == WM_QUIT) return false;
    }
    return true;
}

}  // namespace session
