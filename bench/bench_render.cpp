// The scene pass's own cost: the vector and matrix operations it and the mesh objects run each
// draw, and one whole pass (view, projection, states, ground quad) on the real GL device.
#include <benchmark/benchmark.h>
#include <d3d9.h>
#include <d3dx9math.h>
#include <qv_d3d9.h>
#include <qv_win32.h>

#include <cstdlib>
#include <cstring>

#include "app/engine.h"
#include "render/device.h"
#include "render/scene_pass.h"

namespace {

void BM_WorldTransform(benchmark::State& state)
{
    // What a mesh object builds per draw: three rotations, a translation and their product.
    float angle = 0.1f;
    for (auto _ : state) {
        D3DXMATRIX rx, ry, rz, t, world;
        D3DXMatrixRotationX(&rx, angle / 57.2f);
        D3DXMatrixRotationY(&ry, angle / 57.2f);
        D3DXMatrixRotationZ(&rz, angle / 57.2f);
        D3DXMatrixTranslation(&t, angle, 2.0f, 3.0f);
        D3DXMatrixMultiply(&world, &rx, &ry);
        D3DXMatrixMultiply(&world, &world, &rz);
        D3DXMatrixMultiply(&world, &world, &t);
        benchmark::DoNotOptimize(world);
        angle += 0.001f;
    }
}
BENCHMARK(BM_WorldTransform);

void BM_ViewAndProjection(benchmark::State& state)
{
    D3DXVECTOR3 eye(0.0f, 0.0f, -500.0f), at(0.1f, 0.2f, -499.0f), up(0.0f, 1.0f, 0.0f);
    for (auto _ : state) {
        D3DXMATRIX view, projection;
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&projection, 65.0f / 57.2f, 640.0f / 480.0f, 1.0f, 800.0f);
        benchmark::DoNotOptimize(view);
        benchmark::DoNotOptimize(projection);
        eye.x += 0.001f;
    }
}
BENCHMARK(BM_ViewAndProjection);

void BM_ScenePassOnGlDevice(benchmark::State& state)
{
    QvUseOffscreenVideoWithoutDisplay();  // the device as the harness gets it, also on headless machines
    D3DPRESENT_PARAMETERS pp = QvPresentParams(640, 480);
    pp.BackBufferCount = 2; // the game's swap chain
    pp.SwapEffect = D3DSWAPEFFECT_FLIP;
    if (FAILED(QvCreateStandaloneDevice(&pp, D3DCREATE_MIXED_VERTEXPROCESSING, &g_pD3D, &g_pd3dDevice))) {
        state.SkipWithError("no GL device");
        return;
    }
    g_pd3dDevice->CreateVertexBuffer(sizeof g_groundVertices, D3DUSAGE_WRITEONLY, D3DFVF_GROUNDVERTEX,
                                     D3DPOOL_DEFAULT, &g_pGroundVB, nullptr);
    void* data = nullptr;
    if (g_pGroundVB && SUCCEEDED(g_pGroundVB->Lock(0, 0, &data, 0))) {
        std::memcpy(data, g_groundVertices, sizeof g_groundVertices);
        g_pGroundVB->Unlock();
    }
    g_engine.camera.position = D3DXVECTOR3(0.0f, 0.0f, -500.0f);
    g_engine.camera.angles = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    for (auto _ : state) {
        g_pd3dDevice->BeginScene();
        DrawScenePass();
        g_pd3dDevice->EndScene();
    }
    g_pGroundVB->Release();
    g_pd3dDevice->Release();
    g_pD3D->Release();
    g_pGroundVB = nullptr;
    g_pd3dDevice = nullptr;
    g_pD3D = nullptr;
}
BENCHMARK(BM_ScenePassOnGlDevice);

}  // namespace

BENCHMARK_MAIN();
