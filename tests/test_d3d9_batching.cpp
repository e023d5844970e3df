// Draw batching in the GL device: consecutive draws that differ only in transforms and material
// go to GL as one instanced draw. The pictures must be the ones separate draws give, and
// everything that shows or changes what a waiting draw reads must send it first.
#include "test_d3d9_support.h"

#include <cstdlib>
#include <functional>
#include <string>

namespace {

using namespace d3d9test;

struct Box {
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
};

D3DMATRIX Translation(float x, float y, float z)
{
    D3DMATRIX m = Identity();
    m._41 = x;
    m._42 = y;
    m._43 = z;
    return m;
}

// A device for these tests, with batching on or off as the environment says at creation.
IDirect3DDevice9* MakeDevice(IDirect3D9** d3d, bool batching, UINT size = 64)
{
    if (batching)
        unsetenv("QV_D3D9_BATCHING");
    else
        setenv("QV_D3D9_BATCHING", "0", 1);
    D3DPRESENT_PARAMETERS pp = QvPresentParams(size, size);
    IDirect3DDevice9* device = nullptr;
    const HRESULT hr = QvCreateStandaloneDevice(&pp, D3DCREATE_SOFTWARE_VERTEXPROCESSING, d3d, &device);
    unsetenv("QV_D3D9_BATCHING");
    EXPECT_EQ(hr, D3D_OK);
    return device;
}

// A cube of side 2 around the origin with normals and texture coordinates; faces wound so that
// the default culling keeps the ones turned to a camera on -z.
Box MakeBox(IDirect3DDevice9* device)
{
    VertexPNT v[24];
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
            v[f * 4 + k] = {p[0], p[1], p[2], n[0], n[1], n[2], float(k & 1), float(k >> 1)};
        }
        const WORD b = WORD(f * 4);
        const bool flip = (f & 1) != 0;
        const WORD quad[6] = {b, WORD(b + (flip ? 2 : 1)), WORD(b + (flip ? 1 : 2)),
                              WORD(b + 2), WORD(b + (flip ? 3 : 1)), WORD(b + (flip ? 1 : 3))};
        std::memcpy(idx + f * 6, quad, sizeof quad);
    }
    Box box;
    void* p = nullptr;
    EXPECT_EQ(device->CreateVertexBuffer(sizeof v, 0, kFvfPNT, D3DPOOL_MANAGED, &box.vb, nullptr), D3D_OK);
    EXPECT_EQ(device->CreateIndexBuffer(sizeof idx, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &box.ib, nullptr), D3D_OK);
    box.vb->Lock(0, 0, &p, 0);
    std::memcpy(p, v, sizeof v);
    box.vb->Unlock();
    box.ib->Lock(0, 0, &p, 0);
    std::memcpy(p, idx, sizeof idx);
    box.ib->Unlock();
    return box;
}

