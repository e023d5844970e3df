// The Direct3D 9 layer under misuse: random call sequences with partly invalid arguments
// (states and values out of range, null and app-released resources, draws outside a scene or
// past the end of their buffers, overlapping locks, state blocks recorded and applied at odd
// times). Nothing may crash, GL must never report an error, every lock that succeeds must give
// the whole range it promised, and a draw whose vertices or indices lie past their buffers is
// refused. Afterwards the device still draws. The answers in MisuseAnswers are the ones
// Direct3D 9 (Wine's d3d9) gives.
#include "test_d3d9_support.h"

#include <SDL.h>

#include <climits>
#include <initializer_list>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

using namespace d3d9test;

namespace {

using GetErrorFn = unsigned (*)();
constexpr unsigned kGlNoError = 0;

class D3D9Misuse : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        glGetError_ = reinterpret_cast<GetErrorFn>(SDL_GL_GetProcAddress("glGetError"));
        ASSERT_NE(glGetError_, nullptr);
        ASSERT_EQ(glGetError_(), kGlNoError);
    }
    GetErrorFn glGetError_ = nullptr;
};

TEST_F(D3D9Misuse, AnswersDirect3D9Gives)
{
    const D3DLIGHT9 noType{};
    EXPECT_EQ(device->SetLight(0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetLight(0, &noType), D3DERR_INVALIDCALL);
    IDirect3DTexture9* tex = nullptr;
    EXPECT_EQ(device->CreateTexture(0, 0, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, &tex, nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->CreateTexture(8, 8, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
    D3DLOCKED_RECT lr{};
    EXPECT_EQ(tex->LockRect(2, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
    EXPECT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);  // a level locks once
    EXPECT_EQ(tex->UnlockRect(0), D3D_OK);
    EXPECT_EQ(tex->UnlockRect(5), D3DERR_INVALIDCALL);
    D3DSURFACE_DESC desc;
    EXPECT_EQ(tex->GetLevelDesc(9, &desc), D3DERR_INVALIDCALL);
    IDirect3DSurface9* surface = nullptr;
    EXPECT_EQ(tex->GetSurfaceLevel(9, &surface), D3DERR_INVALIDCALL);

    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(96, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    void* p = nullptr;
    EXPECT_EQ(vb->Lock(0, 16, &p, 0), D3D_OK);  // buffers nest their locks
    EXPECT_EQ(vb->Lock(8, 16, &p, 0), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(device->SetStreamSource(16, vb, 0, 16), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    device->SetStreamSource(0, vb, 0, 16);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 0, 1), D3DERR_INVALIDCALL);  // no indices
    EXPECT_EQ(device->EndScene(), D3D_OK);

    IDirect3DStateBlock9* block = nullptr;
    EXPECT_EQ(device->EndStateBlock(&block), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
    EXPECT_EQ(device->BeginStateBlock(), D3DERR_INVALIDCALL);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    ASSERT_EQ(device->EndStateBlock(&block), D3D_OK);
    ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
    // A block applied or captured while another records would write into the wrong one.
    EXPECT_EQ(block->Apply(), D3DERR_INVALIDCALL);
    EXPECT_EQ(block->Capture(), D3DERR_INVALIDCALL);
    IDirect3DStateBlock9* second = nullptr;
    ASSERT_EQ(device->EndStateBlock(&second), D3D_OK);
    DWORD lighting = 0;
    device->GetRenderState(D3DRS_LIGHTING, &lighting);
    EXPECT_EQ(lighting, DWORD(TRUE));
    EXPECT_EQ(block->Apply(), D3D_OK);
    device->GetRenderState(D3DRS_LIGHTING, &lighting);
    EXPECT_EQ(lighting, DWORD(FALSE));

    EXPECT_EQ(device->GetBackBuffer(1, 0, D3DBACKBUFFER_TYPE_MONO, &surface), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetBackBuffer(0, 5, D3DBACKBUFFER_TYPE_MONO, &surface), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetRenderTarget(1, &surface), D3DERR_NOTFOUND);
    D3DDISPLAYMODE mode;
    EXPECT_EQ(device->GetDisplayMode(1, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetDeviceCaps(nullptr), D3DERR_INVALIDCALL);

    device->SetStreamSource(0, nullptr, 0, 0);
    second->Release();
    block->Release();
    vb->Release();
    tex->Release();
    EXPECT_EQ(glGetError_(), kGlNoError);
}

// Strides, counts, offsets and base vertices at and past the limits the caps report, chosen so
// that the byte a draw would end at wraps in 32 or 64 bits and lands inside a small buffer.
// Each is tried with solid, wireframe and point fill: on ES the last two go through the rewrite,
// which reads the vertices on the CPU.
class D3D9DrawLimits : public D3D9Misuse {
protected:
    static constexpr UINT kBytes = 96; // six XYZ | DIFFUSE vertices
    static constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;

    void SetUp() override
    {
        D3D9Misuse::SetUp();
        ASSERT_EQ(device->GetDeviceCaps(&caps), D3D_OK);
        ASSERT_EQ(device->CreateVertexBuffer(kBytes, 0, kFvf, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
        void* p = nullptr;
        ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
        std::memset(p, 0x3F, kBytes);
        vb->Unlock();
        device->SetFVF(kFvf);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
    }
    void TearDown() override
    {
        device->EndScene();
        device->SetStreamSource(0, nullptr, 0, 0);
        device->SetIndices(nullptr);
        if (ib) ib->Release();
        if (vb) vb->Release();
        D3D9Misuse::TearDown();
    }
    // A 32-bit index buffer holding `indices`, bound to the device.
    void BindIndices(std::initializer_list<UINT> indices)
    {
        if (ib) ib->Release();
        ib = nullptr;
        ASSERT_EQ(device->CreateIndexBuffer(UINT(indices.size() * 4), 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &ib, nullptr),
                  D3D_OK);
        void* p = nullptr;
        ASSERT_EQ(ib->Lock(0, 0, &p, 0), D3D_OK);
        std::memcpy(p, indices.begin(), indices.size() * 4);
        ib->Unlock();
        ASSERT_EQ(device->SetIndices(ib), D3D_OK);
    }
    // Runs `draw` under each fill mode, expecting `want` and no GL error each time.
    template <class Draw>
    void EveryFill(HRESULT want, Draw draw)
    {
        for (DWORD fill : {D3DFILL_WIREFRAME, D3DFILL_POINT, D3DFILL_SOLID}) {
            SCOPED_TRACE(::testing::Message() << "fill " << fill);
            device->SetRenderState(D3DRS_FILLMODE, fill);
            EXPECT_EQ(draw(), want);
            ASSERT_EQ(glGetError_(), kGlNoError);
        }
        device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    }

    D3DCAPS9 caps{};
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
};

TEST_F(D3D9DrawLimits, StreamStrideIsBoundByTheCaps)
{
    ASSERT_EQ(caps.MaxStreamStride, 255u);
    EXPECT_EQ(device->SetStreamSource(0, vb, 0, 0), D3D_OK);
    EXPECT_EQ(device->SetStreamSource(0, vb, 0, caps.MaxStreamStride), D3D_OK);
    for (UINT stride : {caps.MaxStreamStride + 1, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        EXPECT_EQ(device->SetStreamSource(0, vb, 0, stride), D3DERR_INVALIDCALL) << stride;
        ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
        EXPECT_EQ(device->SetStreamSource(0, vb, 0, stride), D3DERR_INVALIDCALL) << "recorded, " << stride;
        IDirect3DStateBlock9* block = nullptr;
        ASSERT_EQ(device->EndStateBlock(&block), D3D_OK);
        block->Release();
    }
    // A refused stride leaves the stream as it was: at offset 8 the two triangles would not fit.
    ASSERT_EQ(device->SetStreamSource(0, vb, 0, 16), D3D_OK);
    EXPECT_EQ(device->SetStreamSource(0, vb, 8, 0xFFFFFFFF), D3DERR_INVALIDCALL);
    EveryFill(D3D_OK, [&] { return device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2); });
}

// stride 0xFFFFFFFF: the sixth vertex of 0x55555556 triangles ends at 2^64 + 15.
TEST_F(D3D9DrawLimits, StrideAndCountWhoseEndWrapsAreRefused)
{
    device->SetStreamSource(0, vb, 0, 0xFFFFFFFF);
    EveryFill(D3DERR_INVALIDCALL, [&] { return device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0x55555556); });
    device->SetStreamSource(0, vb, 0, 16);
    EveryFill(D3DERR_INVALIDCALL, [&] { return device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0x55555556); });
    EveryFill(D3DERR_INVALIDCALL, [&] { return device->DrawPrimitive(D3DPT_POINTLIST, 0, caps.MaxPrimitiveCount + 1); });
    EveryFill(D3DERR_INVALIDCALL, [&] { return device->DrawPrimitive(D3DPT_LINESTRIP, 0xFFFFFFFF, 1); });
    EveryFill(D3DERR_INVALIDCALL, [&] { return device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0x7FFFFFFF, 0xFFFFFFFF); });
    // The last vertex that fits, and one past it, with and without an offset.
    EveryFill(D3D_OK, [&] { return device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2); });
    EveryFill(D3DERR_INVALIDCALL, [&] { return device->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 2); });
    device->SetStreamSource(0, vb, 16, 16);
    EveryFill(D3D_OK, [&] { return device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 3); });
    EveryFill(D3DERR_INVALIDCALL, [&] { return device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 4); });
    device->SetStreamSource(0, vb, 0xFFFFFFFF, 16);
    EveryFill(D3DERR_INVALIDCALL, [&] { return device->DrawPrimitive(D3DPT_POINTLIST, 0, 1); });
    device->SetStreamSource(0, vb, 0, 0);
    EveryFill(D3DERR_INVALIDCALL, [&] { return device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1); });
}

// Base vertex 0x7FFFFFFF plus index 0x80000002 is vertex 2^32 + 1, whose end at stride
// 0xFFFFFFFF is 2^64 + 15; base vertex INT_MIN brings the same index back to vertex 2.
TEST_F(D3D9DrawLimits, BaseVertexAndIndicesWhoseEndWrapsAreRefused)
{
    BindIndices({0x80000002u, 0x80000002u, 0x80000002u, 0, 1, 2});
    device->SetStreamSource(0, vb, 0, 0xFFFFFFFF);
    EveryFill(D3DERR_INVALIDCALL, [&] { return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0x7FFFFFFF, 0, 6, 0, 1); });
    device->SetStreamSource(0, vb, 0, 16);
    EveryFill(D3DERR_INVALIDCALL, [&] { return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0x7FFFFFFF, 0, 6, 0, 1); });
    EveryFill(D3DERR_INVALIDCALL, [&] { return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, INT_MIN, 0, 3, 0, 1); });
    EveryFill(D3DERR_INVALIDCALL, [&] { return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, INT_MIN, 0, 3, 3, 1); });
    EveryFill(D3DERR_INVALIDCALL, [&] { return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, INT_MAX, 0, 3, 3, 1); });
    EveryFill(D3DERR_INVALIDCALL, [&] { return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 3, 3, 1); });
    EveryFill(D3D_OK, [&] { return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 3, 0, 3, 3, 1); });
    BindIndices({caps.MaxVertexIndex + 1, caps.MaxVertexIndex + 2, caps.MaxVertexIndex + 3});
    EveryFill(D3DERR_INVALIDCALL, [&] {
        return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -int(caps.MaxVertexIndex + 1), 0, 3, 0, 1);
    });
    // MinVertexIndex and NumVertices are hints: at their largest they take part in no sum.
    BindIndices({0, 1, 2});
    EveryFill(D3D_OK, [&] { return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0xFFFFFFFF, 0xFFFFFFFF, 0, 1); });
}

