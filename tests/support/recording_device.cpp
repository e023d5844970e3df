#include "support/recording_device.h"

#include <cstring>

namespace {

D3DMATRIX Identity()
{
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

// A plain hardware device of the time, so code that reads the caps meets ordinary values.
void DefaultCaps(D3DCAPS9& caps)
{
    caps.DeviceType = D3DDEVTYPE_HAL;
    caps.PresentationIntervals = 0x8000000F;
    caps.MaxTextureWidth = 4096;
    caps.MaxTextureHeight = 4096;
    caps.MaxTextureRepeat = 8192;
    caps.MaxTextureAspectRatio = 4096;
    caps.MaxAnisotropy = 16;
    caps.MaxTextureBlendStages = 8;
    caps.MaxSimultaneousTextures = 8;
    caps.MaxActiveLights = 8;
    caps.MaxPointSize = 64.0f;
    caps.MaxPrimitiveCount = 0xFFFFF;
    caps.MaxVertexIndex = 0xFFFFFF;
    caps.MaxStreams = 16;
    caps.MaxStreamStride = 255;
}

}  // namespace

RecordingDevice::RecordingDevice() : d3d_(this, this)
{
    DefaultCaps(caps);
    d3d_.caps = caps;
}

RecordingDevice::~RecordingDevice() = default;

D3DMATRIX RecordingDevice::Transform(DWORD state) const
{
    auto it = transforms_.find(state);
    return it == transforms_.end() ? Identity() : it->second;
}

IDirect3DBaseTexture9* RecordingDevice::BoundTexture(DWORD stage) const
{
    auto it = textures_.find(stage);
    return it == textures_.end() ? nullptr : it->second;
}

HRESULT RecordingDevice::RecordState(Rec& rec)
{
    HRESULT hr = Commit(rec);
    if (recordingBlock_) blockCalls_.push_back(calls().back());
    return hr;
}

// ---- IUnknown -----------------------------------------------------------------------------------

HRESULT RecordingDevice::QueryInterface(REFIID, void** ppv)
{
    Commit(Rec("QueryInterface"));
    if (ppv) *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG RecordingDevice::AddRef()
{
    Commit(Rec("AddRef"));
    return ++refs_;
}

ULONG RecordingDevice::Release()
{
    Commit(Rec("Release"));
    return refs_ > 0 ? --refs_ : 0;
}

// ---- queries ------------------------------------------------------------------------------------

HRESULT RecordingDevice::GetDirect3D(IDirect3D9** ppD3D9)
{
    HRESULT hr = Commit(Rec("GetDirect3D"));
    if (ppD3D9) *ppD3D9 = nullptr;
    if (FAILED(hr)) return hr;
    if (!ppD3D9) return D3DERR_INVALIDCALL;
    if (real_ && !d3d_.real) {
        IDirect3D9* realD3D = nullptr;
        if (SUCCEEDED(real_->GetDirect3D(&realD3D))) d3d_.real = realD3D;
    }
    d3d_.Retain();
    *ppD3D9 = &d3d_;
    SetLastOut(&d3d_);
    return S_OK;
}

// Capabilities and display mode are the knobs, also when forwarding: tests choose them.
HRESULT RecordingDevice::GetDeviceCaps(D3DCAPS9* pCaps)
{
    HRESULT hr = Commit(Rec("GetDeviceCaps"));
    if (FAILED(hr)) return hr;
    if (!pCaps) return D3DERR_INVALIDCALL;
    *pCaps = caps;
    return S_OK;
}

HRESULT RecordingDevice::GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode)
{
    HRESULT hr = Commit(Rec("GetDisplayMode").U(iSwapChain));
    if (FAILED(hr)) return hr;
    if (!pMode || iSwapChain != 0) return D3DERR_INVALIDCALL;
    *pMode = displayMode;
    return S_OK;
}

FakeSurface* RecordingDevice::MakeSurface(const D3DSURFACE_DESC& desc, IDirect3DSurface9* realSurface)
{
    return Keep(std::make_unique<FakeSurface>(this, desc, nullptr, realSurface), "surf");
}

HRESULT RecordingDevice::GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                                       IDirect3DSurface9** ppBackBuffer)
{
    HRESULT hr = Commit(Rec("GetBackBuffer").U(iSwapChain).U(iBackBuffer).U(Type));
    if (ppBackBuffer) *ppBackBuffer = nullptr;
    if (FAILED(hr)) return hr;
    if (!ppBackBuffer || iSwapChain != 0) return D3DERR_INVALIDCALL;
    IDirect3DSurface9* realSurface = nullptr;
    if (real_ && FAILED(hr = real_->GetBackBuffer(iSwapChain, iBackBuffer, Type, &realSurface)))
        return hr;
    D3DSURFACE_DESC desc{renderTargetFormat, D3DRTYPE_SURFACE, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT,
                         D3DMULTISAMPLE_NONE, 0, renderTargetWidth, renderTargetHeight};
    *ppBackBuffer = MakeSurface(desc, realSurface);
    return S_OK;
}

