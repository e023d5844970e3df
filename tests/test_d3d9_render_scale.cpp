// The device drawing its back buffer larger than the caller sees it, and multisampled: what is
// drawn lands on the scaled pixels, while sizes, descriptions and the game's copies stay the
// back buffer's.
#include "test_d3d9_support.h"

#include <SDL.h>

#include <set>

#include "platform/sdl/qv_win32_sdl.h"

namespace {

using namespace d3d9test;

class D3D9RenderScale : public ::testing::Test {
protected:
    static constexpr UINT kW = 64, kH = 64;

    void TearDown() override
    {
        Destroy();
        QvSetRenderScale(1.0f);
        QvSetMultisample(0);
    }
    void Create(float scale, int samples = 0)
    {
        Destroy();
        QvSetRenderScale(scale);
        QvSetMultisample(samples);
        D3DPRESENT_PARAMETERS pp = QvPresentParams(kW, kH);
        ASSERT_EQ(QvCreateStandaloneDevice(&pp, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &d3d, &device), D3D_OK);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    }
    void Destroy() { ReleaseDevice(device, d3d); }
    // The picture as drawn, and its size.
    std::vector<DWORD> Drawn(UINT* w, UINT* h)
    {
        EXPECT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_CURRENT, nullptr, 0, w, h), D3D_OK);
        std::vector<DWORD> px(size_t(*w) * *h);
        EXPECT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_CURRENT, px.data(), UINT(px.size()), w, h), D3D_OK);
        return px;
    }
    template <size_t N>
    void Draw(D3DPRIMITIVETYPE type, UINT count, const VertexRHW (&v)[N])
    {
        IDirect3DVertexBuffer9* vb = nullptr;
        ASSERT_EQ(device->CreateVertexBuffer(UINT(sizeof v), D3DUSAGE_WRITEONLY, kFvfRHW, D3DPOOL_DEFAULT, &vb, nullptr),
                  D3D_OK);
        void* p = nullptr;
        ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
        std::memcpy(p, v, sizeof v);
        vb->Unlock();
        device->SetStreamSource(0, vb, 0, sizeof(VertexRHW));
        device->SetFVF(kFvfRHW);
        EXPECT_EQ(device->DrawPrimitive(type, 0, count), D3D_OK);
        device->SetStreamSource(0, nullptr, 0, 0);
        vb->Release();
    }
    // Black, a blue cleared rectangle and a green pre-transformed quad, all on whole pixels.
    void DrawRectangles()
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        const D3DRECT rect = {40, 4, 60, 12};
        device->Clear(1, &rect, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
        const VertexRHW quad[4] = {{8, 16, 0.5f, 1, 0xFF00FF00}, {24, 16, 0.5f, 1, 0xFF00FF00},
                                   {8, 40, 0.5f, 1, 0xFF00FF00}, {24, 40, 0.5f, 1, 0xFF00FF00}};
        device->BeginScene();
        Draw(D3DPT_TRIANGLESTRIP, 2, quad);
        device->EndScene();
    }
    // What DrawRectangles leaves at (x, y) of the back buffer.
    static DWORD RectanglesAt(UINT x, UINT y)
    {
        if (x >= 8 && x < 24 && y >= 16 && y < 40)
            return 0xFF00FF00;
        return x >= 40 && x < 60 && y >= 4 && y < 12 ? 0xFF0000FF : 0xFF000000;
    }
    // Black, then a red triangle whose long edge runs diagonally across the whole picture.
    void DrawDiagonal()
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        const VertexRHW tri[3] = {{0, 0, 0.5f, 1, 0xFFFF0000}, {64, 0, 0.5f, 1, 0xFFFF0000},
                                  {0, 64, 0.5f, 1, 0xFFFF0000}};
        device->BeginScene();
        Draw(D3DPT_TRIANGLELIST, 1, tri);
        device->EndScene();
    }

    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
};

TEST_F(D3D9RenderScale, PretransformedQuadAndClearCoverExactlyTheirScaledRectangles)
{
    for (const float scale : {1.0f, 2.0f, 3.0f}) {
        SCOPED_TRACE(scale);
        Create(scale);
        DrawRectangles();
        UINT w = 0, h = 0;
        const std::vector<DWORD> px = Drawn(&w, &h);
        const UINT s = UINT(scale);
        ASSERT_EQ(w, kW * s);
        ASSERT_EQ(h, kH * s);
        for (UINT y = 0; y < h; ++y)
            for (UINT x = 0; x < w; ++x)
                ASSERT_EQ(px[y * w + x], RectanglesAt(x / s, y / s)) << x << ", " << y;
    }
}

TEST_F(D3D9RenderScale, ADiagonalEdgeHasTwiceTheSteps)
{
    const auto steps = [&] {
        UINT w = 0, h = 0;
        const std::vector<DWORD> px = Drawn(&w, &h);
        std::set<UINT> widths; // each row's run of red from the left
        for (UINT y = 0; y < h; ++y) {
            UINT x = 0;
            while (x < w && px[y * w + x] == 0xFFFF0000u)
                ++x;
            widths.insert(x);
        }
        return widths.size();
    };
    Create(1.0f);
    DrawDiagonal();
    const size_t atOne = steps();
    Create(2.0f);
    DrawDiagonal();
    EXPECT_EQ(steps(), 2 * atOne);
}