// Start indices whose sum with the index count wraps in 32 bits.
TEST_F(D3D9DrawLimits, StartIndexWhoseEndWrapsIsRefused)
{
    BindIndices({0, 1, 2, 3, 4, 5});
    device->SetStreamSource(0, vb, 0, 16);
    EveryFill(D3DERR_INVALIDCALL, [&] { return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 0xFFFFFFFF, 1); });
    EveryFill(D3DERR_INVALIDCALL, [&] { return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 0xFFFFFFFE, 1); });
    EveryFill(D3DERR_INVALIDCALL,
              [&] { return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 0, 0x55555556); });
    EveryFill(D3DERR_INVALIDCALL,
              [&] { return device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, 6, 0x7FFFFFFF, 0xFFFFFFFF); });
    EveryFill(D3DERR_INVALIDCALL, [&] { return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 4, 1); });
    EveryFill(D3D_OK, [&] { return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 3, 1); });
}

// The random caller. Objects it has let go of but the device or a block may still hold are
// only ever reached through the device again, never called.
class Misuser {
public:
    Misuser(IDirect3DDevice9* device, uint32_t seed) : d_(device), rng_(seed)
    {
        // A buffer only this caller's valid draws use: never locked, never let go.
        std::vector<VertexRHW> v(64);
        for (size_t i = 0; i < v.size(); ++i)
            v[i] = {float(i % 8) * 9.0f, float(i / 8) * 9.0f, 0.5f, 1.0f, 0xFF000000u | DWORD(i * 0x030507)};
        d_->CreateVertexBuffer(UINT(v.size() * sizeof(VertexRHW)), 0, 0, D3DPOOL_MANAGED, &good_, nullptr);
        void* p = nullptr;
        good_->Lock(0, 0, &p, 0);
        std::memcpy(p, v.data(), v.size() * sizeof(VertexRHW));
        good_->Unlock();
    }
    ~Misuser()
    {
        good_->Release();
        while (recording_) EndBlock();
        for (auto* t : textures_) t->Release();
        for (auto* b : vbs_) b->Release();
        for (auto* b : ibs_) b->Release();
        for (auto* s : blocks_) s->Release();
    }