IDirect3DTexture9* MakeChecker(IDirect3DDevice9* device, DWORD a, DWORD b, UINT size = 8)
{
    IDirect3DTexture9* t = nullptr;
    EXPECT_EQ(device->CreateTexture(size, size, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
    for (DWORD l = 0; l < t->GetLevelCount(); ++l) {
        D3DSURFACE_DESC d{};
        D3DLOCKED_RECT r{};
        t->GetLevelDesc(l, &d);
        t->LockRect(l, &r, nullptr, 0);
        for (UINT y = 0; y < d.Height; ++y)
            for (UINT x = 0; x < d.Width; ++x)
                reinterpret_cast<DWORD*>(static_cast<uint8_t*>(r.pBits) + y * r.Pitch)[x] = ((x ^ y) & 2) ? a : b;
        t->UnlockRect(l);
    }
    return t;
}

// An 8 x 8 DXT1 texture with its mips: every block a two-colour stripe of 565 colours `a`, `b`.
IDirect3DTexture9* MakeDxt1(IDirect3DDevice9* device, WORD a, WORD b)
{
    IDirect3DTexture9* t = nullptr;
    EXPECT_EQ(device->CreateTexture(8, 8, 0, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
    for (DWORD l = 0; t && l < t->GetLevelCount(); ++l) {
        D3DSURFACE_DESC d{};
        D3DLOCKED_RECT r{};
        t->GetLevelDesc(l, &d);
        t->LockRect(l, &r, nullptr, 0);
        const uint8_t block[8] = {uint8_t(a), uint8_t(a >> 8), uint8_t(b), uint8_t(b >> 8), 0x50, 0x05, 0x50, 0x05};
        for (UINT y = 0; y < (d.Height + 3) / 4; ++y)
            for (UINT x = 0; x < (d.Width + 3) / 4; ++x)
                std::memcpy(static_cast<uint8_t*>(r.pBits) + y * r.Pitch + x * 8, block, sizeof block);
        t->UnlockRect(l);
    }
    return t;
}

D3DMATERIAL9 Material(float r, float g, float b, float a)
{
    D3DMATERIAL9 m{};
    m.Diffuse = m.Ambient = {r, g, b, a};
    m.Emissive = {0.1f * b, 0.0f, 0.1f * r, 0.0f};
    return m;
}

void LookDownOnTheMap(IDirect3DDevice9* device)
{
    D3DMATRIX view = Translation(0.0f, 0.0f, 30.0f), proj{};
    proj._11 = 1.6f;
    proj._22 = 1.6f;
    proj._33 = 100.0f / 99.0f;
    proj._34 = 1.0f;
    proj._43 = -100.0f / 99.0f;
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &proj);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF406080);
    device->LightEnable(0, TRUE);
}

// A frame shaped like the game's, with everything that must break a run somewhere in it: runs of
// one mesh and texture with a new world and material each draw, boxes that overlap at equal
// depth and blend (so their order shows), a texture-less draw, a second index range, a state
// toggled off and on, pre-transformed and non-indexed draws, and a run longer than one batch.
// Textures of one size take turns within runs (layers of one array texture when batched), one
// of another size breaks them, and a texture let go mid-frame leaves its layer to a new one.
std::vector<DWORD> DrawMixedFrame(bool batching, QvDeviceStats* stats)
{
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = MakeDevice(&d3d, batching);
    if (!device)
        return {};
    const Box box = MakeBox(device);
    IDirect3DTexture9* textures[3] = {MakeChecker(device, 0xFFE0C080, 0xFF604020),
                                      MakeChecker(device, 0x80FFFFFF, 0xC02040C0),
                                      MakeChecker(device, 0xFF20A020, 0xFFF0F0F0, 16)};
    const D3DMATERIAL9 materials[3] = {Material(1, 1, 1, 1), Material(0.9f, 0.4f, 0.2f, 1), Material(0.3f, 0.8f, 0.5f, 1)};
    LookDownOnTheMap(device);

    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF101010, 1.0f, 0);
    device->BeginScene();
    const VertexPDT ground[4] = {{-20, 20, 1.5f, 0xFF00FFFF, 0, 0}, {20, 20, 1.5f, 0xFF00FFFF, 4, 0},
                                 {-20, -20, 1.5f, 0xFF00FFFF, 0, 4}, {20, -20, 1.5f, 0xFF00FFFF, 4, 4}};
    IDirect3DVertexBuffer9* groundVb = nullptr;
    device->CreateVertexBuffer(sizeof ground, 0, kFvfPDT, D3DPOOL_MANAGED, &groundVb, nullptr);
    void* p = nullptr;
    groundVb->Lock(0, 0, &p, 0);
    std::memcpy(p, ground, sizeof ground);
    groundVb->Unlock();
    device->SetTexture(0, textures[0]);
    device->SetFVF(kFvfPDT);
    device->SetStreamSource(0, groundVb, 0, sizeof(VertexPDT));
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2); // the same strip again: a run of two
    // DXT1 textures of one size take turns too (the last two draws are one run); the last shows
    // on half the ground.
    IDirect3DTexture9* blocks[2] = {MakeDxt1(device, 0xF800, 0x07E0), MakeDxt1(device, 0x001F, 0xFFE0)};
    for (int i = 0; i < 3; ++i) {
        device->SetTexture(0, blocks[i == 1 ? 0 : 1]);
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 1);
    }
    for (auto* t : blocks)
        t->Release();

    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetFVF(kFvfPNT);
    device->SetStreamSource(0, box.vb, 0, sizeof(VertexPNT));
    device->SetIndices(box.ib);
    for (int cell = 0; cell < 100; ++cell) {
        const int x = cell % 10, y = cell / 10;
        // Boxes 2 wide, 1.5 apart: neighbours overlap at the same depth.
        const D3DMATRIX world = Translation(-7.0f + 1.5f * float(x), -7.0f + 1.5f * float(y), 0.0f);
        device->SetTransform(D3DTS_WORLD, &world);
        device->SetMaterial(&materials[cell % 3]);
        IDirect3DTexture9* texture = cell % 17 == 3 ? textures[2] : cell >= 80 ? textures[cell % 2] : textures[(cell / 7) % 2];
        device->SetTexture(0, cell == 37 ? nullptr : texture);
        if (cell == 55)
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        if (cell == 58)
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        if (cell % 13 == 0) // the top face alone: another index range of the same buffers
            device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, 24, 2);
        else
            device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, 0, 12);
        if (cell == 70) { // the same world with another material, as a second subset would be
            device->SetMaterial(&materials[(cell + 1) % 3]);
            device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, 0, 12);
        }
    }
    // A point light and specular highlights: the program needs more per-draw values than fit in
    // attribute locations, and reads them from the instance block instead.
    D3DLIGHT9 point{};
    point.Type = D3DLIGHT_POINT;
    point.Diffuse = point.Specular = {1.0f, 0.9f, 0.8f, 1.0f};
    point.Position = {0.0f, 0.0f, -6.0f};
    point.Range = 100.0f;
    point.Attenuation0 = 1.0f;
    device->SetLight(1, &point);
    device->LightEnable(1, TRUE);
    device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    for (int i = 0; i < 12; ++i) {
        const D3DMATRIX world = Translation(-6.0f + 1.1f * float(i), 4.0f + 0.3f * float(i % 3), -1.0f);
        D3DMATERIAL9 shiny = materials[i % 3];
        shiny.Specular = {0.5f, 0.5f, 0.5f, 1.0f};
        shiny.Power = 4.0f + float(i);
        device->SetTransform(D3DTS_WORLD, &world);
        device->SetMaterial(&shiny);
        device->SetTexture(0, textures[i % 2]);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, 0, 12);
    }
    device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    device->LightEnable(1, FALSE);
    // A run longer than a batch holds: small boxes stacked on one spot, each nearer the camera.
    const D3DMATRIX small = {0.2f, 0, 0, 0, 0, 0.2f, 0, 0, 0, 0, 0.2f, 0, 6.0f, 6.0f, 0, 1};
    for (int i = 0; i < 600; ++i) {
        D3DMATRIX world = small;
        world._43 = -0.01f * float(i);
        world._41 += 0.004f * float(i % 50);
        device->SetTransform(D3DTS_WORLD, &world);
        device->SetMaterial(&materials[i % 3]);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, 0, 12);
    }
    // More records in one frame than the device's ring of them holds: it wraps, twice.
    for (int i = 0; i < 4500; ++i) {
        D3DMATRIX world = small;
        world._41 = -6.0f + 0.004f * float(i % 1500);
        world._42 = -2.0f + 0.6f * float(i / 1500);
        world._43 = -2.0f;
        device->SetTransform(D3DTS_WORLD, &world);
        device->SetMaterial(&materials[i % 3]);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, 0, 12);
    }
    // Stages 1 and 3 textured too, their textures changing from box to box; a texture let go
    // while its draw waits, and a new one made in its place.
    for (DWORD stage = 1; stage < 4; ++stage) {
        device->SetTextureStageState(stage, D3DTSS_TEXCOORDINDEX, 0);
        device->SetTextureStageState(stage, D3DTSS_COLOROP, stage == 2 ? D3DTOP_SELECTARG2 : D3DTOP_MODULATE);
        device->SetTextureStageState(stage, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(stage, D3DTSS_COLORARG2, D3DTA_CURRENT);
    }
    IDirect3DTexture9* passing = MakeChecker(device, 0xFF0000FF, 0xFFFFFF00);
    for (int i = 0; i < 12; ++i) {
        if (i == 6) { // gone while its last draw waits: the device held no reference of its own
            device->SetTexture(0, textures[0]);
            passing->Release();
            passing = MakeChecker(device, 0xFFFF00FF, 0xFF00FFFF);
        }
        const D3DMATRIX world = Translation(-6.0f + 1.1f * float(i), -5.0f, -1.5f);
        device->SetTransform(D3DTS_WORLD, &world);
        device->SetTexture(0, i == 6 || i == 7 ? textures[0] : passing);
        device->SetTexture(1, textures[(i / 2) % 2]);
        device->SetTexture(3, textures[(i + 1) % 2]);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, 0, 12);
    }
    device->SetTexture(0, textures[0]);
    device->SetTexture(1, nullptr);
    device->SetTexture(3, nullptr);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    passing->Release();
    const VertexRHW rhw[4] = {{2, 2, 0.0f, 1, 0x80FF0000}, {20, 2, 0.0f, 1, 0x80FF0000},
                              {2, 12, 0.0f, 1, 0x80FF0000}, {20, 12, 0.0f, 1, 0x80FF0000}};
    IDirect3DVertexBuffer9* rhwVb = nullptr;
    device->CreateVertexBuffer(sizeof rhw, 0, kFvfRHW, D3DPOOL_MANAGED, &rhwVb, nullptr);
    rhwVb->Lock(0, 0, &p, 0);
    std::memcpy(p, rhw, sizeof rhw);
    rhwVb->Unlock();
    device->SetFVF(kFvfRHW);
    device->SetStreamSource(0, rhwVb, 0, sizeof(VertexRHW));
    for (int i = 0; i < 3; ++i)
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    device->EndScene();

    std::vector<DWORD> pixels(64 * 64);
    UINT w = 0, h = 0;
    EXPECT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_CURRENT, pixels.data(), UINT(pixels.size()), &w, &h), D3D_OK);
    QvGetDeviceStats(device, stats);
    device->SetTexture(0, nullptr);
    device->SetStreamSource(0, nullptr, 0, 0);
    device->SetIndices(nullptr);
    for (auto* t : textures)
        t->Release();
    groundVb->Release();
    rhwVb->Release();
    box.vb->Release();
    box.ib->Release();
    EXPECT_EQ(device->Release(), 0u);
    d3d->Release();
    return pixels;
}

