// The device as an object: D3D9's default states, state blocks, device creation and its
// fallback chain, presentation and read-back.
#include "test_d3d9_support.h"

#include <qv_win32.h>
#include <windows.h>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <cstdio>
#include <string>

using namespace d3d9test;

namespace {

using D3D9DeviceState = DeviceTest;

TEST_F(D3D9DeviceState, StartsWithD3D9Defaults)
{
    const std::pair<D3DRENDERSTATETYPE, DWORD> expected[] = {
        {D3DRS_ZENABLE, D3DZB_TRUE}, // auto depth stencil asked for
        {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
        {D3DRS_ZWRITEENABLE, TRUE},
        {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_LIGHTING, TRUE},
        {D3DRS_COLORVERTEX, TRUE},
        {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
        {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
        {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
        {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL},
        {D3DRS_ALPHAREF, 0},
        {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
        {D3DRS_SRCBLEND, D3DBLEND_ONE},
        {D3DRS_DESTBLEND, D3DBLEND_ZERO},
        {D3DRS_AMBIENT, 0},
        {D3DRS_SPECULARENABLE, FALSE},
        {D3DRS_NORMALIZENORMALS, FALSE},
        {D3DRS_LOCALVIEWER, TRUE},
        {D3DRS_COLORWRITEENABLE, 0xF},
        {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF},
        {D3DRS_FILLMODE, D3DFILL_SOLID},
        {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
    };
    for (const auto& e : expected) {
        DWORD v = 0xDEAD;
        ASSERT_EQ(device->GetRenderState(e.first, &v), D3D_OK);
        EXPECT_EQ(v, e.second) << "render state " << e.first;
    }
    DWORD v = 0;
    device->GetTextureStageState(0, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, DWORD(D3DTOP_MODULATE));
    device->GetTextureStageState(0, D3DTSS_ALPHAOP, &v);
    EXPECT_EQ(v, DWORD(D3DTOP_SELECTARG1));
    device->GetTextureStageState(0, D3DTSS_COLORARG1, &v);
    EXPECT_EQ(v, DWORD(D3DTA_TEXTURE));
    device->GetTextureStageState(0, D3DTSS_COLORARG2, &v);
    EXPECT_EQ(v, DWORD(D3DTA_CURRENT));
    for (DWORD stage = 1; stage < 8; ++stage) {
        device->GetTextureStageState(stage, D3DTSS_COLOROP, &v);
        EXPECT_EQ(v, DWORD(D3DTOP_DISABLE));
        device->GetTextureStageState(stage, D3DTSS_TEXCOORDINDEX, &v);
        EXPECT_EQ(v, stage);
    }
    device->GetSamplerState(0, D3DSAMP_MINFILTER, &v);
    EXPECT_EQ(v, DWORD(D3DTEXF_POINT));
    device->GetSamplerState(0, D3DSAMP_MIPFILTER, &v);
    EXPECT_EQ(v, DWORD(D3DTEXF_NONE));
    device->GetSamplerState(0, D3DSAMP_ADDRESSU, &v);
    EXPECT_EQ(v, DWORD(D3DTADDRESS_WRAP));
    D3DMATRIX m{};
    device->GetTransform(D3DTS_TEXTURE3, &m);
    const D3DMATRIX id = Identity();
    EXPECT_EQ(std::memcmp(&m, &id, sizeof m), 0);
    EXPECT_EQ(device->SetRenderState(D3DRENDERSTATETYPE(4096), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTextureStageState(8, D3DTSS_COLOROP, 1), D3DERR_INVALIDCALL);
}

TEST_F(D3D9DeviceState, StateBlockRecordsWithoutApplyingAndReplaysOnApply)
{
    IDirect3DTexture9* t = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
    ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
    EXPECT_EQ(device->BeginStateBlock(), D3DERR_INVALIDCALL);
    device->SetTexture(0, t);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHAREF, 8);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    IDirect3DStateBlock9* block = nullptr;
    ASSERT_EQ(device->EndStateBlock(&block), D3D_OK);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(device->EndStateBlock(&block), D3DERR_INVALIDCALL);

    // Nothing reached the device while recording.
    DWORD v = 0;
    device->GetRenderState(D3DRS_ZENABLE, &v);
    EXPECT_EQ(v, DWORD(D3DZB_TRUE));
    device->GetRenderState(D3DRS_ALPHAREF, &v);
    EXPECT_EQ(v, 0u);
    IDirect3DBaseTexture9* bound = nullptr;
    device->GetTexture(0, &bound);
    EXPECT_EQ(bound, nullptr);
    EXPECT_EQ(t->AddRef(), 3u) << "the block holds the texture";
    t->Release();

    ASSERT_EQ(block->Apply(), D3D_OK);
    device->GetRenderState(D3DRS_ZENABLE, &v);
    EXPECT_EQ(v, DWORD(D3DZB_FALSE));
    device->GetRenderState(D3DRS_ALPHAREF, &v);
    EXPECT_EQ(v, 8u);
    device->GetTextureStageState(0, D3DTSS_ALPHAOP, &v);
    EXPECT_EQ(v, DWORD(D3DTOP_MODULATE));
    device->GetSamplerState(0, D3DSAMP_MINFILTER, &v);
    EXPECT_EQ(v, DWORD(D3DTEXF_LINEAR));
    device->GetTexture(0, &bound);
    EXPECT_EQ(bound, t);
    bound->Release();
    device->GetRenderState(D3DRS_CULLMODE, &v);
    EXPECT_EQ(v, DWORD(D3DCULL_CCW)) << "states not recorded stay as they were";

    // Capture refreshes only what the block recorded.
    device->SetRenderState(D3DRS_ALPHAREF, 99);
    ASSERT_EQ(block->Capture(), D3D_OK);
    device->SetRenderState(D3DRS_ALPHAREF, 1);
    block->Apply();
    device->GetRenderState(D3DRS_ALPHAREF, &v);
    EXPECT_EQ(v, 99u);

    IDirect3DDevice9* owner = nullptr;
    ASSERT_EQ(block->GetDevice(&owner), D3D_OK);
    EXPECT_EQ(owner, device);
    owner->Release();
    EXPECT_EQ(block->Release(), 0u);
    device->SetTexture(0, nullptr);
    EXPECT_EQ(t->Release(), 0u);
}

TEST_F(D3D9DeviceState, AppliedStateBlockDrawsWithItsSettings)
{
    device->BeginStateBlock();
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF00FF00);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    IDirect3DStateBlock9* block = nullptr;
    device->EndStateBlock(&block);
    const VertexRHW q[4] = {{-0.5f, -0.5f, 0.5f, 1, 0xFFFF0000}, {63.5f, -0.5f, 0.5f, 1, 0xFFFF0000},
                            {-0.5f, 63.5f, 0.5f, 1, 0xFFFF0000}, {63.5f, 63.5f, 0.5f, 1, 0xFFFF0000}};
    device->BeginScene();
    DrawStrip(q, kFvfRHW);
    EXPECT_EQ(PixelAt(5, 5), 0xFFFF0000u);
    block->Apply();
    DrawStrip(q, kFvfRHW);
    EXPECT_EQ(PixelAt(5, 5), 0xFF00FF00u);
    device->EndScene();
    block->Release();
}

TEST_F(D3D9DeviceState, EachFixedFunctionStateIsCompiledOnce)
{
    const VertexRHW q[4] = {{-0.5f, -0.5f, 0.5f, 1, 0xFFFF0000}, {63.5f, -0.5f, 0.5f, 1, 0xFFFF0000},
                            {-0.5f, 63.5f, 0.5f, 1, 0xFFFF0000}, {63.5f, 63.5f, 0.5f, 1, 0xFFFF0000}};
    QvDeviceStats stats{};
    device->BeginScene();
    for (int pass = 0; pass < 2; ++pass) {
        device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
        DrawStrip(q, kFvfRHW);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        device->SetRenderState(D3DRS_ALPHAREF, DWORD(8 + pass)); // a uniform, not a new program
        DrawStrip(q, kFvfRHW);
    }
    device->EndScene();
    ASSERT_EQ(QvGetDeviceStats(device, &stats), D3D_OK);
    EXPECT_EQ(stats.programsCompiled, 2u);
    EXPECT_EQ(stats.programsCached, 2u);
    EXPECT_EQ(stats.draws, 4u);
}

TEST_F(D3D9DeviceState, PresentShowsTheBackBufferAndKeepsItForReadBack)
{
    DWORD px[kW * kH];
    UINT w = 0, h = 0;
    EXPECT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_PRESENTED, px, kW * kH, &w, &h), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_CURRENT, px, 10, &w, &h), D3DERR_MOREDATA);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF112233, 1.0f, 0);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF445566, 1.0f, 0);
    ASSERT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_PRESENTED, px, kW * kH, &w, &h), D3D_OK);
    EXPECT_EQ(w, kW);
    EXPECT_EQ(h, kH);
    EXPECT_EQ(px[0], 0xFF112233u);
    ASSERT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_CURRENT, px, kW * kH, &w, &h), D3D_OK);
    EXPECT_EQ(px[kW * kH - 1], 0xFF445566u);

    // RGBA by default, RGB on request; the header's colour type (byte 25) tells them apart.
    const std::string path = ::testing::TempDir() + "qv_d3d9_present.png";
    for (int channels : {4, 3}) {
        ASSERT_EQ(QvSaveBackBufferPng(device, QV_BACKBUFFER_PRESENTED, path.c_str(), channels, 9), D3D_OK);
        FILE* f = std::fopen(path.c_str(), "rb");
        ASSERT_NE(f, nullptr);
        unsigned char head[26] = {};
        EXPECT_EQ(std::fread(head, 1, sizeof head, f), sizeof head);
        std::fclose(f);
        EXPECT_EQ(head[1], 'P');
        EXPECT_EQ(head[25], channels == 4 ? 6 : 2) << channels;
    }
    ASSERT_EQ(QvSaveBackBufferPng(device, QV_BACKBUFFER_PRESENTED, path.c_str()), D3D_OK);
    EXPECT_EQ(QvSaveBackBufferPng(device, QV_BACKBUFFER_PRESENTED, path.c_str(), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(QvSaveBackBufferPng(device, QV_BACKBUFFER_PRESENTED, path.c_str(), 4, 0), D3DERR_INVALIDCALL);
    std::remove(path.c_str());
}

TEST(D3D9Creation, FallsBackThroughTheThreeVertexProcessingKinds)
{
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    EXPECT_EQ(Direct3DCreate9(31), nullptr);
    D3DPRESENT_PARAMETERS pp = QvPresentParams(32, 32);
    IDirect3DDevice9* device = nullptr;
    const DWORD chain[3] = {D3DCREATE_HARDWARE_VERTEXPROCESSING, D3DCREATE_MIXED_VERTEXPROCESSING,
                            D3DCREATE_SOFTWARE_VERTEXPROCESSING};

    // Injected failures: the first two requests fail, the third one gets a device.
    QvFailNextDeviceCreations(2);
    HRESULT results[3];
    for (int i = 0; i < 3; ++i)
        results[i] = d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, chain[i], &pp, &device);
    EXPECT_EQ(results[0], D3DERR_NOTAVAILABLE);
    EXPECT_EQ(results[1], D3DERR_NOTAVAILABLE);
    ASSERT_EQ(results[2], D3D_OK);
    QvDeviceStats stats{};
    QvGetDeviceStats(device, &stats);
    EXPECT_EQ(stats.behaviorFlags, DWORD(D3DCREATE_SOFTWARE_VERTEXPROCESSING));
    const std::string renderer = stats.renderer;
    device->Release();

    // Without injection: a software rasteriser is no hardware vertex processing, and MIXED
    // takes whatever context there is.
    const bool software = renderer.find("llvmpipe") != std::string::npos ||
                          renderer.find("softpipe") != std::string::npos;
    HRESULT hw = d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, chain[0], &pp, &device);
    if (software) {
        EXPECT_EQ(hw, D3DERR_NOTAVAILABLE) << renderer;
        EXPECT_EQ(device, nullptr);
    } else if (hw == D3D_OK) {
        device->Release();
    }
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, chain[1], &pp, &device), D3D_OK);
    device->Release();

    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &pp, &device), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, chain[0] | chain[2], &pp, &device), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(1, D3DDEVTYPE_HAL, nullptr, chain[2], &pp, &device), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, reinterpret_cast<HWND>(0x1234), chain[2], &pp, &device),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->Release(), 0u);
}