    void Step();
    bool inScene = false;

private:
    uint32_t Pick(uint32_t n) { return rng_() % n; }
    bool Chance(uint32_t oneIn) { return Pick(oneIn) == 0; }
    DWORD AnyValue()
    {
        const DWORD odd[] = {0, 1, 2, 3, 7, 99, 0x7FFFFFFF, 0xFFFFFFFF, 0x80000000};
        return Chance(2) ? Pick(12) : odd[Pick(9)];
    }
    float AnyFloat()
    {
        const float odd[] = {0.0f, -1.0f, 1e30f, -1e30f, std::numeric_limits<float>::quiet_NaN(),
                             std::numeric_limits<float>::infinity(), 1e-30f};
        return Chance(2) ? float(Pick(200)) / 50.0f - 2.0f : odd[Pick(7)];
    }
    // A size at a limit or just past one: 0, 1, either side of `near`, the caps' stride and
    // counts, and 31 and 32 bits.
    UINT Edge(UINT near)
    {
        const UINT edge[] = {0, 1, near - 1, near, near + 1, 255, 256, 0xFFFFFF, 0x1000000, 0x55555556,
                             0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
        return edge[Pick(13)];
    }
    template <class T>
    T* Any(const std::vector<T*>& pool) { return pool.empty() || Chance(5) ? nullptr : pool[Pick(uint32_t(pool.size()))]; }

    void MakeResource();
    void LetGo();
    void LockBuffer();
    void LockTexture();
    void Draw();
    void ValidDraw();
    void SetStates();
    void EndBlock();

    IDirect3DDevice9* d_;
    std::mt19937 rng_;
    IDirect3DVertexBuffer9* good_ = nullptr;
    std::vector<IDirect3DTexture9*> textures_;
    std::vector<IDirect3DVertexBuffer9*> vbs_;
    std::vector<IDirect3DIndexBuffer9*> ibs_;
    std::vector<IDirect3DStateBlock9*> blocks_;
    // What the device draws from, as far as this caller knows (null when it let go).
    IDirect3DVertexBuffer9* stream_ = nullptr;
    UINT streamBytes_ = 0, offset_ = 0, stride_ = 0;
    IDirect3DIndexBuffer9* indices_ = nullptr;
    UINT indexCount_ = 0;
    DWORD fvf_ = 0;
    bool recording_ = false;
    bool knownBindings_ = true;  // false once a block may have changed them
};

void Misuser::MakeResource()
{
    switch (Pick(3)) {
    case 0: {
        const D3DFORMAT formats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A4R4G4B4, D3DFMT_DXT1,
                                     D3DFMT_DXT5, D3DFMT_L8, D3DFMT_UNKNOWN, D3DFMT_D16, static_cast<D3DFORMAT>(12345)};
        IDirect3DTexture9* t = nullptr;
        const UINT w = Chance(8) ? 0x10000u : 1 + Pick(70), h = Chance(8) ? 0 : 1 + Pick(70);
        if (SUCCEEDED(d_->CreateTexture(w, h, Pick(9), Chance(4) ? AnyValue() : 0, formats[Pick(10)],
                                        D3DPOOL(Pick(4)), &t, nullptr)))
            textures_.push_back(t);
        break;
    }
    case 1: {
        IDirect3DVertexBuffer9* b = nullptr;
        const DWORD fvf = Chance(3) ? 0 : (Chance(2) ? D3DFVF_XYZ | D3DFVF_DIFFUSE : AnyValue());
        if (SUCCEEDED(d_->CreateVertexBuffer(Chance(6) ? 0 : 16 * (1 + Pick(16)) + Pick(3), AnyValue() & 0x208, fvf,
                                             D3DPOOL(Pick(3)), &b, nullptr)))
            vbs_.push_back(b);
        break;
    }
    default: {
        IDirect3DIndexBuffer9* b = nullptr;
        const D3DFORMAT formats[] = {D3DFMT_INDEX16, D3DFMT_INDEX32, D3DFMT_A8R8G8B8};
        if (SUCCEEDED(d_->CreateIndexBuffer(Chance(6) ? 0 : 2 * (1 + Pick(40)), 0, formats[Pick(3)], D3DPOOL(Pick(3)),
                                            &b, nullptr)))
            ibs_.push_back(b);
        break;
    }
    }
}

