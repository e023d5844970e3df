// The scene pass on a recording device: the calls of a frame in order, the view the camera
// gives in its worked positions, the up-vector rule, follow mode and the projection.
#include "render/scene_pass.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <d3dx9math.h>

#include "app/engine.h"
#include "render/camera.h"
#include "render/device.h"
#include "support/recording_device.h"

using ::testing::ElementsAre;

namespace {

// Equal element by element (-0 and 0 alike: the view's dot products give -0).
bool SameValues(const D3DMATRIX& a, const D3DMATRIX& b)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (!(a.m[r][c] == b.m[r][c])) return false;
    return true;
}

class ScenePass : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedDevice_ = g_pd3dDevice;
        savedVB_ = g_pGroundVB;
        savedTexture_ = g_pGroundTexture;
        savedCamera_ = Fields(g_engine.camera);
        savedWidth_ = g_engine.screen.width;
        savedHeight_ = g_engine.screen.height;

        g_pd3dDevice = &device_;
        ASSERT_EQ(device_.CreateVertexBuffer(96, D3DUSAGE_WRITEONLY, D3DFVF_GROUNDVERTEX, D3DPOOL_DEFAULT,
                                             &g_pGroundVB, NULL), S_OK);
        ASSERT_EQ(device_.CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &g_pGroundTexture, NULL),
                  S_OK);
        device_.CallLog::Clear();

        // The camera as game set-up leaves it.
        CCamera& camera = g_engine.camera;
        camera.position = D3DXVECTOR3(0.0f, 0.0f, -500.0f);
        camera.angles = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        camera.lookAt = D3DXVECTOR3(0.0f, 0.0f, 10.0f);
        camera.fov = 65.0f;
        camera.nearPlane = 1.0f;
        camera.farPlane = 800.0f;
        camera.followTarget = 0;
        g_engine.screen.width = 640;
        g_engine.screen.height = 480;
    }

    void TearDown() override
    {
        Restore(g_engine.camera, savedCamera_);
        g_engine.screen.width = savedWidth_;
        g_engine.screen.height = savedHeight_;
        g_pd3dDevice = savedDevice_;
        g_pGroundVB = savedVB_;
        g_pGroundTexture = savedTexture_;
    }

    D3DMATRIX RecordedTransform(DWORD state) const
    {
        std::vector<RecordedCall> sets;
        for (const RecordedCall& c : device_.Calls("SetTransform"))
            if (c.u(0) == state) sets.push_back(c);
        EXPECT_EQ(sets.size(), 1u) << "transform " << state;
        return sets.empty() ? D3DMATRIX{} : sets[0].matrix;
    }

    // The view the pass hands over must be the look-at of the camera with the given up vector.
    void ExpectViewWithUp(float angleX, float upY)
    {
        SCOPED_TRACE(angleX);
        device_.CallLog::Clear();
        g_engine.camera.angles = D3DXVECTOR3(angleX, 0.0f, 0.0f);
        SetupViewProjection();
        const D3DXVECTOR3 up(0.0f, upY, 0.0f);
        D3DXMATRIX expected;
        D3DXMatrixLookAtLH(&expected, &g_engine.camera.position, &g_engine.camera.lookAt, &up);
        EXPECT_TRUE(SameValues(RecordedTransform(D3DTS_VIEW), expected));
    }

    struct CameraFields {
        D3DXVECTOR3 position, lookAt, angles;
        FLOAT fov, nearPlane, farPlane;
        INT followTarget;
    };
    static CameraFields Fields(const CCamera& c)
    {
        return {c.position, c.lookAt, c.angles, c.fov, c.nearPlane, c.farPlane, c.followTarget};
    }
    static void Restore(CCamera& c, const CameraFields& f)
    {
        c.position = f.position;
        c.lookAt = f.lookAt;
        c.angles = f.angles;
        c.fov = f.fov;
        c.nearPlane = f.nearPlane;
        c.farPlane = f.farPlane;
        c.followTarget = f.followTarget;
    }

    RecordingDevice device_;
    IDirect3DDevice9* savedDevice_ = nullptr;
    IDirect3DVertexBuffer9* savedVB_ = nullptr;
    IDirect3DTexture9* savedTexture_ = nullptr;
    CameraFields savedCamera_{};
    INT savedWidth_ = 0, savedHeight_ = 0;
};

}  // namespace

TEST_F(ScenePass, DrawsTheGroundAfterTheFramesStatesInOrder)
{
    DrawScenePass();
    std::vector<std::string> lines = device_.Lines();
    ASSERT_EQ(lines.size(), 23u);
    // -(x . eye) of a zero component is -0: the values are those of the identity pulled back 500.
    EXPECT_EQ(lines[0], "SetTransform(2, [1 0 0 0; 0 1 0 0; 0 0 1 0; -0 -0 500 1])");
    EXPECT_EQ(lines[1].rfind("SetTransform(3, ", 0), 0u);
    lines.erase(lines.begin(), lines.begin() + 2);
    EXPECT_THAT(lines,
                ElementsAre("SetTexture(0, tex1)", "SetTextureStageState(0, 1, 4)", "SetTextureStageState(0, 2, 2)",
                            "SetTextureStageState(0, 3, 0)", "SetTextureStageState(0, 4, 2)",
                            "SetTextureStageState(0, 5, 2)", "SetSamplerState(0, 6, 2)", "SetSamplerState(0, 5, 2)",
                            "SetSamplerState(0, 7, 2)", "SetSamplerState(0, 1, 3)", "SetSamplerState(0, 2, 3)",
                            "SetRenderState(27, 1)", "SetRenderState(19, 5)", "SetRenderState(20, 6)",
                            "SetRenderState(15, 1)", "SetRenderState(24, 8)", "SetRenderState(25, 7)",
                            "SetTransform(256, [1 0 0 0; 0 1 0 0; 0 0 1 0; 0 0 0 1])", "SetStreamSource(0, vb1, 0, 24)",
                            "SetFVF(322)", "DrawPrimitive(5, 0, 2)"));
}

