// The recording device is what every sequence test leans on, so its own promises are checked
// here: order and arguments kept exactly, knobs that fail calls, and fakes that behave.
#include "support/recording_device.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

using ::testing::ElementsAre;

TEST(RecordingDevice, KeepsCallsInOrderWithExactArguments)
{
    RecordingDevice dev;
    D3DMATRIX m{};
    m._11 = 0.1f;
    m._43 = -1e-30f;
    m._44 = 1.0f;
    dev.SetRenderState(D3DRS_ZENABLE, 1);
    dev.SetTransform(D3DTS_WORLD, &m);
    dev.Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    dev.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -3, 0, 4, 0, 2);

    EXPECT_THAT(dev.Names(), ElementsAre("SetRenderState", "SetTransform", "Clear", "DrawIndexedPrimitive"));
    EXPECT_THAT(dev.Lines(),
                ElementsAre("SetRenderState(7, 1)",
                            "SetTransform(256, [0.100000001 0 0 0; 0 0 0 0; 0 0 0 0; 0 0 -1e-30 1])",
                            "Clear(0, null, 1, 4278255360, 1, 0)", "DrawIndexedPrimitive(4, -3, 0, 4, 0, 2)"));
    const RecordedCall& t = dev.calls()[1];
    EXPECT_EQ(0, std::memcmp(&t.matrix, &m, sizeof m));  // bit for bit, not merely close
    EXPECT_EQ(dev.calls()[3].s(1), -3);
    EXPECT_EQ(dev.calls()[2].f(4), 1.0f);
    EXPECT_EQ(dev.RenderState(D3DRS_ZENABLE), 1u);
    EXPECT_EQ(dev.Transform(D3DTS_WORLD)._11, 0.1f);

    dev.Clear();
    EXPECT_TRUE(dev.calls().empty());
}

TEST(RecordingDevice, FailsChosenCallsForeverOrAFewTimes)
{
    RecordingDevice dev;
    dev.Fail("CreateVertexBuffer");
    dev.Fail("GetRenderTarget", D3DERR_NOTAVAILABLE, 1);

    IDirect3DVertexBuffer9* vb = reinterpret_cast<IDirect3DVertexBuffer9*>(&dev);  // garbage to be cleared
    EXPECT_EQ(dev.CreateVertexBuffer(96, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr), E_FAIL);
    EXPECT_EQ(vb, nullptr);
    EXPECT_EQ(dev.CreateVertexBuffer(96, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr), E_FAIL);

    IDirect3DSurface9* rt = nullptr;
    EXPECT_EQ(dev.GetRenderTarget(0, &rt), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(rt, nullptr);
    EXPECT_EQ(dev.GetRenderTarget(0, &rt), S_OK);
    ASSERT_NE(rt, nullptr);
    EXPECT_EQ(dev.calls()[2].result, D3DERR_NOTAVAILABLE);
    EXPECT_EQ(dev.calls()[3].out, "surf1");

    dev.Succeed("CreateVertexBuffer");
    EXPECT_EQ(dev.CreateVertexBuffer(96, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr), S_OK);
    EXPECT_EQ(dev.calls().back().ToString(), "CreateVertexBuffer(96, 0, 0, 0, null) -> vb1");
}

TEST(RecordingDevice, BuffersHoldWhatIsWrittenAndRefuseLocksPastTheirEnd)
{
    RecordingDevice dev;
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(dev.CreateVertexBuffer(96, D3DUSAGE_WRITEONLY, 0x142, D3DPOOL_DEFAULT, &vb, nullptr), S_OK);
    void* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &p, 0), S_OK);  // 0 means the whole buffer
    std::memset(p, 0xAB, 96);
    EXPECT_EQ(vb->Unlock(), S_OK);
    EXPECT_EQ(vb->Lock(90, 8, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(vb->Lock(97, 0, &p, 0), D3DERR_INVALIDCALL);

    FakeVertexBuffer* fake = dev.VertexBuffer("vb1");
    ASSERT_NE(fake, nullptr);
    EXPECT_EQ(fake->bytes.size(), 96u);
    EXPECT_EQ(fake->bytes[95], 0xAB);
    EXPECT_EQ(fake->desc.FVF, 0x142u);
    EXPECT_EQ(dev.calls()[1].ToString(), "VB.Lock(vb1, 0, 0, 0)");

    dev.Fail("VB.Lock", E_FAIL, 1);
    EXPECT_EQ(vb->Lock(0, 96, &p, 0), E_FAIL);

    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(dev.CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), S_OK);
    ASSERT_EQ(ib->Lock(4, 8, &p, 0), S_OK);
    EXPECT_EQ(static_cast<BYTE*>(p) - dev.IndexBuffer("ib1")->bytes.data(), 4);
}

