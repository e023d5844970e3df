// Set-up and the scene pass on the real device: the ground quad must come out where the camera
// after game set-up sees it, while a recording device in front of it keeps the calls.
#include "render/scene_pass.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include <qv_d3d9.h>
#include <qv_win32.h>

#include "app/engine.h"
#include "render/device.h"
#include "support/recording_device.h"

namespace {

namespace fs = std::filesystem;

// A 4 x 4 DDS, every texel opaque white, so the quad shows its own vertex colour.
void WriteWhiteTexture(const fs::path& path)
{
    fs::create_directories(path.parent_path());
    uint32_t header[32] = {0x20534444, 124, 0x100F, 4, 4, 16};
    header[19] = 32;
    header[20] = 0x41;
    header[22] = 32;
    header[23] = 0x00FF0000;
    header[24] = 0x0000FF00;
    header[25] = 0x000000FF;
    header[26] = 0xFF000000;
    header[27] = 0x1000;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    const std::vector<uint32_t> white(16, 0xFFFFFFFF);
    out.write(reinterpret_cast<const char*>(white.data()), 64);
}

int Channel(DWORD c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

}  // namespace

TEST(ScenePassOnTheDevice, TheGroundQuadShowsInTheMiddleOfTheFrame)
{
    const fs::path oldDir = fs::current_path();
    const fs::path dir = fs::temp_directory_path() / "qv-scene-pass-gl";
    fs::remove_all(dir);
    WriteWhiteTexture(dir / "Models" / "fontN.dds");
    fs::current_path(dir);
    QvSetMessageBoxMode(QvMessageBoxMode::NonModal);
    QvSetPresentIntervalOverride(0);

    const CCamera savedCamera = g_engine.camera;
    g_engine.camera.position = D3DXVECTOR3(0.0f, 0.0f, -500.0f);
    g_engine.camera.angles = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    g_hWnd = NULL;
    const HRESULT setUp = g_engine.InitD3D();
    fs::current_path(oldDir);
    fs::remove_all(dir);
    ASSERT_EQ(setUp, S_OK);
    IDirect3DDevice9* real = g_pd3dDevice;

    RecordingDevice recorder;
    recorder.ForwardTo(real);
    g_pd3dDevice = &recorder;
    real->SetRenderState(D3DRS_LIGHTING, FALSE);  // the vertex colour as it is
    real->Clear(0, NULL, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    real->BeginScene();
    DrawScenePass();
    real->EndScene();
    real->Present(NULL, NULL, NULL, NULL);
    g_pd3dDevice = real;

    EXPECT_EQ(recorder.Names().back(), "DrawPrimitive");
    EXPECT_EQ(recorder.Count("SetTransform"), 3u);

    UINT width = 0, height = 0;
    ASSERT_EQ(QvReadBackBuffer(real, QV_BACKBUFFER_PRESENTED, NULL, 0, &width, &height), S_OK);
    ASSERT_EQ(width, 640u);
    ASSERT_EQ(height, 480u);
    std::vector<DWORD> pixels(width * height);
    ASSERT_EQ(QvReadBackBuffer(real, QV_BACKBUFFER_PRESENTED, pixels.data(), static_cast<UINT>(pixels.size()),
                               &width, &height),
              S_OK);
    // 100 units at 500 through the 65 degree lens: about 76 pixels across, centred.
    for (auto [x, y] : {std::pair{320, 240}, {295, 215}, {345, 265}}) {
        const DWORD c = pixels[y * width + x];
        EXPECT_LE(Channel(c, 16), 8) << x << "," << y;
        EXPECT_GE(Channel(c, 8), 247) << x << "," << y;
        EXPECT_GE(Channel(c, 0), 247) << x << "," << y;
    }
    for (auto [x, y] : {std::pair{0, 0}, {370, 240}, {320, 290}, {639, 479}})
        EXPECT_EQ(pixels[y * width + x] & 0xFFFFFF, 0u) << x << "," << y;

    g_pGroundTexture->Release();
    g_pGroundVB->Release();
    real->Release();
    g_pD3D->Release();
    g_pGroundTexture = NULL;
    g_pGroundVB = NULL;
    g_pd3dDevice = NULL;
    g_pD3D = NULL;
    g_engine.camera.position = savedCamera.position;
    g_engine.camera.angles = savedCamera.angles;
    g_engine.camera.lookAt = savedCamera.lookAt;
    QvSetPresentIntervalOverride(-1);
}