TEST(D3D9Batching, BatchedFramesArePixelForPixelTheUnbatchedOnes)
{
    QvDeviceStats on{}, off{};
    const std::vector<DWORD> batched = DrawMixedFrame(true, &on);
    const std::vector<DWORD> single = DrawMixedFrame(false, &off);
    ASSERT_EQ(batched.size(), single.size());
    size_t differing = 0;
    for (size_t i = 0; i < batched.size(); ++i)
        differing += batched[i] != single[i];
    EXPECT_EQ(differing, 0u);
    // Not a vacuous match: the frame has drawn content, and one run went as few GL draws.
    size_t distinct = 0;
    for (size_t i = 1; i < single.size(); ++i)
        distinct += single[i] != single[i - 1];
    EXPECT_GT(distinct, 200u);
    EXPECT_EQ(on.draws, off.draws);
    EXPECT_EQ(off.glDraws, off.draws);
    EXPECT_LT(on.glDraws, off.draws / 4);
    // 600 draws of one run cannot go as one: a batch holds a bounded number of records.
    EXPECT_GE(on.glDraws, 600u / 256u);
}

// One device with a box in view, to watch when waiting draws go to GL.
class D3D9BatchFlush : public ::testing::Test {
protected:
    void SetUp() override
    {
        device = MakeDevice(&d3d, true);
        ASSERT_NE(device, nullptr);
        box = MakeBox(device);
        texture = MakeChecker(device, 0xFFFFFFFF, 0xFF808080);
        LookDownOnTheMap(device);
        device->SetFVF(kFvfPNT);
        device->SetStreamSource(0, box.vb, 0, sizeof(VertexPNT));
        device->SetIndices(box.ib);
        device->SetTexture(0, texture);
    }
    void TearDown() override
    {
        if (!device)
            return;
        device->SetTexture(0, nullptr);
        device->SetStreamSource(0, nullptr, 0, 0);
        device->SetIndices(nullptr);
        texture->Release();
        box.vb->Release();
        box.ib->Release();
        EXPECT_EQ(device->Release(), 0u);
        d3d->Release();
    }