// The tools' and benchmarks' one-call device: a refused device leaves no Direct3D object behind
// (the sanitizer build would report it), and the next call gets a device of the asked size.
TEST(D3D9Creation, StandaloneDeviceReleasesEverythingWhenRefused)
{
    D3DPRESENT_PARAMETERS pp = QvPresentParams(48, 32);
    IDirect3D9* d3d = reinterpret_cast<IDirect3D9*>(0x1);
    IDirect3DDevice9* device = reinterpret_cast<IDirect3DDevice9*>(0x1);
    QvFailNextDeviceCreations(1);
    EXPECT_EQ(QvCreateStandaloneDevice(&pp, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &d3d, &device), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d, nullptr);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(QvCreateStandaloneDevice(&pp, D3DCREATE_SOFTWARE_VERTEXPROCESSING, nullptr, &device),
              D3DERR_INVALIDCALL);

    ASSERT_EQ(QvCreateStandaloneDevice(&pp, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &d3d, &device), D3D_OK);
    device->Present(nullptr, nullptr, nullptr, nullptr);
    UINT w = 0, h = 0;
    EXPECT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_PRESENTED, nullptr, 0, &w, &h), D3D_OK);
    EXPECT_EQ(w, 48u);
    EXPECT_EQ(h, 32u);
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(d3d->Release(), 0u);
}