// The caller's own reference goes; whatever the device or a block binds stays alive there.
void Misuser::LetGo()
{
    auto drop = [&](auto& pool) {
        if (pool.empty()) return;
        const size_t i = Pick(uint32_t(pool.size()));
        if (pool[i] == static_cast<void*>(stream_)) stream_ = nullptr;
        if (pool[i] == static_cast<void*>(indices_)) indices_ = nullptr;
        pool[i]->Release();
        pool.erase(pool.begin() + long(i));
    };
    switch (Pick(4)) {
    case 0: drop(textures_); break;
    case 1: drop(vbs_); break;
    case 2: drop(ibs_); break;
    default: drop(blocks_); break;
    }
}

// Random ranges, some past the end, locks nested on purpose. What a lock hands out must be
// writable for all of the range asked for.
void Misuser::LockBuffer()
{
    const bool vertex = Chance(2);
    IDirect3DResource9* any = vertex ? static_cast<IDirect3DResource9*>(Any(vbs_)) : Any(ibs_);
    if (!any) return;
    UINT total = 0;
    if (vertex) {
        D3DVERTEXBUFFER_DESC desc;
        static_cast<IDirect3DVertexBuffer9*>(any)->GetDesc(&desc);
        total = desc.Size;
    } else {
        D3DINDEXBUFFER_DESC desc;
        static_cast<IDirect3DIndexBuffer9*>(any)->GetDesc(&desc);
        total = desc.Size;
    }
    const UINT offset = Chance(4) ? total + Pick(4) - 2 : Pick(total + 1);
    const UINT size = Chance(4) ? 0 : (Chance(4) ? 0xFFFFFFF0u : Pick(total + 8));
    const DWORD flags = Chance(3) ? AnyValue() : (Chance(2) ? D3DLOCK_DISCARD : 0);
    void* p = nullptr;
    const HRESULT hr = vertex ? static_cast<IDirect3DVertexBuffer9*>(any)->Lock(offset, size, &p, flags)
                              : static_cast<IDirect3DIndexBuffer9*>(any)->Lock(offset, size, &p, flags);
    if (SUCCEEDED(hr)) {
        ASSERT_NE(p, nullptr);
        ASSERT_LE(uint64_t(offset) + (size ? size : total - offset), uint64_t(total));
        std::memset(p, int(Pick(256)), size ? size : total - offset);
    }
    const int unlocks = SUCCEEDED(hr) ? int(Pick(3)) : int(Chance(4));  // sometimes too few, sometimes one too many
    for (int i = 0; i < unlocks; ++i)
        vertex ? static_cast<IDirect3DVertexBuffer9*>(any)->Unlock() : static_cast<IDirect3DIndexBuffer9*>(any)->Unlock();
}

