// Game controllers as the game's keys, apart from where the controllers' state comes from (SDL's
// game controllers on Linux, XInput on Windows, the browser's Gamepad API in a page): what each
// button and the left stick stand for, the stick's hysteresis, one key state for all controllers
// together, and the key messages that tell a window of it.
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include <windows.h>

namespace qvwin {

// What a controller can hold, one bit each. Buttons are named by their place on the standard
// layout, which SDL's game controllers and the browser's standard mapping share.
enum GamepadSource : unsigned {
    kStickUp, kStickDown, kStickLeft, kStickRight,
    kPadUp, kPadDown, kPadLeft, kPadRight,
    kSouth, kLeftShoulder, kRightShoulder, kNorth, kBack, kStart,
    kGamepadSourceCount
};

// The stick's axes run from -32768 to 32767 (SDL's range; up and left negative).
constexpr int kStickRange = 32767;

void SetGamepadSource(unsigned* held, unsigned source, bool down);
// One axis of the stick: a direction is held past half way and let go inside a third of the
// way, so a thumb resting near the threshold does not chatter.
void SetGamepadStick(unsigned* held, unsigned negative, unsigned positive, int value);

// Every controller's held sources, and the keys the window has been told about. A key is down
// while any source of it is held on any controller; a controller that goes away lets its keys go.
class GamepadKeys {
public:
    // The held sources of a controller, added (holding nothing) if it is new.
    unsigned* Held(int id);
    bool Known(int id) const;
    void Remove(int id);
    // Forgets every controller and every key, telling the window nothing.
    void Clear();
    // Calls post(key, down) for each key whose state changed since the last call.
    void SendChanges(const std::function<void(BYTE key, bool down)>& post);

private:
    bool KeyHeld(BYTE key) const;
    std::vector<std::pair<int, unsigned>> pads_;
    unsigned keysDown_ = 0;  // bit k: the k-th game key is down as far as the window heard
};

// The windows a backend's controller keys may go to, as only the backend knows them, and the
// scan code its keyboard gives for a key.
struct GamepadWindows {
    HWND (*focused)();  // the window with the keyboard focus; nullptr when none of ours has it
    HWND (*first)();    // the program's first window, for when none is focused
    UINT (*scanCode)(BYTE key);
};

// Posts WM_KEYDOWN or WM_KEYUP for each key whose state changed (SendChanges) to the focused
// window, or with none focused to the first, reading as a keyboard's press or release of the key:
// repeat count 1, the scan code, and on release the previous-state and transition bits (none of
// the game's keys is an extended key). With no window at all the changes are still taken, and
// no one hears of them.
void PostGamepadChanges(GamepadKeys& keys, const GamepadWindows& windows);

}  // namespace qvwin