    QvDeviceStats Stats()
    {
        QvDeviceStats s{};
        EXPECT_EQ(QvGetDeviceStats(device, &s), D3D_OK);
        return s;
    }
    UINT GlDraws() { return Stats().glDraws; }

    void DrawAt(float x, const D3DMATERIAL9* material = nullptr)
    {
        const D3DMATRIX world = Translation(x, 0.0f, 0.0f);
        device->SetTransform(D3DTS_WORLD, &world);
        if (material)
            device->SetMaterial(material);
        EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, 0, 12), D3D_OK);
    }

    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    Box box;
    IDirect3DTexture9* texture = nullptr;
};

TEST_F(D3D9BatchFlush, EveryCallThatShowsOrChangesWhatADrawReadsSendsTheWaitingOnes)
{
    IDirect3DVertexBuffer9* spareVb = nullptr;
    IDirect3DIndexBuffer9* spareIb = nullptr;
    IDirect3DSurface9* plain = nullptr;
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &spareVb, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &spareIb, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateOffscreenPlainSurface(64, 64, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &plain, nullptr), D3D_OK);
    IDirect3DStateBlock9* block = nullptr;
    device->BeginStateBlock();
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->EndStateBlock(&block);
    ASSERT_NE(block, nullptr);
    IDirect3DTexture9* lockedTexture = MakeChecker(device, 0xFF000000, 0xFFFFFFFF);
    void* data = nullptr;
    D3DLOCKED_RECT rect{};
    DWORD value = 0;
    D3DMATRIX matrix;
    D3DMATERIAL9 material;
    IDirect3DBaseTexture9* base = nullptr;
    std::vector<DWORD> pixels(64 * 64);
    UINT w = 0, h = 0;

    // `before` runs ahead of the two draws (to lock what the unlock releases), `call` after
    // them, `after` once the count is taken (to unlock what the lock took).
    struct Case {
        const char* name;
        std::function<void()> before, call, after;
    };
    const std::vector<Case> cases = {
        {"Clear", {}, [&] { device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0); }, {}},
        {"EndScene", {}, [&] { device->EndScene(); }, {}},
        {"Present", {}, [&] { device->Present(nullptr, nullptr, nullptr, nullptr); }, {}},
        {"vertex buffer Lock", {}, [&] { spareVb->Lock(0, 0, &data, 0); }, [&] { spareVb->Unlock(); }},
        {"vertex buffer Unlock", [&] { spareVb->Lock(0, 0, &data, 0); }, [&] { spareVb->Unlock(); }, {}},
        {"index buffer Lock", {}, [&] { spareIb->Lock(0, 0, &data, D3DLOCK_READONLY); }, [&] { spareIb->Unlock(); }},
        {"texture LockRect", {}, [&] { lockedTexture->LockRect(0, &rect, nullptr, 0); }, [&] { lockedTexture->UnlockRect(0); }},
        {"texture UnlockRect", [&] { lockedTexture->LockRect(1, &rect, nullptr, 0); }, [&] { lockedTexture->UnlockRect(1); }, {}},
        {"surface LockRect", {}, [&] { plain->LockRect(&rect, nullptr, 0); }, [&] { plain->UnlockRect(); }},
        {"QvReadBackBuffer", {}, [&] { QvReadBackBuffer(device, QV_BACKBUFFER_CURRENT, pixels.data(), 64 * 64, &w, &h); }, {}},
        {"GetRenderTargetData", [&] { device->GetRenderTarget(0, &target); },
         [&] { device->GetRenderTargetData(target, plain), target->Release(); }, {}},
        {"GetRenderTarget", {}, [&] { device->GetRenderTarget(0, &target), target->Release(); }, {}},
        {"GetBackBuffer", {}, [&] { device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &target), target->Release(); }, {}},
        {"state block Capture", {}, [&] { block->Capture(); }, {}},
        {"state block Apply", {}, [&] { block->Apply(); }, {}},
        {"GetRenderState", {}, [&] { device->GetRenderState(D3DRS_ZENABLE, &value); }, {}},
        {"GetTextureStageState", {}, [&] { device->GetTextureStageState(0, D3DTSS_COLOROP, &value); }, {}},
        {"GetSamplerState", {}, [&] { device->GetSamplerState(0, D3DSAMP_MINFILTER, &value); }, {}},
        {"GetTransform", {}, [&] { device->GetTransform(D3DTS_WORLD, &matrix); }, {}},
        {"GetMaterial", {}, [&] { device->GetMaterial(&material); }, {}},
        {"GetTexture", {}, [&] { device->GetTexture(0, &base), base->Release(); }, {}},
        {"GetFVF", {}, [&] { device->GetFVF(&value); }, {}},
    };
    const D3DMATERIAL9 red = Material(1, 0, 0, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device->BeginScene();
        if (c.before)
            c.before();
        const UINT sent = GlDraws();
        DrawAt(-2.0f);
        DrawAt(2.0f, &red);
        EXPECT_EQ(GlDraws(), sent) << "two draws of one mesh should wait as one batch";
        c.call();
        EXPECT_EQ(GlDraws(), sent + 1);
        if (c.after)
            c.after();
        device->EndScene();
    }
    plain->Release();
    spareVb->Release();
    spareIb->Release();
    block->Release();
    lockedTexture->Release();
}

