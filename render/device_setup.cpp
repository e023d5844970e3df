// Render device set-up: the Direct3D object, the device, the first render states, the timer,
// and the ground quad's vertex buffer and texture.
#include "render/device.h"

#include <cstring>

#include <d3dx9tex.h>

#include "app/engine.h"
#include "app/timer.h"

namespace {

const char kFailCaption[] = "fail!ENGINE";
const char kGroundTexturePath[] = "Models/fontN.dds";

HRESULT Fail(const char* text)
{
    MessageBoxA(NULL, text, kFailCaption, MB_OK);
    return E_FAIL;
}

// Hardware vertex processing first; older adapters can still run mixed or in software.
HRESULT CreateDevice(D3DPRESENT_PARAMETERS* pp)
{
    static const DWORD kVertexProcessing[] = {D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                              D3DCREATE_MIXED_VERTEXPROCESSING,
                                              D3DCREATE_SOFTWARE_VERTEXPROCESSING};
    HRESULT hr = E_FAIL;
    for (DWORD flags : kVertexProcessing) {
        hr = g_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, g_hWnd, flags, pp, &g_pd3dDevice);
        if (SUCCEEDED(hr)) break;
    }
    return hr;
}

HRESULT CreateGroundQuad()
{
    // The buffer is drawn from every frame; without it there is nothing to lock or to draw.
    HRESULT hr = g_pd3dDevice->CreateVertexBuffer(sizeof g_groundVertices, D3DUSAGE_WRITEONLY,
                                                  D3DFVF_GROUNDVERTEX, D3DPOOL_DEFAULT, &g_pGroundVB,
                                                  NULL);
    if (FAILED(hr) || g_pGroundVB == NULL)
        return Fail("Could not create the ground vertex buffer");

    void* data = NULL;
    hr = g_pGroundVB->Lock(0, sizeof g_groundVertices, &data, 0);
    if (FAILED(hr) || data == NULL)
        return Fail("Could not lock the ground vertex buffer");
    std::memcpy(data, g_groundVertices, sizeof g_groundVertices);
    g_pGroundVB->Unlock();
    return S_OK;
}

}  // namespace

HRESULT CD3DEngine::InitD3D()
{
    g_pD3D = g_pfnDirect3DCreate9(D3D_SDK_VERSION);
    if (g_pD3D == NULL)
        return Fail("D3D9 Create Failed");

    std::memset(&g_d3dpp, 0, sizeof g_d3dpp);
    g_d3dpp.BackBufferWidth = static_cast<UINT>(screen.width);
    g_d3dpp.BackBufferHeight = static_cast<UINT>(screen.height);
    g_d3dpp.BackBufferFormat = screen.backBufferFormat;
    g_d3dpp.BackBufferCount = screen.backBufferCount;
    g_d3dpp.MultiSampleType = D3DMULTISAMPLE_NONE;
    g_d3dpp.MultiSampleQuality = 0;
    g_d3dpp.SwapEffect = D3DSWAPEFFECT_FLIP;
    g_d3dpp.hDeviceWindow = NULL;  // the focus window serves
    g_d3dpp.Windowed = screen.fullScreen ? FALSE : TRUE;
    g_d3dpp.EnableAutoDepthStencil = TRUE;
    g_d3dpp.AutoDepthStencilFormat = D3DFMT_D16;
    g_d3dpp.Flags = 0;
    g_d3dpp.FullScreen_RefreshRateInHz = screen.fullScreen ? screen.refreshRate : 0;
    g_d3dpp.PresentationInterval = D3DPRESENT_INTERVAL_ONE;

    if (FAILED(CreateDevice(&g_d3dpp)))
        return Fail("D3D9 Device not found");

    g_pd3dDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    g_pd3dDevice->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    g_pd3dDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);

    EngineTimer(TIMER_RESET);
    EngineTimer(TIMER_START);

    if (FAILED(CreateGroundQuad()))
        return E_FAIL;

    if (FAILED(D3DXCreateTextureFromFileA(g_pd3dDevice, kGroundTexturePath, &g_pGroundTexture)))
        return Fail("Could not load the ground texture Models/fontN.dds");
    return S_OK;
}
