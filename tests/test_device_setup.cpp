// Device set-up against a recording Direct3D: the calls in order, the vertex-processing fallback
// chain, and every failure road with the message it shows.
#include "render/device.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <qv_win32.h>

#include "app/engine.h"
#include "app/timer.h"
#include "support/recording_device.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

namespace fs = std::filesystem;

using Message = std::pair<std::string, std::string>;  // caption, text

// A 4 x 4 DDS of 32-bit ARGB pixels: the smallest ground texture the loader takes.
void WriteGroundTexture(const fs::path& path)
{
    fs::create_directories(path.parent_path());
    uint32_t header[32] = {};
    header[0] = 0x20534444;  // "DDS "
    header[1] = 124;         // header size
    header[2] = 0x100F;      // caps, height, width, pitch, pixel format
    header[3] = 4;           // height
    header[4] = 4;           // width
    header[5] = 16;          // pitch
    header[19] = 32;         // pixel format size
    header[20] = 0x41;       // RGB with alpha
    header[22] = 32;         // bits per pixel
    header[23] = 0x00FF0000;
    header[24] = 0x0000FF00;
    header[25] = 0x000000FF;
    header[26] = 0xFF000000;
    header[27] = 0x1000;  // a texture
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    std::vector<uint32_t> pixels(16, 0xFF808080);
    out.write(reinterpret_cast<const char*>(pixels.data()), 64);
}

RecordingDirect3D* s_d3d = nullptr;
UINT s_sdkVersion = 0;

IDirect3D9* WINAPI RecordingCreate9(UINT sdkVersion)
{
    s_sdkVersion = sdkVersion;
    return s_d3d;
}

const HWND kWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x5150));

class DeviceSetup : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = {g_pD3D, g_pd3dDevice, g_pGroundVB, g_pGroundTexture, g_pfnDirect3DCreate9, g_hWnd};
        g_pD3D = NULL;
        g_pd3dDevice = NULL;
        g_pGroundVB = NULL;
        g_pGroundTexture = NULL;
        g_hWnd = kWindow;
        s_d3d = &d3d_;
        s_sdkVersion = 0;
        g_pfnDirect3DCreate9 = RecordingCreate9;
        QvSetMessageBoxMode(QvMessageBoxMode::NonModal);
        QvSetMessageBoxObserver([this](const char* caption, const char* text) {
            messages_.emplace_back(caption, text);
        });

        oldDir_ = fs::current_path();
        dir_ = fs::temp_directory_path() /
               ("qv-device-setup-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
        WriteGroundTexture(dir_ / "Models" / "fontN.dds");
    }

    void TearDown() override
    {
        QvSetMessageBoxObserver({});
        fs::current_path(oldDir_);
        fs::remove_all(dir_);
        std::tie(g_pD3D, g_pd3dDevice, g_pGroundVB, g_pGroundTexture, g_pfnDirect3DCreate9, g_hWnd) = saved_;
        s_d3d = nullptr;
    }

    // The flags of each CreateDevice attempt, in order.
    std::vector<uint64_t> Attempts() const
    {
        std::vector<uint64_t> flags;
        for (const RecordedCall& c : device_.Calls("D3D.CreateDevice")) flags.push_back(c.u(3));
        return flags;
    }

    CD3DEngine engine_;
    RecordingDevice device_;
    RecordingDirect3D d3d_{&device_, &device_};
    std::vector<Message> messages_;
    fs::path dir_, oldDir_;
    std::tuple<LPDIRECT3D9, LPDIRECT3DDEVICE9, LPDIRECT3DVERTEXBUFFER9, LPDIRECT3DTEXTURE9,
               PFN_DIRECT3DCREATE9, HWND>
        saved_;
};

}  // namespace

