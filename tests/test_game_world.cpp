// The world as set-up builds it: the generator, the enemies' places and first steps, the grid.
#include "test_game_fixture.h"

#include <vector>

using WorldSetUp = GameWorldTest;

TEST(RandomGenerator, StartsAtOneAndFollowsTheLinearCongruence) {
    g_randomState = 1;
    EXPECT_EQ(NextRandom(), 41);
    EXPECT_EQ(NextRandom(), 18467);
    EXPECT_EQ(NextRandom(), 6334);
    EXPECT_EQ(g_randomState, 1u * 214013u * 214013u * 214013u + 2531011u * 214013u * 214013u +
                                 2531011u * 214013u + 2531011u);
    // The state wraps modulo 2^32 and only bits 16 to 30 come out.
    g_randomState = 0xFFFFFFFFu;
    int value = NextRandom();
    EXPECT_EQ(g_randomState, 0xFFFFFFFFu * 214013u + 2531011u);
    EXPECT_EQ(value, static_cast<int>((g_randomState >> 16) & 0x7FFF));
}

TEST(RandomGenerator, CoordinateIsValueModulo600LessThree) {
    g_randomState = 1;
    EXPECT_EQ(RandomCoordinate(), -259.0f);  // 41
    EXPECT_EQ(RandomCoordinate(), 167.0f);   // 18467
    for (int i = 0; i < 5000; ++i) {
        float c = RandomCoordinate();
        ASSERT_GE(c, -300.0f);
        ASSERT_LE(c, 299.0f);
        ASSERT_EQ(c, static_cast<float>(static_cast<int>(c)));
    }
}

TEST_F(WorldSetUp, EnemiesArePlacedAndTakeTheirFirstStep) {
    CTank& e1 = Enemy(1);
    EXPECT_EQ(e1.waypoint, D3DXVECTOR3(-200.0f, 34.0f, 0.0f));
    EXPECT_EQ(e1.position.x, -259.0f);
    EXPECT_EQ(e1.position.y, 167.0f - 0.7f);
    EXPECT_NEAR(e1.position.y, 166.3f, 1e-4f);
    EXPECT_EQ(e1.position.z, 0.0f);
    EXPECT_EQ(e1.moveCode, -2);
    EXPECT_EQ(e1.yaw, 180.0f);
    EXPECT_EQ(e1.steerState, 4);
    EXPECT_EQ(e1.direction, D3DXVECTOR3(0.0f, -1.0f, 0.0f));

    EXPECT_EQ(Enemy(2).waypoint, D3DXVECTOR3(258.0f, -222.0f, 0.0f));
    EXPECT_EQ(Enemy(2).position.x, 269.0f);
    EXPECT_EQ(Enemy(2).position.y, -176.0f - 0.7f);
    EXPECT_EQ(Enemy(2).moveCode, -2);

    EXPECT_EQ(Enemy(3).waypoint, D3DXVECTOR3(245.0f, 5.0f, 0.0f));
    EXPECT_EQ(Enemy(3).position.x, 262.0f);
    EXPECT_EQ(Enemy(3).position.y, 164.0f - 0.7f);
    EXPECT_EQ(Enemy(3).moveCode, -2);
}

TEST_F(WorldSetUp, PlayerStartsStillAtTheOriginWithNoBulletAnywhere) {
    EXPECT_EQ(Player().position, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(Player().direction, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(Player().moveCode, 0);
    EXPECT_EQ(Player().fireCooldown, 0);
    for (int t = 0; t < kTankCount; ++t)
        for (const CBullet& b : g_tanks[t].bullets) EXPECT_FALSE(b.active);
    EXPECT_EQ(g_engine.camera.position, D3DXVECTOR3(0.0f, 0.0f, -500.0f));
    EXPECT_EQ(g_engine.camera.angles, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
}

TEST_F(WorldSetUp, GridHoldsTheGeneratorsCodes) {
    EXPECT_EQ(g_tileGrid->Code(0, 0), 3);
    EXPECT_EQ(g_tileGrid->Code(1, 0), 5);
    EXPECT_EQ(g_tileGrid->cells[1 * 64 + 0], 5);  // entry ix * 64 + iy
    EXPECT_EQ(g_tileGrid->Code(4, 5), 2);
    EXPECT_EQ(g_tileGrid->Code(1, 12), 3);
    EXPECT_EQ(g_tileGrid->Code(1, 18), 4);

    int drawn = 0, all = 0;
    for (int ix = 0; ix < kGridSize; ++ix) {
        for (int iy = 0; iy < kGridSize; ++iy) {
            INT code = g_tileGrid->Code(ix, iy);
            ASSERT_GE(code, 0);
            ASSERT_LE(code, 5);
            if (code == 0) continue;
            ++all;
            if (ix < 24 && iy < 24) ++drawn;
        }
    }
    EXPECT_EQ(drawn, 53);
    EXPECT_EQ(all, 359);
}

TEST_F(WorldSetUp, TwoRunsBuildTheSameWorld) {
    std::vector<INT> firstGrid(g_tileGrid->cells, g_tileGrid->cells + kGridCells);
    std::vector<CTank> firstTanks(g_tanks, g_tanks + kTankCount);
    DWORD firstState = g_randomState;

    g_randomState = 1;
    InitWorld();
    EXPECT_EQ(std::vector<INT>(g_tileGrid->cells, g_tileGrid->cells + kGridCells), firstGrid);
    EXPECT_EQ(g_randomState, firstState);
    for (int i = 0; i < kTankCount; ++i) {
        EXPECT_EQ(g_tanks[i].position, firstTanks[i].position);
        EXPECT_EQ(g_tanks[i].waypoint, firstTanks[i].waypoint);
        EXPECT_EQ(g_tanks[i].moveCode, firstTanks[i].moveCode);
    }
}

TEST_F(WorldSetUp, CellLookupOffTheGridIsEmptyAndWritesGoNowhere) {
    std::vector<INT> before(g_tileGrid->cells, g_tileGrid->cells + kGridCells);
    for (int i : {-1, 64, -1000, 1 << 30}) {
        EXPECT_EQ(g_tileGrid->Code(i, 0), 0);
        EXPECT_EQ(g_tileGrid->Code(0, i), 0);
        g_tileGrid->SetCode(i, 3, 5);
        g_tileGrid->SetCode(3, i, 5);
    }
    EXPECT_EQ(std::vector<INT>(g_tileGrid->cells, g_tileGrid->cells + kGridCells), before);
}

TEST(CellIndex, TruncatesTowardZeroAndRefusesWhatLiesOffTheGrid) {
    // -0.5 truncates to 0: the half cell below -300 still belongs to cell 0.
    EXPECT_EQ(BulletCellIndex(-312.5f), 0);
    EXPECT_EQ(TankCellIndex(-312.5f), 0);
    EXPECT_EQ(BulletCellIndex(-251.0f), 1);
    EXPECT_EQ(TankCellIndex(166.3f), 18);
    EXPECT_EQ(TankCellIndex(149.5f), 17);
    EXPECT_EQ(BulletCellIndex(-325.0f), -1);
    EXPECT_EQ(TankCellIndex(-325.0f), -1);
    EXPECT_EQ(TankCellIndex(1299.0f), 63);
    EXPECT_EQ(TankCellIndex(1300.0f), -1);
    EXPECT_EQ(BulletCellIndex(1300.0f), -1);
    EXPECT_EQ(BulletCellIndex(3.0e38f), -1);
    EXPECT_EQ(TankCellIndex(-3.0e38f), -1);
}