void Misuser::LockTexture()
{
    IDirect3DTexture9* t = Any(textures_);
    if (!t) return;
    const UINT level = Pick(t->GetLevelCount() + 1);
    D3DSURFACE_DESC desc{};
    const bool levelExists = SUCCEEDED(t->GetLevelDesc(level, &desc));
    RECT r{LONG(Pick(80)) - 4, LONG(Pick(80)) - 4, LONG(Pick(80)) - 4, LONG(Pick(80)) - 4};
    const bool whole = Chance(2);
    D3DLOCKED_RECT lr{};
    const HRESULT hr = t->LockRect(level, &lr, whole ? nullptr : &r, Chance(4) ? AnyValue() : 0);
    if (SUCCEEDED(hr)) {
        ASSERT_TRUE(levelExists);
        ASSERT_NE(lr.pBits, nullptr);
        RECT area = whole ? RECT{0, 0, LONG(desc.Width), LONG(desc.Height)} : r;
        ASSERT_TRUE(area.left >= 0 && area.top >= 0 && area.left < area.right && area.top < area.bottom &&
                    UINT(area.right) <= desc.Width && UINT(area.bottom) <= desc.Height);
        const bool blocks = desc.Format == D3DFMT_DXT1 || desc.Format == D3DFMT_DXT5;
        const UINT rows = blocks ? UINT(area.bottom - area.top + 3) / 4 : UINT(area.bottom - area.top);
        const UINT bytesPerUnit = blocks ? (desc.Format == D3DFMT_DXT1 ? 8 : 16)
                                : (desc.Format == D3DFMT_R5G6B5 || desc.Format == D3DFMT_A4R4G4B4) ? 2
                                : desc.Format == D3DFMT_L8 ? 1 : 4;
        const UINT units = blocks ? UINT(area.right - area.left + 3) / 4 : UINT(area.right - area.left);
        for (UINT y = 0; y < rows; ++y)
            std::memset(static_cast<uint8_t*>(lr.pBits) + size_t(y) * size_t(lr.Pitch), 0x5A, units * bytesPerUnit);
    }
    const int unlocks = SUCCEEDED(hr) ? int(!Chance(8)) : int(Chance(4));
    for (int i = 0; i < unlocks; ++i) t->UnlockRect(Chance(8) ? level + 1 : level);
}

