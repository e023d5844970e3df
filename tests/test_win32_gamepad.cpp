// Game controllers as the keyboard: buttons, d-pad and stick become WM_KEYDOWN/WM_KEYUP of the
// game's keys, shared between controllers, and a controller that goes away lets its keys go.
#include <qv_live.h>

#include "test_gamepad_keys.h"
#include "test_gamepad_support.h"
#include "test_win32_support.h"

#include <string>

using namespace win32test;
using gamepadtest::VirtualPad;

namespace {

class Gamepads : public Win32Fixture {
protected:
    void SetUp() override
    {
        Win32Fixture::SetUp();
        // The hidden test window never has the focus; SDL would drop controller events then.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        QvEnableGamepads(true);
    }

    // The key messages since the last call, as "+W -SPACE ..." (key names by virtual-key code).
    std::string Keys()
    {
        std::string out;
        for (const MSG& m : Drain()) {
            if (!gamepadtest::AppendKey(out, m)) {
                continue;
            }
            EXPECT_EQ(m.hwnd, hWnd);
            // Each message carries Windows' lParam: previous-state and transition bits on release.
            EXPECT_EQ((m.lParam >> 30) & 3, m.message == WM_KEYUP ? 3 : 0);
        }
        return out;
    }
};

TEST_F(Gamepads, ButtonsDpadAndStickHoldTheGameKeys)
{
    VirtualPad pad;
    EXPECT_EQ(Keys(), "");  // plugged in: nothing held yet

    pad.Button(SDL_CONTROLLER_BUTTON_A, true);
    pad.Button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, true);
    pad.Button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, true);
    pad.Button(SDL_CONTROLLER_BUTTON_Y, true);
    pad.Button(SDL_CONTROLLER_BUTTON_B, true);  // not one of the game's
    EXPECT_EQ(Keys(), "+SPACE +3 +1 +2");  // in SDL's order: by button number
    pad.Button(SDL_CONTROLLER_BUTTON_A, false);
    pad.Button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, false);
    pad.Button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, false);
    pad.Button(SDL_CONTROLLER_BUTTON_Y, false);
    EXPECT_EQ(Keys(), "-SPACE -3 -1 -2");

    // Back and Start are both Escape: it stays down until both are let go.
    pad.Button(SDL_CONTROLLER_BUTTON_BACK, true);
    pad.Button(SDL_CONTROLLER_BUTTON_START, true);
    pad.Button(SDL_CONTROLLER_BUTTON_BACK, false);
    EXPECT_EQ(Keys(), "+ESC");
    pad.Button(SDL_CONTROLLER_BUTTON_START, false);
    EXPECT_EQ(Keys(), "-ESC");

    // The stick presses past half way and lets go only inside a third of the way.
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, -12000);
    EXPECT_EQ(Keys(), "");
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, -20000);
    EXPECT_EQ(Keys(), "+W");
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, -12000);
    EXPECT_EQ(Keys(), "");
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, 32767);
    EXPECT_EQ(Keys(), "-W +S");
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, 0);
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, -32768);
    pad.Axis(SDL_CONTROLLER_AXIS_RIGHTX, 32767);  // the right stick does nothing
    EXPECT_EQ(Keys(), "+A -S");  // in SDL's order: by axis number

    // The d-pad and the stick share their keys: A stays down while either holds it.
    pad.Button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    EXPECT_EQ(Keys(), "");
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, 0);
    EXPECT_EQ(Keys(), "");
    pad.Button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);
    pad.Button(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
    pad.Button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
    pad.Button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
    EXPECT_EQ(Keys(), "+W +S -A +D");
}

TEST_F(Gamepads, PadsShareKeysAndOneThatGoesAwayLetsItsKeysGo)
{
    VirtualPad first;
    VirtualPad second;
    Keys();
    first.Button(SDL_CONTROLLER_BUTTON_A, true);
    first.Axis(SDL_CONTROLLER_AXIS_LEFTX, 30000);
    second.Button(SDL_CONTROLLER_BUTTON_A, true);
    EXPECT_EQ(Keys(), "+SPACE +D");
    first.Unplug();
    EXPECT_EQ(Keys(), "-D");  // Space is still held by the second pad
    second.Unplug();
    EXPECT_EQ(Keys(), "-SPACE");

    // A pad plugged in with a button already held presses its key at once.
    VirtualPad third;
    third.Button(SDL_CONTROLLER_BUTTON_BACK, true);
    EXPECT_EQ(Keys(), "+ESC");

    // A removal that arrives without the releases before it still lets the keys go.
    SDL_Event removed{};
    removed.type = SDL_CONTROLLERDEVICEREMOVED;
    removed.cdevice.which = third.id();
    ASSERT_EQ(SDL_PushEvent(&removed), 1);
    EXPECT_EQ(Keys(), "-ESC");
}

// With no window focused the keys go to the first window, not to one made later, and each reads
// as the keyboard's own key would: its PC scan code, never the extended bit.
TEST_F(Gamepads, KeysGoToTheFirstWindowWithTheKeyboardsScanCodes)
{
    HWND later = CreateWindowExA(0, "QvTestClass", "later", WS_SYSMENU, 0, 0, 64, 64, nullptr, nullptr, nullptr,
                                 nullptr);
    ASSERT_NE(later, nullptr);
    VirtualPad pad;
    Drain();
    pad.Button(SDL_CONTROLLER_BUTTON_A, true);
    pad.Button(SDL_CONTROLLER_BUTTON_START, true);
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, -20000);
    std::string scans;
    for (const MSG& m : OnlyMessage(Drain(), WM_KEYDOWN)) {
        EXPECT_EQ(m.hwnd, hWnd);
        EXPECT_EQ(m.lParam & 0xFF00FFFF, 1) << "repeat count 1, not extended, no Alt, first press";
        scans += std::to_string((m.lParam >> 16) & 0xFF) + " ";
    }
    EXPECT_EQ(scans, "17 57 1 ") << "W, Space, Escape (in SDL's order: axes first)";
}

}  // namespace
