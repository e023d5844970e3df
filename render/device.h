// The render device and its fixed resources: made once by CD3DEngine::InitD3D and kept for the
// whole run (nothing releases them; they end with the process).
#pragma once

#include <windows.h>
#include <d3d9.h>

// A vertex of the ground quad: position, diffuse colour, one texture coordinate pair.
struct GroundVertex {
    FLOAT x, y, z;
    DWORD color;  // ARGB, alpha in the top byte
    FLOAT u, v;
};
static_assert(sizeof(GroundVertex) == 24, "GroundVertex is 24 bytes with no gaps");

#define D3DFVF_GROUNDVERTEX (D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1)  // 0x142

// The four corners of the ground quad, in the order the strip draws them.
extern const GroundVertex g_groundVertices[4];

extern LPDIRECT3D9 g_pD3D;
extern LPDIRECT3DDEVICE9 g_pd3dDevice;
extern D3DPRESENT_PARAMETERS g_d3dpp;
extern LPDIRECT3DVERTEXBUFFER9 g_pGroundVB;
extern LPDIRECT3DTEXTURE9 g_pGroundTexture;

// Test hook: how InitD3D makes its Direct3D object. Direct3DCreate9 unless a test hands in a
// recording one; put it back afterwards.
typedef IDirect3D9*(WINAPI* PFN_DIRECT3DCREATE9)(UINT SDKVersion);
extern PFN_DIRECT3DCREATE9 g_pfnDirect3DCreate9;
