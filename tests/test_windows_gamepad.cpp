// Game controllers on Windows: XInput's buttons, d-pad and left stick become WM_KEYDOWN/WM_KEYUP
// of the game's keys by the rules the Linux build uses, shared between controllers, and a
// controller that goes away lets its keys go, and only while the game's window is in front.
// XInput is a fake put in through the import table; whether the window is in front is set by the
// test (under Wine without a window manager the system's answer could go either way).
#include <gtest/gtest.h>

#include <windows.h>

#include <qv_win32.h>
#include <qv_xinput.h>

#include <string>

#include <qv_live.h>

#include "test_gamepad_keys.h"
#include "test_windows_support.h"

namespace {

class Gamepads : public ::testing::Test {
protected:
    void SetUp() override
    {
        hWnd = windowstest::MakeWindow("QvGamepadTest", DefWindowProcA);
        ASSERT_NE(hWnd, nullptr);
        QvSetFakeXInput(&fake);
        QvSetFakeForeground(&foreground);
        QvEnableGamepads(true);
    }
    void TearDown() override
    {
        QvEnableGamepads(false);
        QvSetFakeXInput(nullptr);
        QvSetFakeForeground(nullptr);
        QvResetWin32();
    }

    XINPUT_GAMEPAD& Pad(int user)
    {
        fake.connected[user] = true;
        return fake.state[user].Gamepad;
    }

    // Samples the controllers and returns the key messages that arrived, as "+W -SPACE ...".
    std::string Keys()
    {
        QvSampleGamepads();
        std::string out;
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (!gamepadtest::AppendKey(out, m)) continue;
            EXPECT_EQ(m.hwnd, hWnd);
            EXPECT_EQ((DWORD(m.lParam) >> 30) & 3, m.message == WM_KEYUP ? 3u : 0u);
        }
        return out;
    }

    HWND hWnd = nullptr;
    QvFakeXInput fake;
    bool foreground = true;
};

TEST_F(Gamepads, ButtonsDpadAndStickHoldTheGameKeys)
{
    XINPUT_GAMEPAD& pad = Pad(0);
    QvSetFakeXInput(&fake);  // plugged in
    EXPECT_EQ(Keys(), "");

    pad.wButtons = XINPUT_GAMEPAD_A | XINPUT_GAMEPAD_LEFT_SHOULDER | XINPUT_GAMEPAD_RIGHT_SHOULDER |
                   XINPUT_GAMEPAD_Y | XINPUT_GAMEPAD_B;  // B is not one of the game's
    EXPECT_EQ(Keys(), "+SPACE +1 +2 +3");  // in the order of the game's keys
    pad.wButtons = 0;
    EXPECT_EQ(Keys(), "-SPACE -1 -2 -3");

    // Back and Start are both Escape: it stays down until both are let go.
    pad.wButtons = XINPUT_GAMEPAD_BACK | XINPUT_GAMEPAD_START;
    EXPECT_EQ(Keys(), "+ESC");
    pad.wButtons = XINPUT_GAMEPAD_START;
    EXPECT_EQ(Keys(), "");
    pad.wButtons = 0;
    EXPECT_EQ(Keys(), "-ESC");

    // The stick (up positive in XInput) presses past half way and lets go only inside a third.
    pad.sThumbLY = 12000;
    EXPECT_EQ(Keys(), "");
    pad.sThumbLY = 20000;
    EXPECT_EQ(Keys(), "+W");
    pad.sThumbLY = 12000;
    EXPECT_EQ(Keys(), "");
    pad.sThumbLY = -32768;
    EXPECT_EQ(Keys(), "-W +S");
    pad.sThumbLY = 0;
    pad.sThumbLX = -32768;
    pad.sThumbRX = 32767;  // the right stick does nothing
    EXPECT_EQ(Keys(), "-S +A");

    // The d-pad and the stick share their keys: A stays down while either holds it.
    pad.wButtons = XINPUT_GAMEPAD_DPAD_LEFT;
    EXPECT_EQ(Keys(), "");
    pad.sThumbLX = 0;
    EXPECT_EQ(Keys(), "");
    pad.wButtons = XINPUT_GAMEPAD_DPAD_UP | XINPUT_GAMEPAD_DPAD_RIGHT | XINPUT_GAMEPAD_DPAD_DOWN;
    EXPECT_EQ(Keys(), "+W +S -A +D");
}

