// A frame's worth of device traffic on the real GL device (on SDL's offscreen driver where no
// display is named): 600 mesh draws, each as the engine's mesh objects send it - a world transform,
// the nine state calls of a subset, then the stream, indices and one indexed draw of a small box.
// The texture changes every draw, or every row of 24 as the map's long runs of one piece do; the
// material changes every draw. The counters give the draw calls the device received a frame against
// the GL draws it issued for them (QV_D3D9_BATCHING=0 makes the two equal). The three textures are
// of one size, so the device keeps them as layers of one array texture and a change of texture does
// not end a run.
#include <benchmark/benchmark.h>
#include <d3d9.h>
#include <qv_d3d9.h>
#include <qv_win32.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

struct Vertex {
    float x, y, z, nx, ny, nz, u, v;
};
constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

D3DMATRIX Identity()
{
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

struct Scene {
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    IDirect3DTexture9* textures[3] = {};
    D3DMATERIAL9 materials[3] = {};

    bool Create()
    {
        QvUseOffscreenVideoWithoutDisplay();  // the device as the harness gets it, also on headless machines
        D3DPRESENT_PARAMETERS pp = QvPresentParams(640, 480);
        pp.BackBufferCount = 2; // the game's swap chain
        pp.SwapEffect = D3DSWAPEFFECT_FLIP;
        if (FAILED(QvCreateStandaloneDevice(&pp, D3DCREATE_MIXED_VERTEXPROCESSING, &d3d, &device)))
            return false;
        // A box of 24 vertices and 36 indices, 12.5 units a side.
        Vertex v[24];
        WORD idx[36];
        for (int f = 0; f < 6; ++f) {
            const int axis = f / 2;
            const float s = (f & 1) ? 1.0f : -1.0f;
            for (int k = 0; k < 4; ++k) {
                float p[3];
                p[axis] = s;
                p[(axis + 1) % 3] = (k & 1) ? 1.0f : -1.0f;
                p[(axis + 2) % 3] = (k & 2) ? 1.0f : -1.0f;
                float n[3] = {0, 0, 0};
                n[axis] = s;
                v[f * 4 + k] = {p[0] * 6.25f, p[1] * 6.25f, p[2] * 6.25f, n[0], n[1], n[2], float(k & 1), float(k >> 1)};
            }
            const WORD b = WORD(f * 4);
            const WORD quad[6] = {b, WORD(b + 1), WORD(b + 2), WORD(b + 2), WORD(b + 1), WORD(b + 3)};
            std::memcpy(idx + f * 6, quad, sizeof quad);
        }
        device->CreateVertexBuffer(sizeof v, 0, kFvf, D3DPOOL_MANAGED, &vb, nullptr);
        device->CreateIndexBuffer(sizeof idx, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr);
        void* p = nullptr;
        vb->Lock(0, 0, &p, 0);
        std::memcpy(p, v, sizeof v);
        vb->Unlock();
        ib->Lock(0, 0, &p, 0);
        std::memcpy(p, idx, sizeof idx);
        ib->Unlock();
        for (int t = 0; t < 3; ++t) {
            device->CreateTexture(64, 64, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &textures[t], nullptr);
            for (DWORD l = 0; l < textures[t]->GetLevelCount(); ++l) {
                D3DLOCKED_RECT lr{};
                D3DSURFACE_DESC d{};
                textures[t]->GetLevelDesc(l, &d);
                textures[t]->LockRect(l, &lr, nullptr, 0);
                for (UINT y = 0; y < d.Height; ++y)
                    for (UINT x = 0; x < d.Width; ++x)
                        reinterpret_cast<DWORD*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch)[x] =
                            ((x ^ y) & 8) ? 0xFFFFFFFF : 0xFF404040u + DWORD(t) * 0x300000;
                textures[t]->UnlockRect(l);
            }
            materials[t].Diffuse = materials[t].Ambient = {0.8f, 0.3f + 0.2f * float(t), 0.2f, 1.0f};
        }
        // The frame-wide states the game sets.
        device->SetRenderState(D3DRS_AMBIENT, 0xFF8CA5BF);
        device->LightEnable(0, TRUE);
        D3DMATRIX view = Identity(), proj{};
        view._43 = 500.0f;
        proj._11 = 1.2f;
        proj._22 = 1.6f;
        proj._33 = 800.0f / 799.0f;
        proj._34 = 1.0f;
        proj._43 = -800.0f / 799.0f;
        device->SetTransform(D3DTS_VIEW, &view);
        device->SetTransform(D3DTS_PROJECTION, &proj);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        device->SetRenderState(D3DRS_ALPHAREF, 8);
        device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        return true;
    }

    void Frame(int run)
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        const D3DMATRIX texScale = Identity();
        for (int i = 0; i < 600; ++i) {
            D3DMATRIX world = Identity();
            world._41 = -300.0f + 25.0f * float(i % 24);
            world._42 = -300.0f + 25.0f * float(i / 24);
            device->SetTransform(D3DTS_WORLD, &world);
            device->SetTransform(D3DTS_TEXTURE0, &texScale);
            device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
            device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
            device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
            device->SetMaterial(&materials[i % 3]);
            device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
            device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
            device->SetTexture(0, textures[(i / run) % 3]);
            device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
            device->SetFVF(kFvf);
            device->SetStreamSource(0, vb, 0, sizeof(Vertex));
            device->SetIndices(ib);
            device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, 0, 12);
        }
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }

    void Destroy()
    {
        if (!device)
            return;
        device->SetTexture(0, nullptr);
        device->SetStreamSource(0, nullptr, 0, 0);
        device->SetIndices(nullptr);
        for (auto* t : textures)
            t->Release();
        vb->Release();
        ib->Release();
        device->Release();
        d3d->Release();
    }
};

void BM_DeviceFrame600Meshes(benchmark::State& state)
{
    Scene scene;
    if (!scene.Create()) {
        state.SkipWithError("no device");
        return;
    }
    const int run = int(state.range(0));
    scene.Frame(run); // compiles the program and uploads the textures outside the timing
    QvDeviceStats before{}, after{};
    QvGetDeviceStats(scene.device, &before);
    for (auto _ : state)
        scene.Frame(run);
    QvGetDeviceStats(scene.device, &after);
    const double frames = double(state.iterations());
    state.counters["programs"] = after.programsCached;
    state.counters["calls"] = double(after.draws - before.draws) / frames;
    state.counters["gl_draws"] = double(after.glDraws - before.glDraws) / frames;
    scene.Destroy();
}
BENCHMARK(BM_DeviceFrame600Meshes)->ArgName("run")->Arg(1)->Arg(24)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same traffic without the final GL work: how much the device itself costs per frame.
void BM_DeviceStateCallsOnly(benchmark::State& state)
{
    Scene scene;
    if (!scene.Create()) {
        state.SkipWithError("no device");
        return;
    }
    const D3DMATRIX texScale = Identity();
    for (auto _ : state) {
        for (int i = 0; i < 600; ++i) {
            D3DMATRIX world = Identity();
            world._41 = float(i);
            scene.device->SetTransform(D3DTS_WORLD, &world);
            scene.device->SetTransform(D3DTS_TEXTURE0, &texScale);
            scene.device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
            scene.device->SetMaterial(&scene.materials[i % 3]);
            scene.device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
            scene.device->SetTexture(0, scene.textures[i % 3]);
        }
    }
    scene.Destroy();
}
BENCHMARK(BM_DeviceStateCallsOnly)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
