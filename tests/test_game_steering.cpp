// Enemy steering, bobbing and the tile collision that turns an enemy back.
#include "test_game_fixture.h"

#include <cmath>

namespace {

CTank TankAt(float x, float y, INT state, D3DXVECTOR3 waypoint = D3DXVECTOR3(0.0f, 0.0f, 0.0f)) {
    CTank tank;
    tank.position = D3DXVECTOR3(x, y, 0.0f);
    tank.steerState = state;
    tank.waypoint = waypoint;
    return tank;
}

}  // namespace

using Steering = GameWorldTest;

TEST_F(Steering, AdoptsTheTargetAndDrivesAlongTheLongerAxis) {
    CTank tank = TankAt(-259.0f, 167.0f, 0);
    SteerTank(tank, D3DXVECTOR3(-200.0f, 34.0f, 0.0f));
    EXPECT_EQ(tank.waypoint, D3DXVECTOR3(-200.0f, 34.0f, 0.0f));
    EXPECT_EQ(tank.steerState, 4);
    EXPECT_EQ(tank.moveCode, -2);
    EXPECT_EQ(tank.position.x, -259.0f);
    EXPECT_EQ(tank.position.y, 167.0f - 0.7f);
    EXPECT_EQ(tank.yaw, 180.0f);
    EXPECT_EQ(tank.direction, D3DXVECTOR3(0.0f, -1.0f, 0.0f));

    // Equal distances go to x.
    CTank tie = TankAt(0.0f, 0.0f, 0);
    SteerTank(tie, D3DXVECTOR3(-50.0f, 50.0f, 0.0f));
    EXPECT_EQ(tie.steerState, 3);
    EXPECT_EQ(tie.moveCode, -1);
    EXPECT_EQ(tie.position, D3DXVECTOR3(-0.7f, 0.0f, 0.0f));
    EXPECT_EQ(tie.yaw, 90.0f);
}

TEST_F(Steering, ATargetOutsideStateZeroIsIgnored) {
    for (INT state : {1, 3, 4}) {
        CTank tank = TankAt(0.0f, 0.0f, state, D3DXVECTOR3(100.0f, 10.0f, 0.0f));
        SteerTank(tank, D3DXVECTOR3(-200.0f, -200.0f, 0.0f));
        EXPECT_EQ(tank.waypoint, D3DXVECTOR3(100.0f, 10.0f, 0.0f)) << state;
    }
}