TEST(RecordingDevice, TexturesLockWithThePitchOfTheirFormatAndLevel)
{
    RecordingDevice dev;
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(dev.CreateTexture(256, 64, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), S_OK);
    EXPECT_EQ(tex->GetLevelCount(), 9u);  // 256 down to 1
    D3DLOCKED_RECT lr{};
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), S_OK);
    EXPECT_EQ(lr.Pitch, 1024);
    static_cast<BYTE*>(lr.pBits)[1024 * 64 - 1] = 1;  // the last byte is there
    ASSERT_EQ(tex->LockRect(2, &lr, nullptr, 0), S_OK);
    EXPECT_EQ(lr.Pitch, 256);
    D3DSURFACE_DESC d{};
    ASSERT_EQ(tex->GetLevelDesc(2, &d), S_OK);
    EXPECT_EQ(d.Width, 64u);
    EXPECT_EQ(d.Height, 16u);
    EXPECT_EQ(tex->LockRect(9, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    RECT outside{0, 0, 257, 1};
    EXPECT_EQ(tex->LockRect(0, &lr, &outside, 0), D3DERR_INVALIDCALL);

    IDirect3DTexture9* dxt = nullptr;
    ASSERT_EQ(dev.CreateTexture(16, 16, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &dxt, nullptr), S_OK);
    ASSERT_EQ(dxt->LockRect(0, &lr, nullptr, 0), S_OK);
    EXPECT_EQ(lr.Pitch, 32);  // four blocks of eight bytes

    dev.caps.MaxTextureWidth = 128;
    EXPECT_EQ(dev.CreateTexture(256, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr),
              D3DERR_INVALIDCALL);
}

TEST(RecordingDevice, CountsReferencesAndFreesAtZero)
{
    RecordingDevice dev;
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(dev.CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), S_OK);
    EXPECT_EQ(tex->AddRef(), 2u);
    EXPECT_EQ(tex->Release(), 1u);
    IDirect3DDevice9* owner = nullptr;
    ASSERT_EQ(tex->GetDevice(&owner), S_OK);
    EXPECT_EQ(owner, &dev);
    EXPECT_EQ(dev.refs(), 2u);
    EXPECT_EQ(tex->Release(), 0u);
    EXPECT_EQ(dev.Texture("tex1"), nullptr);  // freed; ASan would catch a later use
    EXPECT_EQ(dev.calls().back().name, "Tex.Release");
}

TEST(RecordingDevice, ReportsTheChosenFormatsCapsAndDisplayMode)
{
    RecordingDevice dev;
    dev.renderTargetFormat = D3DFMT_R5G6B5;
    dev.caps.MaxTextureWidth = 512;
    dev.direct3D().checkFormatResults[D3DFMT_A8R8G8B8] = D3DERR_NOTAVAILABLE;

    IDirect3DSurface9* rt = nullptr;
    ASSERT_EQ(dev.GetRenderTarget(0, &rt), S_OK);
    D3DSURFACE_DESC d{};
    ASSERT_EQ(rt->GetDesc(&d), S_OK);
    EXPECT_EQ(d.Format, D3DFMT_R5G6B5);
    D3DCAPS9 caps{};
    ASSERT_EQ(dev.GetDeviceCaps(&caps), S_OK);
    EXPECT_EQ(caps.MaxTextureWidth, 512u);
    IDirect3D9* d3d = nullptr;
    ASSERT_EQ(dev.GetDirect3D(&d3d), S_OK);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_A4R4G4B4),
              S_OK);
    EXPECT_EQ(dev.calls().back().ToString(), "D3D.CheckDeviceFormat(0, 1, 22, 0, 3, 26)");
}

TEST(RecordingDirect3D, CreateDeviceFailsTheChosenNumberOfAttemptsThenHandsOutTheDevice)
{
    RecordingDevice dev;
    RecordingDirect3D d3d(&dev, &dev);
    d3d.log().Fail("D3D.CreateDevice", D3DERR_NOTAVAILABLE, 2);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = 640;
    IDirect3DDevice9* out = nullptr;
    EXPECT_EQ(d3d.CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 64, &pp, &out), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d.CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 128, &pp, &out), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(d3d.CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 32, &pp, &out), S_OK);
    EXPECT_EQ(out, &dev);
    EXPECT_EQ(dev.refs(), 2u);
    EXPECT_EQ(dev.calls().back().ToString(), "D3D.CreateDevice(0, 1, null, 32, ptr) -> device");
    ASSERT_EQ(d3d.presentParameters.size(), 3u);
    EXPECT_EQ(d3d.presentParameters[2].BackBufferWidth, 640u);
}

TEST(RecordingDevice, StateBlocksKeepTheStateCallsMadeWhileRecording)
{
    RecordingDevice dev;
    ASSERT_EQ(dev.BeginStateBlock(), S_OK);
    EXPECT_EQ(dev.BeginStateBlock(), D3DERR_INVALIDCALL);  // no nesting
    dev.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    IDirect3DStateBlock9* sb = nullptr;
    ASSERT_EQ(dev.EndStateBlock(&sb), S_OK);
    auto* fake = dev.Find<FakeStateBlock>("sb1");
    ASSERT_NE(fake, nullptr);
    ASSERT_EQ(fake->recorded.size(), 2u);
    EXPECT_EQ(fake->recorded[1].ToString(), "SetTextureStageState(0, 1, 4)");
    EXPECT_EQ(dev.EndStateBlock(&sb), D3DERR_INVALIDCALL);
    EXPECT_EQ(sb, nullptr);
}