TEST(D3D9Creation, DrawsIntoAWin32WindowAndAnswersTheFormatQueries)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "QvD3D9Test";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    HWND hwnd = CreateWindowExA(0, "QvD3D9Test", "d3d9", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp = QvPresentParams(640, 480);
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, hwnd, D3DCREATE_MIXED_VERTEXPROCESSING, &pp, &device), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF00FF00, 1.0f, 0);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    // What the text set-up asks before it records its blend states.
    D3DCAPS9 caps{};
    ASSERT_EQ(device->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_GE(caps.MaxTextureWidth, 2048u);
    D3DDISPLAYMODE mode{};
    ASSERT_EQ(device->GetDisplayMode(0, &mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
    IDirect3DSurface9* rt = nullptr;
    ASSERT_EQ(device->GetRenderTarget(0, &rt), D3D_OK);
    D3DSURFACE_DESC desc{};
    rt->GetDesc(&desc);
    EXPECT_EQ(d3d->CheckDeviceFormat(caps.AdapterOrdinal, caps.DeviceType, mode.Format,
                                     D3DUSAGE_RENDERTARGET | D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING,
                                     D3DRTYPE_SURFACE, desc.Format), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, mode.Format, 0, D3DRTYPE_TEXTURE, D3DFMT_A4R4G4B4), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, mode.Format, 0, D3DRTYPE_TEXTURE, D3DFMT_DXT5), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, mode.Format, D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE,
                                     D3DFMT_A4R4G4B4), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_A4R4G4B4, 0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8),
              D3DERR_INVALIDCALL);
    rt->Release();

    // A window destroyed under the device: presenting reports a lost device, nothing more.
    DestroyWindow(hwnd);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(d3d->Release(), 0u);
    UnregisterClassA("QvD3D9Test", nullptr);
}