TEST_F(D3D9BatchFlush, OnlyTransformsAndMaterialLetADrawJoinTheOneBefore)
{
    const D3DMATERIAL9 red = Material(1, 0, 0, 1);
    IDirect3DTexture9* other = MakeChecker(device, 0xFF00FF00, 0xFF0000FF);
    IDirect3DTexture9* drawn = MakeChecker(device, 0xFF00FFFF, 0xFF000000);
    IDirect3DTexture9* larger = MakeChecker(device, 0xFF00FF00, 0xFF0000FF, 16);
    const Box copy = MakeBox(device);
    // Uploaded once: from then on it is another layer of the array texture the box's is in.
    device->BeginScene();
    device->SetTexture(0, drawn);
    DrawAt(0.0f);
    device->SetTexture(0, texture);
    device->EndScene();
    const D3DMATRIX view = Translation(0.0f, 1.0f, 30.0f), world = Translation(0.0f, 3.0f, 0.0f);
    // Each change is made between the second and third of three draws of the same shape.
    struct Case {
        const char* name;
        bool joins;
        std::function<void()> change;
    };
    const std::vector<Case> cases = {
        {"world and material", true, [&] { device->SetTransform(D3DTS_WORLD, &world), device->SetMaterial(&red); }},
        {"the same values again", true, [&] { device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE), device->SetTexture(0, texture); }},
        {"the same index buffer again", true, [&] { device->SetIndices(nullptr), device->SetIndices(box.ib); }},
        {"GetDeviceCaps", true, [&] { D3DCAPS9 caps; device->GetDeviceCaps(&caps); }},
        {"a texture of the same size, drawn before", true, [&] { device->SetTexture(0, drawn); }},
        {"a texture never drawn", false, [&] { device->SetTexture(0, other); }},
        {"a texture of another size", false, [&] { device->SetTexture(0, larger); }},
        {"render state", false, [&] { device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE); }},
        {"ambient", false, [&] { device->SetRenderState(D3DRS_AMBIENT, 0xFF102030); }},
        {"sampler state", false, [&] { device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR); }},
        {"texture stage state", false, [&] { device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1); }},
        {"view", false, [&] { device->SetTransform(D3DTS_VIEW, &view); }},
        {"light", false, [&] { device->LightEnable(0, FALSE); }},
        {"vertex buffer", false, [&] { device->SetStreamSource(0, copy.vb, 0, sizeof(VertexPNT)); }},
        {"index buffer", false, [&] { device->SetIndices(copy.ib); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device->BeginScene();
        const UINT sent = GlDraws();
        DrawAt(-2.0f);
        DrawAt(2.0f);
        c.change();
        EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, 0, 12), D3D_OK);
        EXPECT_EQ(GlDraws(), sent + (c.joins ? 0u : 1u));
        device->EndScene();
        EXPECT_EQ(GlDraws(), sent + (c.joins ? 1u : 2u));
        device->SetTexture(0, texture);
    }
    drawn->Release();
    larger->Release();
    device->SetStreamSource(0, box.vb, 0, sizeof(VertexPNT));
    device->SetIndices(box.ib);
    copy.vb->Release();
    copy.ib->Release();
    other->Release();
}