void Misuser::SetStates()
{
    const D3DRENDERSTATETYPE states[] = {D3DRS_ZENABLE, D3DRS_FILLMODE, D3DRS_SHADEMODE, D3DRS_ZWRITEENABLE,
                                         D3DRS_ALPHATESTENABLE, D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_CULLMODE,
                                         D3DRS_ZFUNC, D3DRS_ALPHAREF, D3DRS_ALPHAFUNC, D3DRS_ALPHABLENDENABLE,
                                         D3DRS_LIGHTING, D3DRS_AMBIENT, D3DRS_COLORVERTEX, D3DRS_BLENDOP,
                                         D3DRS_COLORWRITEENABLE, D3DRS_SPECULARENABLE, D3DRS_DIFFUSEMATERIALSOURCE,
                                         D3DRS_SEPARATEALPHABLENDENABLE, D3DRS_SRCBLENDALPHA, D3DRS_TEXTUREFACTOR};
    switch (Pick(9)) {
    case 0: d_->SetRenderState(Chance(8) ? D3DRENDERSTATETYPE(AnyValue()) : states[Pick(22)], AnyValue()); break;
    case 1: d_->SetTextureStageState(Pick(10), D3DTEXTURESTAGESTATETYPE(Pick(36)), AnyValue()); break;
    case 2: d_->SetSamplerState(Pick(10), D3DSAMPLERSTATETYPE(Pick(16)), AnyValue()); break;
    case 3: {
        D3DMATRIX m = Identity();
        for (int i = 0; i < 3; ++i) (&m._11)[Pick(16)] = AnyFloat();
        const DWORD types[] = {D3DTS_VIEW, D3DTS_PROJECTION, 256, D3DTS_TEXTURE0, D3DTS_TEXTURE0 + 7, 1, 300, 512};
        d_->SetTransform(D3DTRANSFORMSTATETYPE(types[Pick(8)]), Chance(10) ? nullptr : &m);
        break;
    }
    case 4: {
        D3DMATERIAL9 m{};
        m.Diffuse = {AnyFloat(), AnyFloat(), AnyFloat(), AnyFloat()};
        m.Power = AnyFloat();
        d_->SetMaterial(Chance(10) ? nullptr : &m);
        break;
    }
    case 5: {
        D3DLIGHT9 l{};
        l.Type = D3DLIGHTTYPE(Pick(5));
        l.Diffuse = {AnyFloat(), 1, 1, 1};
        l.Direction = {AnyFloat(), AnyFloat(), AnyFloat()};
        l.Range = AnyFloat();
        l.Attenuation0 = AnyFloat();
        l.Falloff = AnyFloat();
        l.Theta = AnyFloat();
        l.Phi = AnyFloat();
        d_->SetLight(Pick(10), Chance(10) ? nullptr : &l);
        d_->LightEnable(Pick(10), BOOL(AnyValue()));
        break;
    }
    case 6: d_->SetTexture(Pick(10), Any(textures_)); break;
    case 7: {
        const DWORD fvfs[] = {D3DFVF_XYZ | D3DFVF_DIFFUSE, D3DFVF_XYZ, D3DFVF_XYZRHW | D3DFVF_DIFFUSE,
                              D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, 0, 0xFFFFFFFF, D3DFVF_XYZ | (8 << D3DFVF_TEXCOUNT_SHIFT)};
        const DWORD fvf = fvfs[Pick(7)];
        if (SUCCEEDED(d_->SetFVF(fvf)) && !recording_) fvf_ = fvf;
        break;
    }
    default: {
        IDirect3DVertexBuffer9* b = Any(vbs_);
        D3DVERTEXBUFFER_DESC bDesc{};
        if (b) b->GetDesc(&bDesc);
        const UINT offset = Chance(3) ? Pick(300) : Chance(3) ? Edge(bDesc.Size) : 0;
        const UINT stride = Chance(3) ? Pick(64) : Chance(3) ? Edge(16) : 16;
        const HRESULT hr = d_->SetStreamSource(Chance(10) ? 1 : 0, b, offset, stride);
        if (stride > 255) {
            EXPECT_EQ(hr, D3DERR_INVALIDCALL) << "stride " << stride;
        }
        if (SUCCEEDED(hr) && !recording_) {
            stream_ = b;
            offset_ = offset;
            stride_ = stride;
            streamBytes_ = bDesc.Size;
            knownBindings_ = true;
        }
        IDirect3DIndexBuffer9* ib = Any(ibs_);
        if (Chance(2) && SUCCEEDED(d_->SetIndices(ib)) && !recording_) {
            D3DINDEXBUFFER_DESC desc{};
            if (ib) ib->GetDesc(&desc);
            indices_ = ib;
            indexCount_ = desc.Size / (desc.Format == D3DFMT_INDEX32 ? 4 : 2);
        }
        break;
    }
    }
}

// Whether vertices up to `last` at `offset` and `stride` end inside `bytes`, worked so that
// nothing wraps.
bool VerticesFit(uint64_t bytes, uint64_t offset, uint64_t stride, uint64_t vertexSize, uint64_t last)
{
    if (offset + vertexSize > bytes) return false;
    return stride == 0 || last <= (bytes - offset - vertexSize) / stride;
}

