// Plain surfaces and the back buffer as surfaces: what Direct3D 9 lets a caller lock, and what
// it refuses, so that no caller writes through a pointer the device did not hand out.
#include "test_d3d9_support.h"

namespace {

using namespace d3d9test;

class D3D9Surfaces : public DeviceTest {};

TEST_F(D3D9Surfaces, APlainSurfaceLocksOnceAndOnlyWithinItself)
{
    IDirect3DSurface9* plain = nullptr;
    for (const UINT side : {0u, 8193u}) {
        EXPECT_EQ(device->CreateOffscreenPlainSurface(side, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &plain, nullptr),
                  D3DERR_INVALIDCALL) << side;
        EXPECT_EQ(plain, nullptr);
        EXPECT_EQ(device->CreateOffscreenPlainSurface(4, side, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &plain, nullptr),
                  D3DERR_INVALIDCALL) << side;
    }
    ASSERT_EQ(device->CreateOffscreenPlainSurface(16, 8, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &plain, nullptr), D3D_OK);
    EXPECT_EQ(plain->GetDesc(nullptr), D3DERR_INVALIDCALL);

    EXPECT_EQ(plain->UnlockRect(), D3DERR_INVALIDCALL) << "not locked";
    D3DLOCKED_RECT whole{};
    EXPECT_EQ(plain->LockRect(nullptr, nullptr, 0), D3DERR_INVALIDCALL);
    const RECT outside = {8, 4, 17, 8};
    EXPECT_EQ(plain->LockRect(&whole, &outside, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(plain->LockRect(&whole, nullptr, 0), D3D_OK);
    EXPECT_EQ(whole.Pitch, 64);
    D3DLOCKED_RECT again{};
    EXPECT_EQ(plain->LockRect(&again, nullptr, 0), D3DERR_INVALIDCALL) << "a surface locks once";
    EXPECT_EQ(again.pBits, nullptr);
    EXPECT_EQ(plain->UnlockRect(), D3D_OK);
    const RECT inside = {2, 1, 4, 3};
    D3DLOCKED_RECT part{};
    ASSERT_EQ(plain->LockRect(&part, &inside, 0), D3D_OK);
    EXPECT_EQ(static_cast<BYTE*>(part.pBits) - static_cast<BYTE*>(whole.pBits), 64 + 2 * 4);
    EXPECT_EQ(plain->UnlockRect(), D3D_OK);
    EXPECT_EQ(plain->Release(), 0u);
}

TEST_F(D3D9Surfaces, TheBackBufferIsNeverLockedAndAnsweredOnlyForItsOwnIndex)
{
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(back->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(back->UnlockRect(), D3DERR_INVALIDCALL);
    // Its references are the device's.
    const ULONG refs = back->AddRef();
    EXPECT_EQ(back->Release(), refs - 1);
    back->Release();

    IDirect3DSurface9* other = reinterpret_cast<IDirect3DSurface9*>(0x1);
    EXPECT_EQ(device->GetBackBuffer(1, 0, D3DBACKBUFFER_TYPE_MONO, &other), D3DERR_INVALIDCALL);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(device->GetBackBuffer(0, 1, D3DBACKBUFFER_TYPE_MONO, &other), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE(1), &other), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetRenderTarget(1, &other), D3DERR_NOTFOUND);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(device->GetRenderTarget(0, nullptr), D3DERR_INVALIDCALL);
}

} // namespace