TEST_F(D3D9RenderScale, WhatTheCallerSeesStaysTheBackBuffersSize)
{
    Create(2.0f);
    IDirect3DSurface9* rt = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &rt), D3D_OK);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(rt->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, kW);
    EXPECT_EQ(desc.Height, kH);

    // The game's copy is the back buffer's size: each pixel the blend of the four drawn for it.
    DrawRectangles();
    IDirect3DSurface9* copy = nullptr;
    ASSERT_EQ(device->CreateOffscreenPlainSurface(kW, kH, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr), D3D_OK);
    ASSERT_EQ(device->GetRenderTargetData(rt, copy), D3D_OK);
    D3DLOCKED_RECT lr{};
    ASSERT_EQ(copy->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto at = [&](UINT x, UINT y) {
        return reinterpret_cast<const DWORD*>(static_cast<const uint8_t*>(lr.pBits) + y * UINT(lr.Pitch))[x];
    };
    for (UINT y = 0; y < kH; ++y)
        for (UINT x = 0; x < kW; ++x)
            ASSERT_EQ(at(x, y) | 0xFF000000u, RectanglesAt(x, y)) << x << ", " << y;
    copy->UnlockRect();
    copy->Release();
    rt->Release();

    // Presented and read back, the picture is as drawn.
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    UINT w = 0, h = 0;
    EXPECT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_PRESENTED, nullptr, 0, &w, &h), D3D_OK);
    EXPECT_EQ(w, 2 * kW);
    EXPECT_EQ(h, 2 * kH);
    std::vector<DWORD> small(kW * kH);
    EXPECT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_PRESENTED, small.data(), UINT(small.size()), &w, &h),
              D3DERR_MOREDATA);
}

TEST_F(D3D9RenderScale, MultisamplingBlendsEdgePixelsAndLeavesTheRestAlone)
{
    const auto edgeShades = [&] {
        UINT w = 0, h = 0;
        const std::vector<DWORD> px = Drawn(&w, &h);
        int between = 0, other = 0;
        for (const DWORD p : px) {
            const DWORD c = p & 0xFFFFFF;
            if (c == 0 || c == 0xFF0000)
                continue;
            if ((c & 0xFFFF) == 0) // some red, no green or blue: a blend of the two colours
                ++between;
            else
                ++other;
        }
        EXPECT_EQ(other, 0);
        return between;
    };
    Create(1.0f);
    DrawDiagonal();
    EXPECT_EQ(edgeShades(), 0);
    Create(1.0f, 4);
    QvDeviceStats stats{};
    ASSERT_EQ(QvGetDeviceStats(device, &stats), D3D_OK);
    if (stats.samples == 0) // the device falls back to single samples, as it must (softpipe)
        GTEST_SKIP() << stats.renderer << " draws no multisampled pictures";
    EXPECT_EQ(stats.samples, 4u);
    DrawDiagonal();
    // Every row's last pixel or so along the edge, and the interior still pure.
    EXPECT_GE(edgeShades(), int(kH) / 2);
    UINT w = 0, h = 0;
    const std::vector<DWORD> px = Drawn(&w, &h);
    EXPECT_EQ(px[10 * w + 10], 0xFFFF0000u);
    EXPECT_EQ(px[60 * w + 60], 0xFF000000u);
    // Present resolves it too: the presented picture has the same blends.
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    std::vector<DWORD> shown(px.size());
    ASSERT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_PRESENTED, shown.data(), UINT(shown.size()), &w, &h), D3D_OK);
    EXPECT_EQ(shown, px);
}

TEST_F(D3D9RenderScale, AutoFollowsTheSizeTheWindowShowsThePictureAt)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QvRenderScaleWindow";
    RegisterClassExA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "", WS_SYSMENU, 0, 0, 640, 480, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    QvSetRenderScale(0.0f);
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp = QvPresentParams(640, 480);
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp,
                                &device),
              D3D_OK);
    const auto drawnAfterPresent = [&](int windowWidth, int windowHeight, UINT w, UINT h) {
        SDL_SetWindowSize(QvWindowFromHwnd(window), windowWidth, windowHeight);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        UINT gotW = 0, gotH = 0;
        ASSERT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_CURRENT, nullptr, 0, &gotW, &gotH), D3D_OK);
        EXPECT_EQ(gotW, w) << windowWidth << " x " << windowHeight;
        EXPECT_EQ(gotH, h) << windowWidth << " x " << windowHeight;
    };
    drawnAfterPresent(640, 480, 640, 480);    // the game's own window: as Direct3D 9 draws
    drawnAfterPresent(1920, 1080, 1440, 1080); // a full screen: the letterboxed rectangle
    drawnAfterPresent(1000, 2000, 1000, 750);
    drawnAfterPresent(320, 240, 640, 480);    // never smaller than the back buffer
    // Drawing goes on at the new size: a clear covers it all.
    drawnAfterPresent(1280, 960, 1280, 960);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699, 1.0f, 0);
    UINT w = 0, h = 0;
    const std::vector<DWORD> px = Drawn(&w, &h);
    EXPECT_EQ(px.front(), 0xFF336699u);
    EXPECT_EQ(px.back(), 0xFF336699u);
    Destroy();
    DestroyWindow(window);
    UnregisterClassA(wc.lpszClassName, wc.hInstance);
}

} // namespace