TEST_F(DeviceSetup, MakesTheDeviceStatesTimerGroundBufferAndTextureInOrder)
{
    QvFakeClock clock;
    clock.counter = 7000000;
    clock.tickCount = 7000;
    clock.multimediaTime = 7000;
    QvSetFakeClock(&clock);
    EngineTimerForget();
    const HRESULT hr = engine_.InitD3D();
    // Half a second after set-up: the timer was started inside it.
    clock.counter += 500000;
    clock.tickCount += 500;
    clock.multimediaTime += 500;
    const FLOAT elapsed = EngineTimer(TIMER_GETELAPSEDTIME);
    QvSetFakeClock(nullptr);
    EngineTimerForget();

    ASSERT_EQ(hr, S_OK);
    EXPECT_THAT(messages_, IsEmpty());
    EXPECT_EQ(s_sdkVersion, 32u);
    EXPECT_EQ(g_pD3D, &d3d_);
    EXPECT_EQ(g_pd3dDevice, &device_);
    EXPECT_NEAR(elapsed, 0.5f, 1e-3f);

    std::vector<std::string> lines = device_.Lines();
    ASSERT_GE(lines.size(), 7u);
    lines.resize(7);
    EXPECT_THAT(lines, ElementsAre("D3D.CreateDevice(0, 1, ptr, 64, ptr) -> device", "SetRenderState(7, 1)",
                                   "SetRenderState(139, 4294967295)", "SetRenderState(22, 3)",
                                   "CreateVertexBuffer(96, 8, 322, 0, null) -> vb1", "VB.Lock(vb1, 0, 96, 0)",
                                   "VB.Unlock(vb1)"));
    EXPECT_EQ(device_.calls()[0].p(2), kWindow);

    // The ground texture is loaded after the buffer, into the texture the loader made.
    ASSERT_EQ(device_.Count("CreateTexture"), 1u);
    EXPECT_EQ(device_.Calls("CreateTexture")[0].out, "tex1");
    EXPECT_EQ(g_pGroundTexture, device_.Texture("tex1"));

    FakeVertexBuffer* vb = device_.VertexBuffer("vb1");
    ASSERT_NE(vb, nullptr);
    EXPECT_EQ(g_pGroundVB, vb);
    ASSERT_EQ(vb->bytes.size(), 96u);
    EXPECT_EQ(0, std::memcmp(vb->bytes.data(), g_groundVertices, 96));
    // Vertex 1 as bytes: (50, 50, 0), opaque cyan, (0.3, 0.2) as single floats.
    GroundVertex v1;
    std::memcpy(&v1, vb->bytes.data() + 24, 24);
    EXPECT_EQ(v1.x, 50.0f);
    EXPECT_EQ(v1.y, 50.0f);
    EXPECT_EQ(v1.z, 0.0f);
    EXPECT_EQ(v1.color, 0xFF00FFFFu);
    EXPECT_EQ(v1.u, 0.3f);
    EXPECT_EQ(v1.v, 0.2f);
    EXPECT_EQ(g_groundVertices[2].x, -50.0f);
    EXPECT_EQ(g_groundVertices[2].y, -50.0f);
    EXPECT_EQ(g_groundVertices[3].v, 0.3f);
}

TEST_F(DeviceSetup, PresentationParametersFollowTheScreenSettings)
{
    ASSERT_EQ(engine_.InitD3D(), S_OK);
    ASSERT_EQ(d3d_.presentParameters.size(), 1u);
    const D3DPRESENT_PARAMETERS& pp = d3d_.presentParameters[0];
    EXPECT_EQ(pp.BackBufferWidth, 640u);
    EXPECT_EQ(pp.BackBufferHeight, 480u);
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(pp.BackBufferCount, 2u);
    EXPECT_EQ(pp.MultiSampleType, D3DMULTISAMPLE_NONE);
    EXPECT_EQ(pp.MultiSampleQuality, 0u);
    EXPECT_EQ(pp.SwapEffect, D3DSWAPEFFECT_FLIP);
    EXPECT_EQ(pp.hDeviceWindow, nullptr);
    EXPECT_EQ(pp.Windowed, TRUE);
    EXPECT_EQ(pp.EnableAutoDepthStencil, TRUE);
    EXPECT_EQ(pp.AutoDepthStencilFormat, D3DFMT_D16);
    EXPECT_EQ(pp.Flags, 0u);
    EXPECT_EQ(pp.FullScreen_RefreshRateInHz, 0u);
    EXPECT_EQ(pp.PresentationInterval, 1u);

    // Full screen: not windowed, and the refresh rate goes along.
    engine_.screen.fullScreen = true;
    engine_.screen.refreshRate = 75;
    d3d_.presentParameters.clear();
    ASSERT_EQ(engine_.InitD3D(), S_OK);
    ASSERT_EQ(d3d_.presentParameters.size(), 1u);
    EXPECT_EQ(d3d_.presentParameters[0].Windowed, FALSE);
    EXPECT_EQ(d3d_.presentParameters[0].FullScreen_RefreshRateInHz, 75u);
}

