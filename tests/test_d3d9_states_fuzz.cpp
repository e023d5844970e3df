// Every combination of fixed-function state must give a program GL accepts: random stage
// operations, arguments, coordinate sources, vertex formats, lights and alpha tests, drawn
// one after another. A program GL refused would show up as a refused draw.
#include "test_d3d9_support.h"

#include <random>

using namespace d3d9test;

namespace {

using D3D9StateMix = DeviceTest;

TEST_F(D3D9StateMix, RandomFixedFunctionStatesAllCompileAndDraw)
{
    const DWORD fvfs[] = {
        kFvfPDT, kFvfPNT, kFvfRHW, D3DFVF_XYZ,
        D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2 | (1u << 16) | (3u << 18),
        D3DFVF_XYZRHW | D3DFVF_SPECULAR | D3DFVF_TEX3 | (2u << 16),
    };
    // Room for three vertices of the largest format (80 bytes).
    float data[3 * 20];
    for (int i = 0; i < 60; ++i)
        data[i] = float(i % 7) * 0.25f;
    IDirect3DVertexBuffer9* vb = MakeBuffer(data, 60, 0);
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);

    std::mt19937 rng(1234);
    auto pick = [&](DWORD n) { return DWORD(rng() % n); };
    const DWORD modifiers[] = {0, D3DTA_COMPLEMENT, D3DTA_ALPHAREPLICATE, D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE};
    device->BeginScene();
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE(::testing::Message() << "round " << round);
        const DWORD fvf = fvfs[pick(6)];
        device->SetFVF(fvf);
        device->SetStreamSource(0, vb, 0, 80);
        device->SetRenderState(D3DRS_LIGHTING, pick(2));
        device->SetRenderState(D3DRS_SPECULARENABLE, pick(2));
        device->SetRenderState(D3DRS_LOCALVIEWER, pick(2));
        device->SetRenderState(D3DRS_NORMALIZENORMALS, pick(2));
        device->SetRenderState(D3DRS_COLORVERTEX, pick(2));
        device->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, pick(3));
        device->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, pick(3));
        device->SetRenderState(D3DRS_SPECULARMATERIALSOURCE, pick(3));
        device->SetRenderState(D3DRS_EMISSIVEMATERIALSOURCE, pick(3));
        device->SetRenderState(D3DRS_SHADEMODE, 1 + pick(2));
        device->SetRenderState(D3DRS_ALPHATESTENABLE, pick(2));
        device->SetRenderState(D3DRS_ALPHAFUNC, pick(10)); // 0 and 9 are no D3DCMP value
        for (DWORD i = 0; i < 3; ++i) {
            D3DLIGHT9 l{};
            l.Type = D3DLIGHTTYPE(1 + pick(3));
            l.Range = 100.0f;
            l.Attenuation0 = 1.0f;
            l.Phi = 1.0f;
            l.Theta = 0.5f;
            l.Falloff = float(pick(3));
            device->SetLight(pick(8), &l);
            device->LightEnable(pick(8), pick(2));
        }
        for (DWORD s = 0; s < 4; ++s) {
            device->SetTexture(s, pick(2) ? tex : nullptr);
            device->SetTextureStageState(s, D3DTSS_COLOROP, 1 + pick(26));
            device->SetTextureStageState(s, D3DTSS_ALPHAOP, 1 + pick(26));
            const D3DTEXTURESTAGESTATETYPE args[] = {D3DTSS_COLORARG0, D3DTSS_COLORARG1, D3DTSS_COLORARG2,
                                                     D3DTSS_ALPHAARG0, D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2};
            for (auto a : args)
                device->SetTextureStageState(s, a, pick(8) | modifiers[pick(4)]);
            device->SetTextureStageState(s, D3DTSS_TEXCOORDINDEX, pick(5) | (pick(4) << 16));
            device->SetTextureStageState(s, D3DTSS_TEXTURETRANSFORMFLAGS, pick(5) | (pick(2) ? D3DTTFF_PROJECTED : 0));
        }
        EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    }
    device->EndScene();
    QvDeviceStats stats{};
    ASSERT_EQ(QvGetDeviceStats(device, &stats), D3D_OK);
    EXPECT_EQ(stats.rejectedDraws, 0u);
    EXPECT_EQ(stats.draws, 30u);
    for (DWORD s = 0; s < 4; ++s)
        device->SetTexture(s, nullptr);
    device->SetStreamSource(0, nullptr, 0, 0);
    tex->Release();
    vb->Release();
}

} // namespace