TEST_F(ScenePass, TheCameraAfterGameSetUpGivesTheIdentityViewPulledBack)
{
    SetupViewProjection();
    D3DXMATRIX expected;
    D3DXMatrixIdentity(&expected);
    expected._43 = 500.0f;
    EXPECT_TRUE(SameValues(RecordedTransform(D3DTS_VIEW), expected));
    EXPECT_EQ(g_engine.camera.lookAt, D3DXVECTOR3(0.0f, 0.0f, -499.0f));

    // The projection of the 65 degree lens on the 640 x 480 screen.
    const D3DMATRIX p = RecordedTransform(D3DTS_PROJECTION);
    const float aspect = 640.0f / 480.0f;
    EXPECT_EQ(p._11, p._22 / aspect);
    EXPECT_NEAR(p._11, p._22 / 1.3333f, 1e-4f);
    const float h = (65.0f / 57.2f) * 0.5f;
    EXPECT_EQ(p._22, cosf(h) / sinf(h));
    EXPECT_EQ(p._33, 800.0f / 799.0f);
    EXPECT_EQ(p._34, 1.0f);
    EXPECT_EQ(p._43, -p._33);
    EXPECT_EQ(p._44, 0.0f);
}

TEST_F(ScenePass, UpTurnsOverBetween90And270DegreesOfPitchAsStored)
{
    ExpectViewWithUp(89.9f, 1.0f);
    ExpectViewWithUp(90.0f, -1.0f);
    ExpectViewWithUp(269.9f, -1.0f);
    ExpectViewWithUp(270.0f, 1.0f);
    ExpectViewWithUp(-180.0f, -1.0f);
    ExpectViewWithUp(-90.0f, -1.0f);
    ExpectViewWithUp(450.0f, 1.0f);  // not reduced modulo 360
}

TEST_F(ScenePass, FacingTurnsAboutXThenYThenZ)
{
    g_engine.camera.angles = D3DXVECTOR3(0.0f, 90.0f, 90.0f);
    SetupViewProjection();
    const D3DXVECTOR3 d = g_engine.camera.lookAt - g_engine.camera.position;
    EXPECT_NEAR(d.x, -0.003f, 5e-4f);
    EXPECT_NEAR(d.y, 1.0f, 1e-5f);
    EXPECT_NEAR(d.z, -0.003f, 5e-4f);

    // MoveForward's rotation goes nearly the same way (3.14 there, 57.2 here).
    D3DXVECTOR3 r;
    RotateVector(&r, D3DXVECTOR3(0.0f, 0.0f, 1.0f), g_engine.camera.angles);
    EXPECT_NEAR(r.x, d.x, 0.01f);
    EXPECT_NEAR(r.y, d.y, 0.01f);
    EXPECT_NEAR(r.z, d.z, 0.01f);
}

TEST_F(ScenePass, FollowModeLooksAtTheHeldPointWithZUpThenOverwritesIt)
{
    CCamera& camera = g_engine.camera;
    camera.followTarget = 1;
    camera.position = D3DXVECTOR3(0.0f, -300.0f, -300.0f);
    camera.lookAt = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    SetupViewProjection();

    const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f), zUp(0.0f, 0.0f, 1.0f);
    D3DXMATRIX expected;
    D3DXMatrixLookAtLH(&expected, &camera.position, &origin, &zUp);
    const D3DXMATRIX view = RecordedTransform(D3DTS_VIEW);
    EXPECT_TRUE(SameValues(view, expected));
    D3DXVECTOR3 seen;
    D3DXVec3TransformCoord(&seen, &origin, &view);  // the origin lies straight ahead
    EXPECT_NEAR(seen.x, 0.0f, 1e-3f);
    EXPECT_NEAR(seen.y, 0.0f, 1e-3f);
    EXPECT_NEAR(seen.z, 424.264f, 1e-2f);
    EXPECT_EQ(camera.lookAt, D3DXVECTOR3(0.0f, -300.0f, -299.0f));

    // The next frame looks at what the last one wrote.
    device_.CallLog::Clear();
    SetupViewProjection();
    const D3DXVECTOR3 ahead(0.0f, -300.0f, -299.0f);
    D3DXMatrixLookAtLH(&expected, &camera.position, &ahead, &zUp);
    EXPECT_TRUE(SameValues(RecordedTransform(D3DTS_VIEW), expected));
}

TEST_F(ScenePass, ADegenerateLensHandsOverTheIdentityNotGarbage)
{
    g_engine.camera.fov = 0.0f;
    SetupViewProjection();
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_TRUE(SameValues(RecordedTransform(D3DTS_PROJECTION), identity));
}