HRESULT RecordingDevice::GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget)
{
    HRESULT hr = Commit(Rec("GetRenderTarget").U(RenderTargetIndex));
    if (ppRenderTarget) *ppRenderTarget = nullptr;
    if (FAILED(hr)) return hr;
    if (!ppRenderTarget) return D3DERR_INVALIDCALL;
    if (RenderTargetIndex != 0) return D3DERR_NOTFOUND;
    IDirect3DSurface9* realSurface = nullptr;
    if (real_ && FAILED(hr = real_->GetRenderTarget(RenderTargetIndex, &realSurface))) return hr;
    D3DSURFACE_DESC desc{renderTargetFormat, D3DRTYPE_SURFACE, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT,
                         D3DMULTISAMPLE_NONE, 0, renderTargetWidth, renderTargetHeight};
    *ppRenderTarget = MakeSurface(desc, realSurface);
    return S_OK;
}

HRESULT RecordingDevice::GetRenderTargetData(IDirect3DSurface9* pRenderTarget,
                                             IDirect3DSurface9* pDestSurface)
{
    HRESULT hr = Commit(Rec("GetRenderTargetData").P(pRenderTarget).P(pDestSurface));
    if (FAILED(hr)) return hr;
    if (!pRenderTarget || !pDestSurface) return D3DERR_INVALIDCALL;
    if (real_)
        return real_->GetRenderTargetData(UnwrapAs<FakeSurface>(*this, pRenderTarget),
                                          UnwrapAs<FakeSurface>(*this, pDestSurface));
    auto* from = dynamic_cast<FakeSurface*>(ObjectAt(pRenderTarget));
    auto* to = dynamic_cast<FakeSurface*>(ObjectAt(pDestSurface));
    if (!from || !to || from->desc.Width != to->desc.Width || from->desc.Height != to->desc.Height ||
        from->desc.Format != to->desc.Format)
        return D3DERR_INVALIDCALL;
    D3DLOCKED_RECT src{}, dst{};
    if (!from->image) from->image = std::make_shared<FakeImage>(from->desc.Format, from->desc.Width, from->desc.Height);
    if (!to->image) to->image = std::make_shared<FakeImage>(to->desc.Format, to->desc.Width, to->desc.Height);
    LockImage(*from->image, &src, nullptr);
    LockImage(*to->image, &dst, nullptr);
    std::memcpy(dst.pBits, src.pBits, to->image->bytes.size());
    return S_OK;
}

// ---- resources ----------------------------------------------------------------------------------

HRESULT RecordingDevice::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage,
                                       D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture9** ppTexture,
                                       HANDLE* pSharedHandle)
{
    HRESULT hr = Commit(Rec("CreateTexture").U(Width).U(Height).U(Levels).U(Usage).U(Format).U(Pool)
                            .P(pSharedHandle));
    if (ppTexture) *ppTexture = nullptr;
    if (FAILED(hr)) return hr;
    if (!ppTexture || Width == 0 || Height == 0 || Width > caps.MaxTextureWidth ||
        Height > caps.MaxTextureHeight)
        return D3DERR_INVALIDCALL;
    IDirect3DTexture9* realTexture = nullptr;
    if (real_ && FAILED(hr = real_->CreateTexture(Width, Height, Levels, Usage, Format, Pool,
                                                  &realTexture, pSharedHandle)))
        return hr;
    *ppTexture = Keep(std::make_unique<FakeTexture>(this, Width, Height, Levels, Usage, Format, Pool,
                                                 realTexture), "tex");
    return S_OK;
}

