// RecordingDevice: an IDirect3DDevice9 that records every call in order with its arguments.
//
//   RecordingDevice dev;
//   DrawSomething(&dev);
//   EXPECT_THAT(dev.Lines(), ElementsAre("SetRenderState(7, 1)", "SetFVF(322)"));
//   EXPECT_EQ(dev.Calls("SetTransform")[0].matrix._43, 500.0f);
//
// Every method returns S_OK unless made to fail: dev.Fail("CreateVertexBuffer") (all calls),
// dev.Fail("VB.Lock", D3DERR_INVALIDCALL, 1) (the next one). Resources are working fakes: buffers
// with memory to Lock, textures with pitched LockRect memory, state blocks, surfaces whose format
// is `renderTargetFormat`; they count references and are freed at zero or with the device.
// `caps`, `displayMode` and direct3D() (CheckDeviceFormat results) are there to be set.
// ForwardTo(real) passes every call on to a real device as well, so a test can record AND render.
//
// The device itself belongs to the test: it counts references but never frees itself.
#pragma once

#include "support/recorded_call.h"
#include "support/recording_resources.h"

#include <d3d9.h>

#include <map>
#include <utility>

class RecordingDevice : public SdkComplete<IDirect3DDevice9>, public CallLog {
public:
    RecordingDevice();
    ~RecordingDevice() override;

    using CallLog::Clear;  // Clear() empties the log; Clear(count, rects, ...) is the device call

    void ForwardTo(IDirect3DDevice9* realDevice) { real_ = realDevice; }
    IDirect3DDevice9* real() const { return real_; }
    RecordingDirect3D& direct3D() { return d3d_; }
    ULONG refs() const { return refs_; }
    void Retain() { ++refs_; }  // a reference taken inside the recorder, not recorded

    // What the recorder made, found by the label the log shows ("vb1", "tex2", ...).
    FakeVertexBuffer* VertexBuffer(const std::string& label) const { return Find<FakeVertexBuffer>(label); }
    FakeIndexBuffer* IndexBuffer(const std::string& label) const { return Find<FakeIndexBuffer>(label); }
    FakeTexture* Texture(const std::string& label) const { return Find<FakeTexture>(label); }
    template <class T>
    T* Find(const std::string& label) const { return dynamic_cast<T*>(FindObject(label)); }

    // Takes ownership of a fake the recorder made, labels it and names it as the last call's result.
    template <class T>
    T* Keep(std::unique_ptr<T> object, const char* prefix)
    {
        T* raw = object.get();
        raw->SetLabel(Adopt(raw->iface(), std::move(object), prefix));
        SetLastOut(raw->iface());
        return raw;
    }

    // The state the calls left behind (0 where never set).
    DWORD RenderState(DWORD state) const { return Get(renderStates_, state); }
    DWORD TextureStageState(DWORD stage, DWORD type) const { return Get(stageStates_, {stage, type}); }
    DWORD SamplerState(DWORD sampler, DWORD type) const { return Get(samplerStates_, {sampler, type}); }
    D3DMATRIX Transform(DWORD state) const;
    IDirect3DBaseTexture9* BoundTexture(DWORD stage) const;

