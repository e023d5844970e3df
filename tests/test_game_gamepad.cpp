// A controller plugged into the running game drives the player's tank and fires, through the
// same key messages as the keyboard; pulled out, it lets its keys go.
#include <SDL.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <qv_live.h>

#include "app/engine.h"
#include "game/game.h"
#include "game/world.h"
#include "session/key_feed.h"
#include "test_gamepad_support.h"
#include "session/replay.h"

namespace {

int ActiveBullets()
{
    int count = 0;
    for (const CBullet& bullet : g_tanks[0].bullets) count += bullet.active ? 1 : 0;
    return count;
}

TEST(GamepadGame, VirtualPadDrivesAndFiresAndLetsGoWhenPulled)
{
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");  // the hidden window has no focus
    ASSERT_TRUE(session::StartGame());
    QvEnableGamepads(true);
    session::DispatchWaitingMessages();

    gamepadtest::VirtualPad pad;  // hot-plugged into the running game
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, -32768);
    pad.Button(SDL_CONTROLLER_BUTTON_A, true);
    for (int frame = 1; frame <= 10; ++frame) {
        session::DispatchWaitingMessages();
        GameFrame();
    }
    EXPECT_EQ(g_engine.keyboard.keys['A'], 1);
    EXPECT_EQ(g_engine.keyboard.keys[VK_SPACE], 1);
    EXPECT_EQ(g_tanks[0].position.x, -10.0f);  // one unit toward -x a frame
    EXPECT_EQ(g_tanks[0].yaw, 90.0f);
    EXPECT_EQ(ActiveBullets(), 1);

    pad.Button(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
    pad.Unplug();
    session::DispatchWaitingMessages();
    EXPECT_EQ(g_engine.keyboard.keys['A'], 0);
    EXPECT_EQ(g_engine.keyboard.keys['W'], 0);
    EXPECT_EQ(g_engine.keyboard.keys[VK_SPACE], 0);
    GameFrame();
    EXPECT_EQ(g_tanks[0].position.x, -10.0f);
    QvEnableGamepads(false);
}

}  // namespace