// Draws of every kind, with counts, starts and base vertices at and past their limits; one that
// reads past its vertex or index buffer, or asks for more than the caps allow, is refused.
void Misuser::Draw()
{
    const D3DPRIMITIVETYPE type = D3DPRIMITIVETYPE(Pick(8));
    const bool indexed = Chance(3);
    const UINT start = Chance(4) ? Pick(1000) : Chance(4) ? Edge(indexed ? indexCount_ : streamBytes_ / 16) : Pick(4);
    const UINT count = Chance(8) ? 0x40000000u : Chance(6) ? Edge(0xFFFFFF) : Pick(6);
    const INT base = Chance(6) ? INT(Edge(0x7FFFFFFF)) : Chance(4) ? -int(Pick(8)) : int(Pick(8));
    const UINT minIndex = Chance(6) ? Edge(0) : 0, vertices = Chance(6) ? Edge(0) : Pick(100);
    const HRESULT hr = indexed ? d_->DrawIndexedPrimitive(type, base, minIndex, vertices, start, count)
                               : d_->DrawPrimitive(type, start, count);
    uint64_t elements = 0;
    switch (type) {
    case D3DPT_POINTLIST: elements = count; break;
    case D3DPT_LINELIST: elements = uint64_t(count) * 2; break;
    case D3DPT_LINESTRIP: elements = uint64_t(count) + 1; break;
    case D3DPT_TRIANGLELIST: elements = uint64_t(count) * 3; break;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: elements = uint64_t(count) + 2; break;
    default: return;
    }
    if (count > 0xFFFFFF) {
        EXPECT_TRUE(FAILED(hr)) << "more primitives than MaxPrimitiveCount";
    }
    if (!knownBindings_ || count == 0) return;
    if (indexed) {
        if (indices_ && uint64_t(start) + elements > indexCount_) {
            EXPECT_TRUE(FAILED(hr)) << "indices past the end";
        }
        return;
    }
    UINT perVertex = 0;
    switch (fvf_) {
    case D3DFVF_XYZ | D3DFVF_DIFFUSE: perVertex = 16; break;
    case D3DFVF_XYZ: perVertex = 12; break;
    case D3DFVF_XYZRHW | D3DFVF_DIFFUSE: perVertex = 20; break;
    case D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1: perVertex = 32; break;
    default: return;  // formats this caller does not size
    }
    if (!stream_ || stride_ < perVertex) return;
    if (!VerticesFit(streamBytes_, offset_, stride_, perVertex, uint64_t(start) + elements - 1)) {
        EXPECT_TRUE(FAILED(hr)) << "vertices past the end";
    }
}

// A draw right in every way but the states: whatever they hold, it reaches GL and GL takes it.
void Misuser::ValidDraw()
{
    if (recording_) return;  // the bindings below would only be recorded
    if (!inScene) inScene = SUCCEEDED(d_->BeginScene());
    d_->SetFVF(fvf_ = kFvfRHW);
    d_->SetStreamSource(0, good_, offset_ = 0, stride_ = sizeof(VertexRHW));
    stream_ = good_;
    streamBytes_ = 64 * sizeof(VertexRHW);
    knownBindings_ = true;
    const D3DPRIMITIVETYPE types[] = {D3DPT_TRIANGLELIST, D3DPT_TRIANGLESTRIP, D3DPT_TRIANGLEFAN, D3DPT_LINELIST,
                                      D3DPT_POINTLIST};
    EXPECT_EQ(d_->DrawPrimitive(types[Pick(5)], Pick(20), 1 + Pick(12)), D3D_OK);
}

void Misuser::EndBlock()
{
    IDirect3DStateBlock9* block = nullptr;
    if (FAILED(d_->EndStateBlock(Chance(10) ? nullptr : &block))) return;
    recording_ = false;
    if (block) blocks_.push_back(block);
}

void Misuser::Step()
{
    switch (Pick(12)) {
    case 0: MakeResource(); break;
    case 1: LetGo(); break;
    case 2: LockBuffer(); break;
    case 3: LockTexture(); break;
    case 4:
    case 5: SetStates(); break;
    case 6: Draw(); break;
    case 7: ValidDraw(); break;
    case 8:
        if (Chance(2)) {
            inScene = SUCCEEDED(d_->BeginScene()) || inScene;
        } else if (SUCCEEDED(d_->EndScene())) {
            inScene = false;
        }
        break;
    case 9:
        if (Chance(2)) {
            D3DRECT r[2];
            for (D3DRECT& one : r)
                one = {LONG(Pick(200)) - 50, LONG(Pick(200)) - 50, LONG(Pick(200)) - 50, LONG(Pick(200)) - 50};
            d_->Clear(Pick(3), Chance(3) ? nullptr : r, AnyValue() & 7, AnyValue(), AnyFloat(), AnyValue());
        } else {
            d_->Present(nullptr, nullptr, nullptr, nullptr);
        }
        break;
    case 10:
        if (!recording_) {
            recording_ = SUCCEEDED(d_->BeginStateBlock());
        } else {
            EndBlock();
        }
        break;
    default: {
        IDirect3DStateBlock9* block = Any(blocks_);
        if (!block) break;
        const HRESULT hr = Chance(2) ? block->Apply() : block->Capture();
        if (recording_) {
            EXPECT_EQ(hr, D3DERR_INVALIDCALL);
        }
        knownBindings_ = false;
        break;
    }
    }
}