TEST_F(D3D9BatchFlush, ALockBetweenTwoDrawsChangesOnlyTheLaterOne)
{
    const D3DMATRIX world = Identity();
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetTexture(0, nullptr);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, 0, 12);
    // Move the box to the right in its own buffer, then draw it again with the same states.
    VertexPNT* v = nullptr;
    ASSERT_EQ(box.vb->Lock(0, 0, reinterpret_cast<void**>(&v), 0), D3D_OK);
    for (int i = 0; i < 24; ++i)
        v[i].x += 8.0f;
    box.vb->Unlock();
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, 0, 12);
    device->EndScene();
    std::vector<DWORD> px(64 * 64);
    UINT w = 0, h = 0;
    ASSERT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_CURRENT, px.data(), UINT(px.size()), &w, &h), D3D_OK);
    // Both boxes show: the first where it was when it was drawn.
    EXPECT_EQ(px[32 * 64 + 32] & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(px[32 * 64 + 32 + 14] & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(px[32 * 64 + 32 - 14] & 0xFFFFFF, 0u);
}

TEST_F(D3D9BatchFlush, ATextureLetGoWhileItsDrawWaitsIsStillTheOneDrawn)
{
    const D3DMATRIX world = Identity();
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    IDirect3DTexture9* green = MakeChecker(device, 0xFF00FF00, 0xFF00FF00);
    device->SetTexture(0, green);
    green->Release(); // the device holds the last reference
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, 0, 12);
    device->SetTexture(0, texture); // frees the green texture while its draw waits
    device->EndScene();
    std::vector<DWORD> px(64 * 64);
    UINT w = 0, h = 0;
    ASSERT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_CURRENT, px.data(), UINT(px.size()), &w, &h), D3D_OK);
    EXPECT_EQ(px[32 * 64 + 32] & 0xFFFFFF, 0x00FF00u);
}

