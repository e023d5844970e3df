// Player control and the player's bullets: driving keys, shots, the cooldown, broken tiles and
// enemies sent away.
#include "test_game_fixture.h"

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include <qv_win32.h>

using Bullets = GameWorldTest;
using PlayerControl = GameWorldTest;

TEST_F(Bullets, LeftAndSpaceInTheFirstFrameBreaksCellOneTwelveInFrame125) {
    Hold('A');
    Hold(VK_SPACE);
    WorldFrame();
    Hold('A', false);
    Hold(VK_SPACE, false);

    EXPECT_EQ(Player().position.x, -1.0f);
    EXPECT_EQ(Player().position.y, 0.0f);
    const CBullet& bullet = Player().bullets[0];
    ASSERT_TRUE(bullet.active);
    EXPECT_EQ(bullet.position.x, -3.0f);
    EXPECT_EQ(bullet.position.y, 0.0f);
    EXPECT_EQ(bullet.yaw, 90.0f);
    EXPECT_EQ(bullet.life, 254);
    EXPECT_EQ(Player().fireCooldown, 199);
    EXPECT_EQ(Player().lastShotSlot, 0);

    ASSERT_EQ(g_tileGrid->Code(1, 12), 3);
    for (int frame = 2; frame <= 124; ++frame) WorldFrame();
    EXPECT_EQ(g_tileGrid->Code(1, 12), 3);
    EXPECT_EQ(Player().fireCooldown, 76);

    WorldFrame();  // 125
    EXPECT_EQ(bullet.position.x, -251.0f);
    EXPECT_EQ(g_tileGrid->Code(1, 12), 0);
    EXPECT_EQ(Player().fireCooldown, 0);
    EXPECT_EQ(bullet.life, 0);
    EXPECT_TRUE(bullet.active);

    WorldFrame();  // 126: one more update, then the slot is free
    EXPECT_FALSE(bullet.active);
    EXPECT_EQ(bullet.position.x, -253.0f);
}

TEST_F(Bullets, AHitBulletMovesBreaksAndDrawsOnceMore) {
    ClearGrid();
    ParkEnemies();
    g_tileGrid->SetCode(13, 12, 3);
    g_tileGrid->SetCode(14, 12, 4);
    CBullet& bullet = Launch(0, D3DXVECTOR3(46.5f, 0.0f, -16.0f), D3DXVECTOR3(1.0f, 0.0f, 0.0f), 100);

    UpdateBullets();  // to 48.5, cell 13
    EXPECT_EQ(g_tileGrid->Code(13, 12), 0);
    EXPECT_EQ(bullet.life, 0);
    EXPECT_TRUE(bullet.active);

    device_.CallLog::Clear();
    UpdateBullets();  // to 50.5, cell 14, then freed
    EXPECT_EQ(g_tileGrid->Code(14, 12), 0);
    EXPECT_FALSE(bullet.active);
    EXPECT_EQ(device_.Count("SetTransform"), 1u);  // drawn in its last update too

    device_.CallLog::Clear();
    UpdateBullets();
    EXPECT_EQ(device_.Count("SetTransform"), 0u);
}

TEST_F(Bullets, CodesOneAndTwoLetTheBulletThrough) {
    ClearGrid();
    ParkEnemies();
    g_tileGrid->SetCode(13, 12, 1);
    g_tileGrid->SetCode(14, 12, 2);
    CBullet& bullet = Launch(0, D3DXVECTOR3(24.0f, 0.0f, -16.0f), D3DXVECTOR3(1.0f, 0.0f, 0.0f), 100);
    for (int i = 0; i < 30; ++i) UpdateBullets();
    EXPECT_EQ(g_tileGrid->Code(13, 12), 1);
    EXPECT_EQ(g_tileGrid->Code(14, 12), 2);
    EXPECT_EQ(bullet.life, 70);
}