TEST_F(Gamepads, PadsShareKeysAndOneThatGoesAwayLetsItsKeysGo)
{
    Pad(0).wButtons = XINPUT_GAMEPAD_A;
    Pad(0).sThumbLX = 30000;
    Pad(3).wButtons = XINPUT_GAMEPAD_A;
    QvSetFakeXInput(&fake);
    EXPECT_EQ(Keys(), "+D +SPACE");  // a pad plugged in with a button held presses its key at once
    fake.connected[0] = false;
    EXPECT_EQ(Keys(), "-D");  // Space is still held by the other pad
    fake.connected[3] = false;
    EXPECT_EQ(Keys(), "-SPACE");

    // Turned off, the pads are forgotten; the message loop's own PeekMessageA samples them.
    Pad(1).wButtons = XINPUT_GAMEPAD_BACK;
    QvEnableGamepads(false);
    QvSetFakeXInput(&fake);
    EXPECT_EQ(Keys(), "");
    QvEnableGamepads(true);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    EXPECT_EQ(m.wParam, WPARAM(VK_ESCAPE));
}

TEST_F(Gamepads, OnlyTheForegroundWindowGetsKeysAndLosingItLetsThemGo)
{
    Pad(0).wButtons = XINPUT_GAMEPAD_A;
    Pad(0).sThumbLY = 20000;
    QvSetFakeXInput(&fake);
    EXPECT_EQ(Keys(), "+W +SPACE");

    // To the background: what was held goes up, and nothing the pads do reaches the window.
    foreground = false;
    EXPECT_EQ(Keys(), "-W -SPACE");
    Pad(0).wButtons = XINPUT_GAMEPAD_Y;
    Pad(0).sThumbLY = 12000;  // inside the stick's hysteresis: it would have kept W down
    Pad(2).wButtons = XINPUT_GAMEPAD_START;  // plugged in meanwhile
    EXPECT_EQ(Keys(), "");
    fake.connected[2] = false;
    EXPECT_EQ(Keys(), "");

    // Back in front: every slot read at once, the pads as they are now, no key or stick state
    // kept from before.
    foreground = true;
    EXPECT_EQ(Keys(), "+3");

    // The message loop's own PeekMessageA asks the same question.
    foreground = false;
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_KEYUP, WM_KEYUP, PM_REMOVE));
    EXPECT_EQ(m.wParam, WPARAM('3'));
    EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
}

// QvResetWin32 leaves the next test no gamepads on, no fakes and no loop observer.
TEST_F(Gamepads, ResetTurnsPadsOffAndClearsTheLoopObserver)
{
    int peeks = 0;
    QvSetLoopObserver({[&peeks] { ++peeks; }, {}});
    Pad(0).wButtons = XINPUT_GAMEPAD_A;
    EXPECT_EQ(Keys(), "+SPACE");
    EXPECT_GT(peeks, 0);

    QvResetWin32();
    peeks = 0;
    hWnd = windowstest::MakeWindow("QvGamepadTest", DefWindowProcA);
    ASSERT_NE(hWnd, nullptr);
    Pad(0).wButtons = XINPUT_GAMEPAD_START;
    EXPECT_EQ(Keys(), "");  // off: the loop samples nothing
    EXPECT_EQ(peeks, 0);

    // On again and in front, the pads are the system's (none under Wine), not the old fake's.
    QvSetFakeForeground(&foreground);
    QvEnableGamepads(true);
    EXPECT_EQ(Keys(), "");
}

}  // namespace
