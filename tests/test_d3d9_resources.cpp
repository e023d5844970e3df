// Resources of the GL device: lock pitches and round trips per format, reference counts,
// and arguments that must be refused rather than read past a buffer.
#include "test_d3d9_support.h"

using namespace d3d9test;

namespace {

using D3D9Resources = DeviceTest;

struct FormatCase {
    D3DFORMAT format;
    UINT width;
    INT pitch;       // of level 0
    UINT levelBytes; // pitch times rows (or block rows)
};

TEST_F(D3D9Resources, LockRectGivesD3DPitchesAndKeepsWhatWasWritten)
{
    const FormatCase cases[] = {
        {D3DFMT_A8R8G8B8, 5, 20, 20 * 6}, {D3DFMT_X8R8G8B8, 5, 20, 20 * 6}, {D3DFMT_A4R4G4B4, 5, 10, 10 * 6},
        {D3DFMT_R5G6B5, 5, 10, 10 * 6},   {D3DFMT_A1R5G5B5, 5, 10, 10 * 6},
        // DXT: one row of 4x4 blocks; 8 texels wide is 2 blocks, 6 rows are 2 block rows.
        {D3DFMT_DXT1, 8, 16, 16 * 2},     {D3DFMT_DXT3, 8, 32, 32 * 2},      {D3DFMT_DXT5, 8, 32, 32 * 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "format " << c.format);
        IDirect3DTexture9* t = nullptr;
        ASSERT_EQ(device->CreateTexture(c.width, 6, 0, 0, c.format, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
        EXPECT_EQ(t->GetLevelCount(), c.width == 8 ? 4u : 3u); // the longer side halves down to 1
        D3DLOCKED_RECT lr{};
        ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
        EXPECT_EQ(lr.Pitch, c.pitch);
        auto* bytes = static_cast<uint8_t*>(lr.pBits);
        for (UINT i = 0; i < c.levelBytes; ++i)
            bytes[i] = uint8_t(i * 7 + 1);
        EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL) << "second lock of a locked level";
        EXPECT_EQ(t->UnlockRect(0), D3D_OK);
        EXPECT_EQ(t->UnlockRect(0), D3DERR_INVALIDCALL);
        ASSERT_EQ(t->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
        bytes = static_cast<uint8_t*>(lr.pBits);
        for (UINT i = 0; i < c.levelBytes; ++i)
            ASSERT_EQ(bytes[i], uint8_t(i * 7 + 1)) << "byte " << i;
        t->UnlockRect(0);
        D3DSURFACE_DESC desc{};
        ASSERT_EQ(t->GetLevelDesc(1, &desc), D3D_OK);
        EXPECT_EQ(desc.Format, c.format);
        EXPECT_EQ(desc.Width, c.width / 2);
        EXPECT_EQ(desc.Height, 3u);
        EXPECT_EQ(t->Release(), 0u);
    }
}

TEST_F(D3D9Resources, LockRectWithARectangleOffsetsIntoTheLevel)
{
    IDirect3DTexture9* t = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
    D3DLOCKED_RECT whole{}, part{};
    t->LockRect(0, &whole, nullptr, D3DLOCK_READONLY);
    t->UnlockRect(0);
    const RECT r = {3, 2, 8, 9};
    ASSERT_EQ(t->LockRect(0, &part, &r, 0), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(part.pBits) - static_cast<uint8_t*>(whole.pBits), 2 * 64 + 3 * 4);
    t->UnlockRect(0);
    const RECT outside = {8, 8, 17, 9}, empty = {4, 4, 4, 9}, negative = {-1, 0, 2, 2};
    EXPECT_EQ(t->LockRect(0, &part, &outside, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->LockRect(0, &part, &empty, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->LockRect(0, &part, &negative, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->LockRect(1, &part, nullptr, 0), D3DERR_INVALIDCALL);
    t->Release();

    IDirect3DTexture9* dxt = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 16, 1, 0, D3DFMT_DXT5, D3DPOOL_MANAGED, &dxt, nullptr), D3D_OK);
    const RECT unaligned = {2, 0, 8, 4}, aligned = {4, 8, 12, 16};
    EXPECT_EQ(dxt->LockRect(0, &part, &unaligned, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(dxt->LockRect(0, &part, &aligned, 0), D3D_OK);
    dxt->UnlockRect(0);
    dxt->Release();
}

TEST_F(D3D9Resources, CreationRefusesSizesAndFormatsItCannotHold)
{
    IDirect3DTexture9* t = nullptr;
    EXPECT_EQ(device->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(4, 4, 4, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_D16, D3DPOOL_MANAGED, &t, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(1u << 20, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(t, nullptr);
    IDirect3DVertexBuffer9* vb = nullptr;
    EXPECT_EQ(device->CreateVertexBuffer(0, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateVertexBuffer(8, 0, kFvfPDT, D3DPOOL_DEFAULT, &vb, nullptr), D3DERR_INVALIDCALL);
    IDirect3DIndexBuffer9* ib = nullptr;
    EXPECT_EQ(device->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &ib, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(D3D9Resources, BufferLocksStayInsideTheBuffer)
{
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(96, D3DUSAGE_WRITEONLY, kFvfPDT, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
    void* p = nullptr;
    EXPECT_EQ(vb->Lock(0, 97, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(vb->Lock(97, 0, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(90, 8, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(0, 0, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
    ASSERT_EQ(vb->Lock(24, 0, &p, 0), D3D_OK); // size 0: to the end
    std::memset(p, 0xAB, 72);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    D3DVERTEXBUFFER_DESC desc{};
    ASSERT_EQ(vb->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Size, 96u);
    EXPECT_EQ(desc.FVF, kFvfPDT);
    EXPECT_EQ(desc.Usage, DWORD(D3DUSAGE_WRITEONLY));
    vb->Release();
}

TEST_F(D3D9Resources, BoundObjectsHoldAReferenceAndAreFreedAtZero)
{
    IDirect3DTexture9* t = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
    EXPECT_EQ(t->AddRef(), 2u);
    EXPECT_EQ(t->Release(), 1u);
    device->SetTexture(0, t);
    EXPECT_EQ(t->AddRef(), 3u); // ours, the device's, this one
    t->Release();
    IDirect3DBaseTexture9* got = nullptr;
    ASSERT_EQ(device->GetTexture(0, &got), D3D_OK);
    EXPECT_EQ(got, t);
    EXPECT_EQ(got->Release(), 2u);
    EXPECT_EQ(t->Release(), 1u);    // the device still holds it
    device->SetTexture(0, nullptr); // and lets go: freed here (the sanitizer build checks)

    // A surface of a level counts on its texture.
    IDirect3DTexture9* t2 = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t2, nullptr), D3D_OK);
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(t2->GetSurfaceLevel(0, &level), D3D_OK);
    EXPECT_EQ(t2->AddRef(), 3u);
    t2->Release();
    level->Release();
    EXPECT_EQ(t2->Release(), 0u);

    // GetDirect3D and GetDevice hand out references too.
    IDirect3D9* owner = nullptr;
    ASSERT_EQ(device->GetDirect3D(&owner), D3D_OK);
    EXPECT_EQ(owner, d3d);
    EXPECT_EQ(owner->Release(), 2u); // ours and the device's
}

TEST_F(D3D9Resources, ObjectsMayOutliveTheDeviceThatMadeThem)
{
    IDirect3DTexture9* t = nullptr;
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
    device->SetTexture(0, t);
    device->SetStreamSource(0, vb, 0, 16);
    EXPECT_EQ(device->Release(), 0u); // lets go of the bindings; the context stays for t and vb
    device = nullptr;
    void* p = nullptr;
    EXPECT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
    vb->Unlock();
    EXPECT_EQ(vb->Release(), 0u);
    EXPECT_EQ(t->Release(), 0u); // the last one takes the context with it
}

TEST_F(D3D9Resources, DrawsThatWouldReadPastTheBuffersAreRefused)
{
    const VertexPDT tri[3] = {{0, 0, 1, 0xFFFFFFFF, 0, 0}, {1, 0, 1, 0xFFFFFFFF, 0, 0}, {0, 1, 1, 0xFFFFFFFF, 0, 0}};
    IDirect3DVertexBuffer9* vb = MakeBuffer(tri, 3, kFvfPDT);
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(device->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib, nullptr), D3D_OK);
    void* p = nullptr;
    ib->Lock(0, 0, &p, 0);
    const WORD indices[6] = {0, 1, 2, 0, 2, 3}; // index 3 is past the three vertices
    std::memcpy(p, indices, sizeof indices);
    ib->Unlock();
    device->SetStreamSource(0, vb, 0, sizeof(VertexPDT));
    device->SetIndices(ib);
    device->SetFVF(kFvfPDT);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL) << "outside a scene";
    device->BeginScene();
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0xFFFFFFFFu), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3D_OK);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 3, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 0, 3, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -1, 0, 3, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 4, 1), D3DERR_INVALIDCALL);
    device->SetFVF(kFvfPNT); // 32-byte vertices do not fit a 24-byte stride
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
    device->SetFVF(kFvfPDT);
    vb->Lock(0, 0, &p, 0);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL) << "buffer still locked";
    vb->Unlock();
    device->EndScene();
    QvDeviceStats stats{};
    ASSERT_EQ(QvGetDeviceStats(device, &stats), D3D_OK);
    EXPECT_EQ(stats.draws, 2u);
    device->SetStreamSource(0, nullptr, 0, 0);
    device->SetIndices(nullptr);
    vb->Release();
    ib->Release();
}

TEST_F(D3D9Resources, BackBufferSurfaceDescribesTheRenderTarget)
{
    IDirect3DSurface9* rt = nullptr;
    ASSERT_EQ(device->GetRenderTarget(0, &rt), D3D_OK);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(rt->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(desc.Width, kW);
    EXPECT_EQ(desc.Height, kH);
    EXPECT_EQ(desc.Usage, DWORD(D3DUSAGE_RENDERTARGET));
    D3DLOCKED_RECT lr{};
    EXPECT_EQ(rt->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);
    IDirect3DSurface9* second = nullptr;
    EXPECT_EQ(device->GetRenderTarget(1, &second), D3DERR_NOTFOUND);

    // GetRenderTargetData copies it into system memory, top row first.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    const D3DRECT top = {0, 0, LONG(kW), 1};
    device->Clear(1, &top, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    IDirect3DSurface9* copy = nullptr;
    ASSERT_EQ(device->CreateOffscreenPlainSurface(kW, kH, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr), D3D_OK);
    ASSERT_EQ(device->GetRenderTargetData(rt, copy), D3D_OK);
    ASSERT_EQ(copy->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto* row0 = static_cast<const DWORD*>(lr.pBits);
    const auto* row1 = reinterpret_cast<const DWORD*>(static_cast<const uint8_t*>(lr.pBits) + lr.Pitch);
    EXPECT_EQ(row0[5], 0xFFFF0000u);
    EXPECT_EQ(row1[5], 0xFF0000FFu);
    copy->UnlockRect();
    copy->Release();
    rt->Release();
}

} // namespace