TEST_F(Bullets, OneBulletSendsTwoEnemiesAwayInTheSameUpdate) {
    ClearGrid();
    ParkEnemies();
    Enemy(1).position = D3DXVECTOR3(10.0f, 20.0f, 0.0f);
    Enemy(2).position = D3DXVECTOR3(-20.0f, -24.0f, 0.0f);
    Player().fireCooldown = 150;
    CBullet& bullet = Launch(0, D3DXVECTOR3(-2.0f, 0.0f, -16.0f), D3DXVECTOR3(1.0f, 0.0f, 0.0f), 100);
    DWORD state = g_randomState;

    UpdateBullets();  // the bullet stands at (0, 0): 10 and 20 away from one, 20 and 24 from two

    g_randomState = state;
    for (int j = 1; j <= 2; ++j) {
        float x = RandomCoordinate();
        float y = RandomCoordinate();
        float a = RandomCoordinate();
        float b = RandomCoordinate();
        const CTank& e = Enemy(j);
        EXPECT_EQ(e.waypoint, D3DXVECTOR3(b, a, 0.0f)) << j;
        float moved = (e.position.x - x) + (e.position.y - y);
        EXPECT_NEAR(std::abs(moved), 0.7f, 1e-4f) << j;  // placed, then one step
    }
    EXPECT_EQ(Enemy(3).position.x, 5300.0f);
    EXPECT_EQ(bullet.life, 0);
    EXPECT_EQ(Player().fireCooldown, 0);
}

TEST_F(Bullets, EnemyJustOutsideTwentyFiveUnitsIsMissed) {
    ClearGrid();
    ParkEnemies();
    Enemy(1).position = D3DXVECTOR3(25.0f, 0.0f, 0.0f);
    Enemy(2).position = D3DXVECTOR3(0.0f, -25.0f, 0.0f);
    CBullet& bullet = Launch(0, D3DXVECTOR3(0.0f, 0.0f, -16.0f), D3DXVECTOR3(0.0f, 0.0f, 0.0f), 10);
    DWORD state = g_randomState;
    UpdateBullets();
    EXPECT_EQ(g_randomState, state);
    EXPECT_EQ(bullet.life, 9);
}

TEST_F(Bullets, BulletsOffTheGridFlyOnWithoutTouchingIt) {
    ClearGrid();
    for (INT& c : g_tileGrid->cells) c = 5;
    ParkEnemies();
    const D3DXVECTOR3 farAway[] = {{-330.0f, 0.0f, 0.0f}, {0.0f, 1300.0f, 0.0f}, {-1.0e9f, 3.0e38f, 0.0f}};
    int slot = 0;
    for (const D3DXVECTOR3& p : farAway) Launch(slot++, p, D3DXVECTOR3(-1.0f, 0.0f, 0.0f), 50);
    UpdateBullets();
    for (int i = 0; i < slot; ++i) EXPECT_EQ(Player().bullets[i].life, 49);
    for (INT c : g_tileGrid->cells) ASSERT_EQ(c, 5);
}

TEST_F(Bullets, CooldownRunsDownOncePerFlyingBullet) {
    ClearGrid();
    ParkEnemies();
    // The frame fires first and then updates the bullets.
    auto frame = [] { FireBullet(); UpdateBullets(); };
    frame();
    EXPECT_EQ(Player().fireCooldown, 199);
    EXPECT_EQ(Player().lastShotSlot, 0);
    for (int f = 2; f <= 200; ++f) frame();
    EXPECT_EQ(Player().fireCooldown, 0);
    EXPECT_FALSE(Player().bullets[1].active);

    frame();  // 201: the second shot; two bullets now count it down
    EXPECT_EQ(Player().lastShotSlot, 1);
    EXPECT_EQ(Player().fireCooldown, 198);
    frame();
    EXPECT_EQ(Player().fireCooldown, 196);

    // The first bullet lives through frame 256; after that the second counts alone.
    while (Player().bullets[0].active) frame();
    EXPECT_EQ(Player().fireCooldown, 200 - 2 - 2 * 55);
    int gap = 256;
    while (Player().lastShotSlot == 1) { frame(); ++gap; }
    EXPECT_EQ(gap, 345);  // the third shot comes 144 frames after the second
    EXPECT_EQ(Player().lastShotSlot, 0);
}