TEST_F(Steering, ArrivalNeedsOnlyFiveUnitsOnEachAxis) {
    // dx = 3 is never corrected: the tank drives along y and arrives with x still 0.
    CTank tank = TankAt(0.0f, 0.0f, 1, D3DXVECTOR3(3.0f, 100.0f, 0.0f));
    DWORD stateBefore = g_randomState;
    int steps = 0;
    while (tank.waypoint.y == 100.0f && steps < 1000) {
        SteerTank(tank, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        ++steps;
        ASSERT_EQ(tank.position.x, 0.0f);
    }
    EXPECT_GT(tank.position.y, 95.0f);
    EXPECT_EQ(tank.moveCode, 2);  // the arriving call still stepped toward +y

    // The new waypoint is the generator's next two coordinates.
    g_randomState = stateBefore;
    float wx = RandomCoordinate();
    float wy = RandomCoordinate();
    EXPECT_EQ(tank.waypoint, D3DXVECTOR3(wx, wy, 0.0f));
    EXPECT_EQ(tank.steerState, 1);
}

TEST_F(Steering, NearlyThereOnBothAxesPassesEveryStateInOneCall) {
    CTank tank = TankAt(0.0f, 0.0f, 3, D3DXVECTOR3(4.9f, 4.9f, 0.0f));
    DWORD stateBefore = g_randomState;
    SteerTank(tank, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(tank.moveCode, 2);
    EXPECT_EQ(tank.steerState, 1);
    EXPECT_EQ(tank.position, D3DXVECTOR3(0.0f, 0.7f, 0.0f));
    EXPECT_NE(g_randomState, stateBefore);

    // A target within five units on both axes is replaced at once.
    CTank close = TankAt(10.0f, 10.0f, 0);
    SteerTank(close, D3DXVECTOR3(12.0f, 8.0f, 0.0f));
    EXPECT_NE(close.waypoint, D3DXVECTOR3(12.0f, 8.0f, 0.0f));
    EXPECT_EQ(close.steerState, 1);
}

TEST_F(Steering, NeverMovesDiagonallyNorLeavesTheStatesBetweenCalls) {
    CTank tank = TankAt(0.0f, 0.0f, 0);
    SteerTank(tank, D3DXVECTOR3(120.0f, -80.0f, 0.0f));
    for (int i = 0; i < 20000; ++i) {
        D3DXVECTOR3 before = tank.position;
        SteerTank(tank, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        bool movedX = tank.position.x != before.x;
        bool movedY = tank.position.y != before.y;
        ASSERT_TRUE(movedX != movedY) << "call " << i;
        ASSERT_TRUE(tank.steerState == 1 || tank.steerState == 3 || tank.steerState == 4);
    }
}

using Collision = GameWorldTest;

// Runs one UpdateTanks with enemy 1 alone on an otherwise empty grid, its centre in a cell
// holding 1, and returns how far it moved.
static D3DXVECTOR3 CollideOnce(Collision& test, INT moveCode, D3DXVECTOR3 waypoint) {
    test.ClearGrid();
    test.ParkEnemies();
    CTank& e = test.Enemy(1);
    e.position = D3DXVECTOR3(100.0f, 100.0f, 0.0f);
    e.waypoint = waypoint;
    e.steerState = (moveCode == 1 || moveCode == -1) ? 3 : 4;
    e.moveCode = moveCode;
    g_tileGrid->SetCode(TankCellIndex(100.0f), TankCellIndex(100.0f), 1);
    D3DXVECTOR3 before = e.position;
    UpdateTanks();
    return D3DXVECTOR3(e.position.x - before.x, e.position.y - before.y, 0.0f);
}

TEST_F(Collision, TurningBackFromPlusMovesTwoPointOneFromMinusOnePointFour) {
    D3DXVECTOR3 d = CollideOnce(*this, 1, D3DXVECTOR3(250.0f, 100.0f, 0.0f));
    EXPECT_NEAR(d.x, -2.1f, 1e-4f);
    EXPECT_EQ(d.y, 0.0f);
    EXPECT_EQ(Enemy(1).moveCode, -1);
    EXPECT_EQ(Enemy(1).waypoint.x, 0.0f);  // 100 units back from where it hit

    d = CollideOnce(*this, -1, D3DXVECTOR3(-250.0f, 100.0f, 0.0f));
    EXPECT_NEAR(d.x, 1.4f, 1e-4f);
    EXPECT_EQ(Enemy(1).moveCode, 1);

    d = CollideOnce(*this, 2, D3DXVECTOR3(100.0f, 250.0f, 0.0f));
    EXPECT_NEAR(d.y, -2.1f, 1e-4f);
    EXPECT_EQ(d.x, 0.0f);

    d = CollideOnce(*this, -2, D3DXVECTOR3(100.0f, -250.0f, 0.0f));
    EXPECT_NEAR(d.y, 1.4f, 1e-4f);
}

TEST_F(Collision, EnemyOneBacksOutOfItsStartingCell) {
    CTank& e = Enemy(1);
    ASSERT_EQ(g_tileGrid->Code(TankCellIndex(e.position.x), TankCellIndex(e.position.y)), 4);
    int collisions = 0;
    for (int frame = 1; frame < 500; ++frame) {
        if (g_tileGrid->Code(TankCellIndex(e.position.x), TankCellIndex(e.position.y)) == 0) break;
        ++collisions;
        UpdateTanks();
        if (frame == 1) {
            EXPECT_NEAR(e.position.y, 167.7f, 1e-3f);
        }
        if (frame == 2) {
            EXPECT_NEAR(e.position.y, 165.6f, 1e-3f);
        }
    }
    EXPECT_EQ(collisions, 48);
    EXPECT_NEAR(e.position.y, 149.5f, 0.05f);
    EXPECT_EQ(e.moveCode, -2);
    EXPECT_EQ(e.position.x, -259.0f);
}

TEST_F(Collision, PlayerDrivesThroughTilesAndEmptyCellsAreNeverTested) {
    ClearGrid();
    ParkEnemies();
    g_tileGrid->SetCode(12, 12, 5);
    UpdateTanks();
    EXPECT_EQ(Player().position.x, 0.0f);
    EXPECT_EQ(Player().position.y, 0.0f);
    EXPECT_EQ(Player().steerState, 0);

    // An enemy over an empty cell keeps going although its box covers a full neighbour.
    CTank& e = Enemy(1);
    e.position = D3DXVECTOR3(40.0f, 10.0f, 0.0f);  // cell (13, 12), next to the full one
    e.waypoint = D3DXVECTOR3(250.0f, 10.0f, 0.0f);
    e.steerState = 3;
    e.moveCode = 1;
    UpdateTanks();
    EXPECT_EQ(e.position.x, 40.0f + 0.7f);
}

TEST_F(Collision, TanksOffTheGridCountAsOverEmptyCells) {
    ClearGrid();
    for (INT& c : g_tileGrid->cells) c = 1;  // every cell full: only an off-grid tank goes free
    ParkEnemies();
    const float farAway[] = {-325.0f, -1000.0f, 1300.0f, 1.0e9f, -3.0e38f};
    for (float x : farAway) {
        CTank& e = Enemy(2);
        e.position = D3DXVECTOR3(x, 0.0f, 0.0f);
        e.waypoint = D3DXVECTOR3(x, 300.0f, 0.0f);
        e.steerState = 4;
        e.moveCode = 2;
        Player().position = D3DXVECTOR3(0.0f, x, 0.0f);
        UpdateTanks();
        EXPECT_EQ(e.moveCode, 2) << x;
        EXPECT_EQ(e.steerState, 4) << x;
    }
}

TEST_F(Collision, BoxesOverlapOnlyStrictlyAndIgnoreZ) {
    CBox box{D3DXVECTOR3(0.0f, 0.0f, 5.0f), D3DXVECTOR3(10.0f, 10.0f, 5.0f)};
    EXPECT_TRUE(box.Overlaps(D3DXVECTOR3(9.0f, 9.0f, -100.0f), D3DXVECTOR3(20.0f, 20.0f, -100.0f)));
    EXPECT_FALSE(box.Overlaps(D3DXVECTOR3(10.0f, 0.0f, 5.0f), D3DXVECTOR3(20.0f, 10.0f, 5.0f)));
    EXPECT_FALSE(box.Overlaps(D3DXVECTOR3(-10.0f, 0.0f, 5.0f), D3DXVECTOR3(0.0f, 10.0f, 5.0f)));
    EXPECT_FALSE(box.Overlaps(D3DXVECTOR3(0.0f, 10.0f, 5.0f), D3DXVECTOR3(10.0f, 20.0f, 5.0f)));
    EXPECT_FALSE(box.Overlaps(D3DXVECTOR3(0.0f, -10.0f, 5.0f), D3DXVECTOR3(10.0f, 0.0f, 5.0f)));
}

TEST_F(Collision, AllTanksBobInStepAndWrapPast360) {
    UpdateTanks();
    for (int i = 0; i < kTankCount; ++i) {
        EXPECT_EQ(g_tanks[i].bobAngle, 0.3f);
        EXPECT_EQ(g_tanks[i].position.z, static_cast<float>(std::sin(static_cast<double>(0.3f))));
    }
    for (int i = 0; i < kTankCount; ++i) g_tanks[i].bobAngle = 359.6f;
    UpdateTanks();
    EXPECT_EQ(Player().bobAngle, 359.6f + 0.3f);
    UpdateTanks();
    for (int i = 0; i < kTankCount; ++i) {
        EXPECT_EQ(g_tanks[i].bobAngle, 0.0f);
        EXPECT_EQ(g_tanks[i].position.z, 0.0f);
    }
}