// Texture uploads go to the texture bound on GL's active unit, which is whichever unit was bound
// last: a texture rewritten between frames must still go up into itself.
TEST(D3D9BatchTextures, ATextureRewrittenBetweenFramesGoesUpIntoItself)
{
    for (bool batching : {false, true}) {
        SCOPED_TRACE(batching ? "batched" : "single");
        IDirect3D9* d3d = nullptr;
        IDirect3DDevice9* device = MakeDevice(&d3d, batching);
        ASSERT_NE(device, nullptr);
        const Box box = MakeBox(device);
        // Of two sizes, so that they are two GL textures whichever way the device holds them.
        IDirect3DTexture9* first = MakeChecker(device, 0xFFFF0000, 0xFFFF0000);
        IDirect3DTexture9* second = MakeChecker(device, 0xFFFFFFFF, 0xFFFFFFFF, 16);
        LookDownOnTheMap(device);
        const D3DMATRIX world = Identity();
        device->SetTransform(D3DTS_WORLD, &world);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetFVF(kFvfPNT);
        device->SetStreamSource(0, box.vb, 0, sizeof(VertexPNT));
        device->SetIndices(box.ib);
        device->SetTexture(0, first);
        device->SetTexture(1, second);
        device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
        device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
        auto centre = [&] {
            device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
            device->BeginScene();
            device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, 0, 12);
            device->EndScene();
            std::vector<DWORD> px(64 * 64);
            UINT w = 0, h = 0;
            EXPECT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_CURRENT, px.data(), UINT(px.size()), &w, &h), D3D_OK);
            return px[32 * 64 + 32] & 0xFFFFFF;
        };
        EXPECT_EQ(centre(), 0xFF0000u);
        for (DWORD l = 0; l < first->GetLevelCount(); ++l) {
            D3DSURFACE_DESC d{};
            D3DLOCKED_RECT r{};
            first->GetLevelDesc(l, &d);
            ASSERT_EQ(first->LockRect(l, &r, nullptr, 0), D3D_OK);
            for (UINT y = 0; y < d.Height; ++y)
                for (UINT x = 0; x < d.Width; ++x)
                    reinterpret_cast<DWORD*>(static_cast<uint8_t*>(r.pBits) + y * r.Pitch)[x] = 0xFF00FF00;
            first->UnlockRect(l);
        }
        EXPECT_EQ(centre(), 0x00FF00u);
        device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        device->SetTexture(0, second);
        EXPECT_EQ(centre(), 0xFFFFFFu);
        device->SetTexture(0, nullptr);
        device->SetTexture(1, nullptr);
        device->SetStreamSource(0, nullptr, 0, 0);
        device->SetIndices(nullptr);
        first->Release();
        second->Release();
        box.vb->Release();
        box.ib->Release();
        EXPECT_EQ(device->Release(), 0u);
        d3d->Release();
    }
}

} // namespace
