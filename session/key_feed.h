// Between a key script and the game's window: the script's keys going in as key messages, the
// keys the game holds read back out of its key table, and the main loop's dispatch between frames.
#pragma once

#include <windows.h>

#include <cstdint>

namespace session {

// Feeds held keys to a window: at each call, a press or a release of every script key that
// changed since the keys fed before (none at first).
class KeyFeed {
public:
    enum Delivery {
        kSend,  // through the window procedure at once: the caller runs its frame right after
        kPost,  // queued as the keyboard would, for the main loop to dispatch before its frame
    };
    explicit KeyFeed(Delivery delivery) : delivery_(delivery) {}

    void Feed(HWND window, uint16_t keys);
    uint16_t fed() const { return fed_; }

private:
    Delivery delivery_;
    uint16_t fed_ = 0;
};

// The script keys a key table (256 entries, non-zero while held) holds, one bit each.
uint16_t KeysHeldIn(const BYTE* keyTable);

// Takes and dispatches every waiting message, as the main loop does between frames. Returns false
// once the quit message has come.
bool DispatchWaitingMessages();

}  // namespace session