TEST_F(Bullets, NoShotWhileCoolingOrWithEverySlotTaken) {
    Player().fireCooldown = 1;
    FireBullet();
    EXPECT_FALSE(Player().bullets[0].active);
    Player().fireCooldown = 0;
    for (CBullet& b : Player().bullets) b.active = 1;
    FireBullet();
    EXPECT_EQ(Player().fireCooldown, 0);
}

TEST_F(PlayerControl, FirstDrivingKeyWins) {
    Hold('W');
    Hold('D');
    HandleInput();
    EXPECT_EQ(Player().position, D3DXVECTOR3(0.0f, 1.0f, 0.0f));
    EXPECT_EQ(Player().yaw, 0.0f);

    Hold('W', false);
    Hold('D', false);
    Hold('S');
    Hold('A');
    HandleInput();
    EXPECT_EQ(Player().position, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(Player().direction, D3DXVECTOR3(0.0f, -1.0f, 0.0f));
    EXPECT_EQ(Player().yaw, 180.0f);

    Hold('S', false);
    HandleInput();
    EXPECT_EQ(Player().position, D3DXVECTOR3(-1.0f, 0.0f, 0.0f));
    EXPECT_EQ(Player().yaw, 90.0f);

    // No driving key: the player stands, and a shot flies along the last direction.
    Hold('A', false);
    Hold(VK_SPACE);
    HandleInput();
    EXPECT_EQ(Player().position, D3DXVECTOR3(-1.0f, 0.0f, 0.0f));
    EXPECT_EQ(Player().bullets[0].velocity, D3DXVECTOR3(-1.0f, 0.0f, 0.0f));
    EXPECT_EQ(Player().bullets[0].position, D3DXVECTOR3(-1.0f, 0.0f, -16.0f));
}

TEST_F(PlayerControl, ShotBeforeAnyMoveStaysWhereItWasFired) {
    ClearGrid();
    ParkEnemies();
    Hold(VK_SPACE);
    WorldFrame();
    Hold(VK_SPACE, false);
    const CBullet& bullet = Player().bullets[0];
    float z = bullet.position.z;
    for (int f = 0; f < 255; ++f) {
        ASSERT_TRUE(bullet.active);
        WorldFrame();
        ASSERT_EQ(bullet.position.x, 0.0f);
        ASSERT_EQ(bullet.position.z, z);
    }
    EXPECT_FALSE(bullet.active);
}

TEST_F(PlayerControl, CameraKeysMoveByTheSpeedFactor) {
    g_engine.fps.speedFactor = 2.5;
    Hold('1');
    HandleInput();
    EXPECT_EQ(g_engine.camera.position, D3DXVECTOR3(0.0f, 0.0f, -497.5f));
    Hold('1', false);
    Hold('2');
    HandleInput();
    EXPECT_EQ(g_engine.camera.position, D3DXVECTOR3(0.0f, 0.0f, -500.0f));
    Hold('1');
    HandleInput();
    EXPECT_EQ(g_engine.camera.position, D3DXVECTOR3(0.0f, 0.0f, -500.0f));
}

TEST_F(PlayerControl, ThreeShowsTheFrameRateAndEscapeAsksToQuit) {
    std::vector<std::pair<std::string, std::string>> boxes;
    QvSetMessageBoxMode(QvMessageBoxMode::NonModal);
    QvSetMessageBoxObserver([&](const char* caption, const char* text) { boxes.emplace_back(caption, text); });
    g_engine.fps.fps = 57.0;
    Hold('3');
    HandleInput();
    HandleInput();
    QvSetMessageBoxObserver({});
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].first, "FPS info");
    EXPECT_EQ(boxes[0].second, "FPS: 57");
    EXPECT_EQ(g_quitRequested, 0);

    Hold('3', false);
    Hold(VK_ESCAPE);
    Hold('W');
    HandleInput();
    EXPECT_EQ(g_quitRequested, 1);
    EXPECT_EQ(Player().position.y, 1.0f);
}
