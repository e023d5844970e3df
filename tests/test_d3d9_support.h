// A real device on the GL backend (SDL's offscreen driver under CTest) and helpers to draw
// small scenes and read pixels back.
#pragma once

#include <d3d9.h>
#include <gtest/gtest.h>
#include <qv_d3d9.h>

#include <cstring>
#include <vector>

namespace d3d9test {

struct VertexPDT { // FVF 0x142: position, diffuse, one texture coordinate pair
    float x, y, z;
    DWORD diffuse;
    float u, v;
};
constexpr DWORD kFvfPDT = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct VertexPNT { // FVF 0x112: position, normal, one texture coordinate pair
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
constexpr DWORD kFvfPNT = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

struct VertexRHW { // pre-transformed, with a colour
    float x, y, z, rhw;
    DWORD diffuse;
};
constexpr DWORD kFvfRHW = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

inline D3DMATRIX Identity()
{
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

// Releases a device and then its Direct3D object, each expected to be the last reference, and
// clears both pointers; either may be null.
inline void ReleaseDevice(IDirect3DDevice9*& device, IDirect3D9*& d3d)
{
    if (device) {
        EXPECT_EQ(device->Release(), 0u);
    }
    if (d3d) {
        EXPECT_EQ(d3d->Release(), 0u);
    }
    device = nullptr;
    d3d = nullptr;
}

class DeviceTest : public ::testing::Test {
protected:
    static constexpr UINT kW = 64, kH = 64;

    void SetUp() override
    {
        D3DPRESENT_PARAMETERS pp = QvPresentParams(kW, kH);
        ASSERT_EQ(QvCreateStandaloneDevice(&pp, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &d3d, &device), D3D_OK);
        ASSERT_NE(d3d, nullptr);
        ASSERT_NE(device, nullptr);
    }
    void TearDown() override
    {
        if (device) {
            EXPECT_EQ(device->Release(), 0u);
        }
        if (d3d) {
            EXPECT_EQ(d3d->Release(), 0u);
        }
    }

    // Pixels of the back buffer as drawn so far, top row first.
    std::vector<DWORD> Pixels()
    {
        std::vector<DWORD> px(kW * kH);
        UINT w = 0, h = 0;
        EXPECT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_CURRENT, px.data(), UINT(px.size()), &w, &h), D3D_OK);
        return px;
    }
    DWORD PixelAt(UINT x, UINT y) { return Pixels()[y * kW + x]; }

    template <class V>
    IDirect3DVertexBuffer9* MakeBuffer(const V* vertices, UINT count, DWORD fvf)
    {
        IDirect3DVertexBuffer9* vb = nullptr;
        EXPECT_EQ(device->CreateVertexBuffer(UINT(sizeof(V)) * count, D3DUSAGE_WRITEONLY, fvf, D3DPOOL_DEFAULT,
                                             &vb, nullptr), D3D_OK);
        void* p = nullptr;
        EXPECT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
        std::memcpy(p, vertices, sizeof(V) * count);
        EXPECT_EQ(vb->Unlock(), D3D_OK);
        return vb;
    }

    // Draws `count` primitives of `type` from `vertices` with the device's current states.
    template <class V, size_t N>
    void DrawPrimitives(D3DPRIMITIVETYPE type, UINT count, const V (&vertices)[N], DWORD fvf)
    {
        IDirect3DVertexBuffer9* vb = MakeBuffer(vertices, UINT(N), fvf);
        device->SetStreamSource(0, vb, 0, sizeof(V));
        device->SetFVF(fvf);
        EXPECT_EQ(device->DrawPrimitive(type, 0, count), D3D_OK);
        device->SetStreamSource(0, nullptr, 0, 0);
        vb->Release();
    }

    // Draws a strip of four vertices with the device's current states.
    template <class V>
    void DrawStrip(const V (&quad)[4], DWORD fvf) { DrawPrimitives(D3DPT_TRIANGLESTRIP, 2, quad, fvf); }

    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
};

inline int Channel(DWORD c, int shift) { return int((c >> shift) & 0xFF); }

// Colour within `tol` per channel (alpha ignored).
::testing::AssertionResult NearColour(DWORD got, DWORD want, int tol = 2);

} // namespace d3d9test