TEST_F(D3D9Misuse, RandomCallSequencesNeverCrashOrUpsetGl)
{
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        {
            Misuser misuser(device, seed);
            for (int step = 0; step < 1500; ++step) {
                misuser.Step();
                ASSERT_EQ(glGetError_(), kGlNoError) << "step " << step;
                if (HasFatalFailure()) return;
            }
            if (misuser.inScene) device->EndScene();
        }
        // Whatever happened, the device still draws: back to known states and one quad.
        device->SetStreamSource(0, nullptr, 0, 0);
        device->SetIndices(nullptr);
        for (DWORD s = 0; s < 8; ++s) {
            device->SetTexture(s, nullptr);
            device->SetTextureStageState(s, D3DTSS_COLOROP, s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE);
            device->SetTextureStageState(s, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
            device->SetTextureStageState(s, D3DTSS_ALPHAOP, s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE);
            device->SetTextureStageState(s, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
        }
        const DWORD states[][2] = {{D3DRS_ZENABLE, FALSE}, {D3DRS_FILLMODE, D3DFILL_SOLID}, {D3DRS_CULLMODE, D3DCULL_NONE},
                                   {D3DRS_ALPHATESTENABLE, FALSE}, {D3DRS_ALPHABLENDENABLE, FALSE},
                                   {D3DRS_COLORWRITEENABLE, 0xF}, {D3DRS_LIGHTING, FALSE}, {D3DRS_SHADEMODE, D3DSHADE_GOURAUD}};
        for (const auto& s : states) device->SetRenderState(D3DRENDERSTATETYPE(s[0]), s[1]);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        const VertexRHW quad[4] = {{0, 0, 0.5f, 1, 0xFF20C040}, {float(kW), 0, 0.5f, 1, 0xFF20C040},
                                   {0, float(kH), 0.5f, 1, 0xFF20C040}, {float(kW), float(kH), 0.5f, 1, 0xFF20C040}};
        DrawStrip(quad, kFvfRHW);
        ASSERT_EQ(device->EndScene(), D3D_OK);
        EXPECT_TRUE(NearColour(PixelAt(kW / 2, kH / 2), 0xFF20C040));
        ASSERT_EQ(glGetError_(), kGlNoError);
    }
}

}  // namespace

// The Direct3D object itself under misuse: another adapter, missing out-pointers, a device type
// or vertex processing it does not make. Every refusal leaves the caller's device pointer null,
// so a caller that releases it on failure releases nothing.
TEST(D3D9MisuseDirect3D, InvalidCallsAreRefusedAndLeaveNoDevice)
{
    EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION + 1), nullptr);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);

    D3DDISPLAYMODE mode{};
    EXPECT_EQ(d3d->GetAdapterDisplayMode(1, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetAdapterDisplayMode(0, nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(d3d->GetAdapterDisplayMode(0, &mode), D3D_OK);
    EXPECT_GT(mode.Width, 0u);
    EXPECT_GT(mode.RefreshRate, 0u);
    D3DCAPS9 caps{};
    EXPECT_EQ(d3d->GetDeviceCaps(1, D3DDEVTYPE_HAL, &caps), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, nullptr), D3DERR_INVALIDCALL);

    const D3DFORMAT display = D3DFMT_X8R8G8B8;
    EXPECT_EQ(d3d->CheckDeviceFormat(1, D3DDEVTYPE_HAL, display, 0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8),
              D3DERR_INVALIDCALL);
    // A depth buffer is a depth format on a surface; nothing else is one.
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, display, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D24S8),
              D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, display, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                     D3DFMT_A8R8G8B8), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, display, D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE,
                                     D3DFMT_A8R8G8B8), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, display, 0, D3DRTYPE_VOLUME, D3DFMT_A8R8G8B8),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, display, 0, D3DRTYPE_TEXTURE, D3DFMT_D24S8),
              D3DERR_NOTAVAILABLE);

    D3DPRESENT_PARAMETERS pp = QvPresentParams(64, 64);
    const DWORD hw = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, hw, &pp, nullptr), D3DERR_INVALIDCALL);
    struct Refused {
        UINT adapter;
        D3DDEVTYPE type;
        DWORD behavior;
        D3DPRESENT_PARAMETERS* params;
    };
    const Refused refused[] = {
        {1, D3DDEVTYPE_HAL, hw, &pp},
        {0, D3DDEVTYPE_HAL, hw, nullptr},
        {0, D3DDEVTYPE_SW, hw, &pp},
        {0, D3DDEVTYPE_HAL, 0, &pp},
        {0, D3DDEVTYPE_HAL, hw | D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp},
    };
    for (const Refused& r : refused) {
        auto* device = reinterpret_cast<IDirect3DDevice9*>(&pp);  // stale garbage from the caller
        EXPECT_EQ(d3d->CreateDevice(r.adapter, r.type, nullptr, r.behavior, r.params, &device), D3DERR_INVALIDCALL)
            << r.adapter << " " << r.type << " " << r.behavior;
        EXPECT_EQ(device, nullptr);
    }
    EXPECT_EQ(d3d->Release(), 0u);

    IDirect3DDevice9* device = nullptr;
    EXPECT_EQ(QvCreateStandaloneDevice(&pp, hw, nullptr, &device), D3DERR_INVALIDCALL);
    EXPECT_EQ(QvCreateStandaloneDevice(&pp, hw, &d3d, nullptr), D3DERR_INVALIDCALL);
    d3d = reinterpret_cast<IDirect3D9*>(&pp);
    EXPECT_EQ(QvCreateStandaloneDevice(&pp, 0, &d3d, &device), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d, nullptr);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(QvGetDeviceStats(nullptr, nullptr), D3DERR_INVALIDCALL);
}
