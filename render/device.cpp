// The process-wide render state. Kept apart from the set-up code so that a program or test that
// stands in its own CD3DEngine::InitD3D can still link everything that draws.
#include "render/device.h"

LPDIRECT3D9 g_pD3D = NULL;
LPDIRECT3DDEVICE9 g_pd3dDevice = NULL;
D3DPRESENT_PARAMETERS g_d3dpp;
LPDIRECT3DVERTEXBUFFER9 g_pGroundVB = NULL;
LPDIRECT3DTEXTURE9 g_pGroundTexture = NULL;
PFN_DIRECT3DCREATE9 g_pfnDirect3DCreate9 = Direct3DCreate9;

// A 100 x 100 opaque cyan square on the ground plane, mapped onto a small square of the texture.
const GroundVertex g_groundVertices[4] = {
    {-50.0f, 50.0f, 0.0f, 0xFF00FFFF, 0.2f, 0.2f},
    {50.0f, 50.0f, 0.0f, 0xFF00FFFF, 0.3f, 0.2f},
    {-50.0f, -50.0f, 0.0f, 0xFF00FFFF, 0.2f, 0.3f},
    {50.0f, -50.0f, 0.0f, 0xFF00FFFF, 0.3f, 0.3f},
};