TEST_F(DeviceSetup, FallsBackFromHardwareToMixedToSoftwareVertexProcessing)
{
    const std::vector<uint64_t> chain = {64, 128, 32};
    for (int failures = 0; failures <= 3; ++failures) {
        SCOPED_TRACE(failures);
        device_.CallLog::Clear();
        messages_.clear();
        g_pd3dDevice = NULL;
        device_.Fail("D3D.CreateDevice", D3DERR_NOTAVAILABLE, failures);
        if (failures == 0) device_.Succeed("D3D.CreateDevice");

        const HRESULT hr = engine_.InitD3D();
        const size_t attempts = failures < 3 ? failures + 1 : 3;
        EXPECT_EQ(Attempts(), std::vector<uint64_t>(chain.begin(), chain.begin() + attempts));
        if (failures < 3) {
            EXPECT_EQ(hr, S_OK);
            EXPECT_THAT(messages_, IsEmpty());
            EXPECT_EQ(g_pd3dDevice, &device_);
            EXPECT_EQ(device_.Count("SetRenderState"), 3u);
        } else {
            EXPECT_EQ(hr, E_FAIL);
            EXPECT_THAT(messages_, ElementsAre(Message("fail!ENGINE", "D3D9 Device not found")));
            EXPECT_EQ(device_.calls().size(), 3u);  // nothing after the last attempt
        }
    }
}

TEST_F(DeviceSetup, NoDirect3DObjectEndsSetUpWithItsMessage)
{
    s_d3d = nullptr;
    EXPECT_EQ(engine_.InitD3D(), E_FAIL);
    EXPECT_THAT(messages_, ElementsAre(Message("fail!ENGINE", "D3D9 Create Failed")));
    EXPECT_EQ(s_sdkVersion, 32u);
    EXPECT_THAT(device_.calls(), IsEmpty());
}

TEST_F(DeviceSetup, AGroundBufferThatCannotBeMadeOrLockedEndsSetUpWithAMessage)
{
    device_.Fail("CreateVertexBuffer");
    EXPECT_EQ(engine_.InitD3D(), E_FAIL);
    EXPECT_THAT(messages_, ElementsAre(Message("fail!ENGINE", "Could not create the ground vertex buffer")));
    EXPECT_EQ(device_.Count("VB.Lock"), 0u);  // there is no buffer to lock
    EXPECT_EQ(device_.Count("CreateTexture"), 0u);
    EXPECT_EQ(device_.Names().back(), "CreateVertexBuffer");

    device_.Succeed("CreateVertexBuffer");
    device_.CallLog::Clear();
    messages_.clear();
    device_.Fail("VB.Lock");
    EXPECT_EQ(engine_.InitD3D(), E_FAIL);
    EXPECT_THAT(messages_, ElementsAre(Message("fail!ENGINE", "Could not lock the ground vertex buffer")));
    EXPECT_EQ(device_.Names().back(), "VB.Lock");  // no Unlock, no texture
}

TEST_F(DeviceSetup, AMissingOrUnreadableGroundTextureEndsSetUpNamingThePath)
{
    const std::string text = "Could not load the ground texture Models/fontN.dds";
    fs::remove(dir_ / "Models" / "fontN.dds");
    EXPECT_EQ(engine_.InitD3D(), E_FAIL);
    EXPECT_THAT(messages_, ElementsAre(Message("fail!ENGINE", text)));
    EXPECT_EQ(device_.Count("CreateTexture"), 0u);
    EXPECT_EQ(device_.Count("VB.Unlock"), 1u);  // the quad itself was made

    messages_.clear();
    std::ofstream(dir_ / "Models" / "fontN.dds", std::ios::binary) << "DDS not really";
    EXPECT_EQ(engine_.InitD3D(), E_FAIL);
    EXPECT_THAT(messages_, ElementsAre(Message("fail!ENGINE", text)));
}