HRESULT RecordingDevice::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                            IDirect3DVertexBuffer9** ppVertexBuffer,
                                            HANDLE* pSharedHandle)
{
    HRESULT hr = Commit(Rec("CreateVertexBuffer").U(Length).U(Usage).U(FVF).U(Pool).P(pSharedHandle));
    if (ppVertexBuffer) *ppVertexBuffer = nullptr;
    if (FAILED(hr)) return hr;
    if (!ppVertexBuffer || Length == 0) return D3DERR_INVALIDCALL;
    IDirect3DVertexBuffer9* realBuffer = nullptr;
    if (real_ && FAILED(hr = real_->CreateVertexBuffer(Length, Usage, FVF, Pool, &realBuffer,
                                                       pSharedHandle)))
        return hr;
    D3DVERTEXBUFFER_DESC desc{D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, Usage, Pool, Length, FVF};
    *ppVertexBuffer = Keep(std::make_unique<FakeVertexBuffer>(this, desc, realBuffer), "vb");
    return S_OK;
}

HRESULT RecordingDevice::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                           IDirect3DIndexBuffer9** ppIndexBuffer,
                                           HANDLE* pSharedHandle)
{
    HRESULT hr = Commit(Rec("CreateIndexBuffer").U(Length).U(Usage).U(Format).U(Pool).P(pSharedHandle));
    if (ppIndexBuffer) *ppIndexBuffer = nullptr;
    if (FAILED(hr)) return hr;
    if (!ppIndexBuffer || Length == 0 || (Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32))
        return D3DERR_INVALIDCALL;
    IDirect3DIndexBuffer9* realBuffer = nullptr;
    if (real_ && FAILED(hr = real_->CreateIndexBuffer(Length, Usage, Format, Pool, &realBuffer,
                                                      pSharedHandle)))
        return hr;
    D3DINDEXBUFFER_DESC desc{Format, D3DRTYPE_INDEXBUFFER, Usage, Pool, Length};
    *ppIndexBuffer = Keep(std::make_unique<FakeIndexBuffer>(this, desc, realBuffer), "ib");
    return S_OK;
}

HRESULT RecordingDevice::CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                                     D3DPOOL Pool, IDirect3DSurface9** ppSurface,
                                                     HANDLE* pSharedHandle)
{
    HRESULT hr = Commit(Rec("CreateOffscreenPlainSurface").U(Width).U(Height).U(Format).U(Pool)
                            .P(pSharedHandle));
    if (ppSurface) *ppSurface = nullptr;
    if (FAILED(hr)) return hr;
    if (!ppSurface || Width == 0 || Height == 0 || Width > 16384 || Height > 16384)
        return D3DERR_INVALIDCALL;
    IDirect3DSurface9* realSurface = nullptr;
    if (real_ && FAILED(hr = real_->CreateOffscreenPlainSurface(Width, Height, Format, Pool,
                                                                &realSurface, pSharedHandle)))
        return hr;
    D3DSURFACE_DESC desc{Format, D3DRTYPE_SURFACE, 0, Pool, D3DMULTISAMPLE_NONE, 0, Width, Height};
    *ppSurface = MakeSurface(desc, realSurface);
    return S_OK;
}

HRESULT RecordingDevice::EndStateBlock(IDirect3DStateBlock9** ppSB)
{
    HRESULT hr = Commit(Rec("EndStateBlock"));
    if (ppSB) *ppSB = nullptr;
    if (FAILED(hr)) return hr;
    if (!ppSB || !recordingBlock_) return D3DERR_INVALIDCALL;
    recordingBlock_ = false;
    IDirect3DStateBlock9* realBlock = nullptr;
    if (real_ && FAILED(hr = real_->EndStateBlock(&realBlock))) return hr;
    FakeStateBlock* block = Keep(std::make_unique<FakeStateBlock>(this, realBlock), "sb");
    block->recorded = std::move(blockCalls_);
    blockCalls_.clear();
    *ppSB = block;
    return S_OK;
}

HRESULT RecordingDevice::BeginStateBlock()
{
    HRESULT hr = Commit(Rec("BeginStateBlock"));
    if (FAILED(hr)) return hr;
    if (recordingBlock_) return D3DERR_INVALIDCALL;
    recordingBlock_ = true;
    blockCalls_.clear();
    return real_ ? real_->BeginStateBlock() : S_OK;
}