    D3DCAPS9 caps{};
    D3DDISPLAYMODE displayMode{640, 480, 60, D3DFMT_X8R8G8B8};
    D3DFORMAT renderTargetFormat = D3DFMT_X8R8G8B8;
    UINT renderTargetWidth = 640;
    UINT renderTargetHeight = 480;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDirect3DDevice9
    HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D9** ppD3D9) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS9* pCaps) override;
    HRESULT STDMETHODCALLTYPE GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) override;
    HRESULT STDMETHODCALLTYPE Present(const RECT* pSourceRect, const RECT* pDestRect,
                                      HWND hDestWindowOverride, const RGNDATA* pDirtyRegion) override;
    HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                                            IDirect3DSurface9** ppBackBuffer) override;
    HRESULT STDMETHODCALLTYPE CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage,
                                            D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture9** ppTexture,
                                            HANDLE* pSharedHandle) override;
    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                                 IDirect3DVertexBuffer9** ppVertexBuffer,
                                                 HANDLE* pSharedHandle) override;
    HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                                IDirect3DIndexBuffer9** ppIndexBuffer,
                                                HANDLE* pSharedHandle) override;
    HRESULT STDMETHODCALLTYPE GetRenderTargetData(IDirect3DSurface9* pRenderTarget,
                                                  IDirect3DSurface9* pDestSurface) override;
    HRESULT STDMETHODCALLTYPE CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                                          D3DPOOL Pool, IDirect3DSurface9** ppSurface,
                                                          HANDLE* pSharedHandle) override;
    HRESULT STDMETHODCALLTYPE GetRenderTarget(DWORD RenderTargetIndex,
                                              IDirect3DSurface9** ppRenderTarget) override;
    HRESULT STDMETHODCALLTYPE BeginScene() override;
    HRESULT STDMETHODCALLTYPE EndScene() override;
    HRESULT STDMETHODCALLTYPE Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color,
                                    float Z, DWORD Stencil) override;
    HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
    HRESULT STDMETHODCALLTYPE SetMaterial(const D3DMATERIAL9* pMaterial) override;
    HRESULT STDMETHODCALLTYPE GetMaterial(D3DMATERIAL9* pMaterial) override;
    HRESULT STDMETHODCALLTYPE SetLight(DWORD Index, const D3DLIGHT9* pLight) override;
    HRESULT STDMETHODCALLTYPE LightEnable(DWORD Index, BOOL Enable) override;
    HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT STDMETHODCALLTYPE BeginStateBlock() override;
    HRESULT STDMETHODCALLTYPE EndStateBlock(IDirect3DStateBlock9** ppSB) override;
    HRESULT STDMETHODCALLTYPE GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) override;
    HRESULT STDMETHODCALLTYPE SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) override;
    HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                                   DWORD* pValue) override;
    HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                                   DWORD Value) override;
    HRESULT STDMETHODCALLTYPE GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type,
                                              DWORD* pValue) override;
    HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type,
                                              DWORD Value) override;
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                            UINT PrimitiveCount) override;
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex,
                                                   UINT MinVertexIndex, UINT NumVertices,
                                                   UINT startIndex, UINT primCount) override;
    HRESULT STDMETHODCALLTYPE SetFVF(DWORD FVF) override;
    HRESULT STDMETHODCALLTYPE GetFVF(DWORD* pFVF) override;
    HRESULT STDMETHODCALLTYPE SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData,
                                              UINT OffsetInBytes, UINT Stride) override;
    HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer9* pIndexData) override;

private:
    using Key = std::pair<DWORD, DWORD>;
    template <class K>
    static DWORD Get(const std::map<K, DWORD>& m, const K& k)
    {
        auto it = m.find(k);
        return it == m.end() ? 0 : it->second;
    }
    // Records a state-setting call, and into the state block being recorded, if any.
    HRESULT RecordState(Rec& rec);
    FakeSurface* MakeSurface(const D3DSURFACE_DESC& desc, IDirect3DSurface9* realSurface);

    IDirect3DDevice9* real_ = nullptr;
    RecordingDirect3D d3d_;
    ULONG refs_ = 1;
    std::map<DWORD, DWORD> renderStates_;
    std::map<Key, DWORD> stageStates_;
    std::map<Key, DWORD> samplerStates_;
    std::map<DWORD, D3DMATRIX> transforms_;
    std::map<DWORD, IDirect3DBaseTexture9*> textures_;
    D3DMATERIAL9 material_{};
    DWORD fvf_ = 0;
    bool recordingBlock_ = false;
    std::vector<RecordedCall> blockCalls_;
};