// Present turns the picture upright in the window: the back buffer holds D3D's top row first,
// the window counts rows from the bottom. Read the window itself back through GL.
TEST(D3D9Creation, PresentShowsThePictureUprightInTheWindow)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "QvD3D9Upright";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    HWND hwnd = CreateWindowExA(0, "QvD3D9Upright", "d3d9", WS_OVERLAPPEDWINDOW, 0, 0, 64, 48, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp = QvPresentParams(64, 48);
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, hwnd, D3DCREATE_MIXED_VERTEXPROCESSING, &pp, &device), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    const D3DRECT top = {0, 0, 64, 16};
    device->Clear(1, &top, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    GLint readFbo = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFbo);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    uint8_t rows[48][64][4] = {};
    glReadPixels(0, 0, 64, 48, GL_RGBA, GL_UNSIGNED_BYTE, rows);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(readFbo));
    // GL's row 47 is the window's top: red for 16 rows, then blue down to row 0.
    for (int y : {47, 32}) {
        EXPECT_EQ(rows[y][5][0], 255) << y;
        EXPECT_EQ(rows[y][5][2], 0) << y;
    }
    for (int y : {31, 0}) {
        EXPECT_EQ(rows[y][60][0], 0) << y;
        EXPECT_EQ(rows[y][60][2], 255) << y;
    }
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(d3d->Release(), 0u);
    DestroyWindow(hwnd);
    UnregisterClassA("QvD3D9Upright", nullptr);
}

} // namespace
