// RotateVector and MoveForward on the camera's worked values.
#include <gtest/gtest.h>

#include <cmath>

#include "render/camera.h"

namespace {

const D3DXVECTOR3 kForward(0.0f, 0.0f, 1.0f);

D3DXVECTOR3 Rotated(D3DXVECTOR3 v, float ax, float ay, float az)
{
    D3DXVECTOR3 out(99.0f, 99.0f, 99.0f);
    RotateVector(&out, v, D3DXVECTOR3(ax, ay, az));
    return out;
}

TEST(Camera, ConstructionValues)
{
    CCamera c;
    EXPECT_EQ(c.position, D3DXVECTOR3(0.0f, 0.0f, -40.0f));
    EXPECT_EQ(c.lookAt, D3DXVECTOR3(0.0f, 0.0f, 10.0f));
    EXPECT_EQ(c.angles, D3DXVECTOR3(-15.0f, 10.0f, 0.0f));
    EXPECT_EQ(c.fov, 65.0f);
    EXPECT_EQ(c.nearPlane, 1.0f);
    EXPECT_EQ(c.farPlane, 800.0f);
    EXPECT_EQ(c.followTarget, 0);
}

TEST(Camera, RotateVectorUsesThreePointFourteenForPi)
{
    EXPECT_EQ(Rotated(kForward, 0, 0, 0), kForward) << "every step skipped";

    D3DXVECTOR3 r = Rotated(kForward, 90, 0, 0);
    EXPECT_EQ(r.x, 0.0f);
    EXPECT_FLOAT_EQ(r.y, -0.9999997f);
    EXPECT_NEAR(r.z, 0.000796, 5e-7);
    EXPECT_NE(r.y, -1.0f);

    r = Rotated(kForward, 0, 90, 0);
    EXPECT_FLOAT_EQ(r.x, 0.9999997f);
    EXPECT_EQ(r.y, 0.0f);
    EXPECT_NEAR(r.z, 0.000796, 5e-7);

    r = Rotated(kForward, -15, 10, 0);  // the construction angles
    EXPECT_NEAR(r.x, 0.1677, 5e-5);
    EXPECT_NEAR(r.y, 0.2587, 5e-5);
    EXPECT_NEAR(r.z, 0.9513, 5e-5);

    r = Rotated(kForward, 180, 0, 0);
    EXPECT_NEAR(r.z, -0.9999987, 1e-7);
    EXPECT_NEAR(r.y, -0.0016, 1e-5);
}

TEST(Camera, RotateVectorSkipsAxesWhoseCosineRoundsToOne)
{
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    EXPECT_EQ(Rotated(up, 0.01f, 0, 0), up) << "skipped although its sine is not 0";
    EXPECT_EQ(Rotated(D3DXVECTOR3(1, 0, 0), 0, 0, -0.01f), D3DXVECTOR3(1, 0, 0));
    EXPECT_NE(Rotated(up, 0.02f, 0, 0), up);

    const D3DXVECTOR3 r = Rotated(kForward, 0, 360, 0);
    EXPECT_NE(r, kForward) << "cos 6.28 is not 1";
    EXPECT_NEAR(r.x, -0.0031853, 1e-6);
    EXPECT_NEAR(r.z, 0.999995, 1e-6);
}

TEST(Camera, RotateVectorTurnsAboutXThenYThenZ)
{
    // (0, 1, 0) about X by 90 lies near +z, which Y then swings to +x. Y first would leave it
    // on the Y axis, and X would then take it to +z.
    D3DXVECTOR3 r = Rotated(D3DXVECTOR3(0, 1, 0), 90, 90, 0);
    EXPECT_NEAR(r.x, 1.0, 1e-5);
    EXPECT_NEAR(r.z, 0.0, 2e-3);  // 3.14 leaves a little of the turn undone
    // Z last: (1, 0, 0) about Y by 90 goes to -z, which Z leaves alone.
    r = Rotated(D3DXVECTOR3(1, 0, 0), 0, 90, 90);
    EXPECT_NEAR(r.z, -1.0, 1e-5);
}

TEST(Camera, MoveForwardFollowsTheFacing)
{
    CCamera c;
    c.angles = D3DXVECTOR3(0, 0, 0);
    c.position = D3DXVECTOR3(1.5f, -2.0f, -500.0f);
    c.MoveForward(10.0f);
    EXPECT_EQ(c.position, D3DXVECTOR3(1.5f, -2.0f, -490.0f));
    c.MoveForward(-10.0f);
    EXPECT_EQ(c.position, D3DXVECTOR3(1.5f, -2.0f, -500.0f));

    CCamera tilted;  // (-15, 10, 0)
    tilted.MoveForward(100.0f);
    EXPECT_NEAR(tilted.position.x, 16.77, 5e-3);
    EXPECT_NEAR(tilted.position.y, 25.87, 5e-3);
    EXPECT_NEAR(tilted.position.z, -40.0 + 95.13, 5e-3);
}

}  // namespace
