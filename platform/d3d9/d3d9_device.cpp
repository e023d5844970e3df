// Device lifetime and the state setters and getters. Setters compare before they store, so
// the mesh path that sends the same states for every subset marks nothing dirty.
#include "platform/d3d9/d3d9_device.h"

#include "platform/d3d9/d3d9_buffers.h"
#include "platform/d3d9/d3d9_direct3d.h"
#include "platform/d3d9/d3d9_stateblock.h"
#include "platform/d3d9/d3d9_texture.h"

#include <cstring>

namespace qv::d3d {

void AttachChild(Device* device) { device->AttachChild(); }
void DetachChild(Device* device) { device->DetachChild(); }

HRESULT GetDeviceOf(Device* device, IDirect3DDevice9** out)
{
    if (!out)
        return D3DERR_INVALIDCALL;
    device->AddRef();
    *out = device;
    return D3D_OK;
}

namespace {

uint32_t RenderStateDirty(DWORD state)
{
    switch (state) {
    case D3DRS_ZENABLE:
    case D3DRS_ZWRITEENABLE:
    case D3DRS_ZFUNC:
        return kDirtyDepth;
    case D3DRS_ALPHABLENDENABLE:
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_BLENDOP:
    case D3DRS_SEPARATEALPHABLENDENABLE:
    case D3DRS_SRCBLENDALPHA:
    case D3DRS_DESTBLENDALPHA:
    case D3DRS_BLENDOPALPHA:
        return kDirtyBlend;
    case D3DRS_CULLMODE:
    case D3DRS_FILLMODE:
    case D3DRS_COLORWRITEENABLE:
        return kDirtyRaster;
    case D3DRS_ALPHAREF:
    case D3DRS_TEXTUREFACTOR:
        return kDirtyPixel;
    case D3DRS_AMBIENT:
        return kDirtyAmbient;
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_ALPHAFUNC:
    case D3DRS_LIGHTING:
    case D3DRS_COLORVERTEX:
    case D3DRS_LOCALVIEWER:
    case D3DRS_NORMALIZENORMALS:
    case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_EMISSIVEMATERIALSOURCE:
    case D3DRS_SPECULARENABLE:
    case D3DRS_SHADEMODE:
        return kDirtyKey;
    default:
        return 0;
    }
}

uint32_t StageStateDirty(DWORD type)
{
    switch (type) {
    case D3DTSS_COLOROP:
    case D3DTSS_COLORARG1:
    case D3DTSS_COLORARG2:
    case D3DTSS_ALPHAOP:
    case D3DTSS_ALPHAARG1:
    case D3DTSS_ALPHAARG2:
    case D3DTSS_TEXCOORDINDEX:
    case D3DTSS_TEXTURETRANSFORMFLAGS:
    case D3DTSS_COLORARG0:
    case D3DTSS_ALPHAARG0:
        return kDirtyKey;
    case D3DTSS_CONSTANT:
        return kDirtyPixel;
    default:
        return 0;
    }
}

} // namespace

Device::Device(Direct3D9* d3d, std::unique_ptr<GlContext> context, DWORD behavior, const D3DPRESENT_PARAMETERS& params)
    : d3d_(d3d), context_(std::move(context)), behavior_(behavior), params_(params)
{
    d3d_->AddRef();
    SetDefaultState(state_, params.EnableAutoDepthStencil != FALSE);
    for (auto& v : versions_)
        v = 1;
}

Device::~Device()
{
    if (MakeCurrent()) {
        programs_.Clear();
        batcher_.Release();
        rewrite_.Release(cache_);
        if (vao_)
            gl::glDeleteVertexArrays(1, &vao_);
        gl::glDeleteSamplers(GLsizei(samplers_.size()), samplers_.data());
        gl::glDeleteFramebuffers(GLsizei(framebuffers_.size()), framebuffers_.data());
        gl::glDeleteTextures(GLsizei(colorBuffers_.size()), colorBuffers_.data());
        if (presentProgram_)
            gl::glDeleteProgram(presentProgram_);
        if (presentVao_)
            gl::glDeleteVertexArrays(1, &presentVao_);
        if (presentSampler_)
            gl::glDeleteSamplers(1, &presentSampler_);
        if (depthBuffer_ && samples_)
            gl::glDeleteRenderbuffers(1, &depthBuffer_);
        else if (depthBuffer_)
            gl::glDeleteTextures(1, &depthBuffer_);
        if (msaaFramebuffer_)
            gl::glDeleteFramebuffers(1, &msaaFramebuffer_);
        if (msaaColor_)
            gl::glDeleteRenderbuffers(1, &msaaColor_);
    }
    backBufferSurface_.reset();
    context_.reset();
    d3d_->Release();
}

HRESULT Device::Create(Direct3D9* d3d, HWND focus, DWORD behavior, const D3DPRESENT_PARAMETERS& params,
                       IDirect3DDevice9** out)
{
    HRESULT hr = D3DERR_NOTAVAILABLE;
    auto context = d3d->TakeRefusedContext(focus);
    if (!context)
        context = CreateGlContext(focus, behavior, &hr);
    if (!context)
        return hr;
    if ((behavior & D3DCREATE_HARDWARE_VERTEXPROCESSING) && context->software) {
        d3d->KeepRefusedContext(std::move(context));
        return D3DERR_NOTAVAILABLE;
    }
    D3DPRESENT_PARAMETERS p = params;
    if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0) {
        // Windowed D3D9 takes the window's client size when none is given.
        int w = 0, h = 0;
        context->WindowSize(&w, &h);
        p.BackBufferWidth = p.BackBufferWidth ? p.BackBufferWidth : UINT(w > 0 ? w : 1);
        p.BackBufferHeight = p.BackBufferHeight ? p.BackBufferHeight : UINT(h > 0 ? h : 1);
    }
    if (p.BackBufferFormat == D3DFMT_UNKNOWN)
        p.BackBufferFormat = D3DFMT_X8R8G8B8;
    auto* device = new Device(d3d, std::move(context), behavior, p);
    if (!device->InitGl()) {
        device->Release();
        return D3DERR_NOTAVAILABLE;
    }
    *out = device;
    return D3D_OK;
}

HRESULT Device::QueryInterface(REFIID, void** object)
{
    if (object)
        *object = nullptr;
    return E_NOINTERFACE;
}

ULONG Device::AddRef() { return ++refs_; }

ULONG Device::Release()
{
    if (refs_ == 0)
        return 0;
    if (--refs_ > 0)
        return refs_;
    // The owner is done with us: let go of what we hold, and go once no child needs the
    // context any more.
    released_ = false;
    ReleaseBindings();
    released_ = true;
    MaybeDestroy();
    return 0;
}

void Device::ReleaseBindings()
{
    if (recording_) {
        StateBlock* block = recording_;
        recording_ = nullptr;
        block->Release();
    }
    for (auto& t : state_.textures)
        ReplaceRef(t, static_cast<IDirect3DBaseTexture9*>(nullptr));
    ReplaceRef(state_.stream.buffer, static_cast<IDirect3DVertexBuffer9*>(nullptr));
    ReplaceRef(state_.indices, static_cast<IDirect3DIndexBuffer9*>(nullptr));
}

void Device::DetachChild()
{
    if (children_ > 0)
        --children_;
    MaybeDestroy();
}

void Device::MaybeDestroy()
{
    if (released_ && refs_ == 0 && children_ == 0)
        delete this;
}

void Device::StateBlockDestroyed(StateBlock* block)
{
    if (recording_ == block)
        recording_ = nullptr;
}

bool Device::MakeCurrent() { return context_ && context_->MakeCurrent(); }

HRESULT Device::GetDirect3D(IDirect3D9** d3d)
{
    if (!d3d)
        return D3DERR_INVALIDCALL;
    d3d_->AddRef();
    *d3d = d3d_;
    return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS9* caps)
{
    if (!caps)
        return D3DERR_INVALIDCALL;
    FillCaps(D3DDEVTYPE_HAL, caps);
    return D3D_OK;
}

HRESULT Device::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode)
{
    if (swapChain != 0)
        return D3DERR_INVALIDCALL;
    return DisplayMode(mode);
}

HRESULT Device::BeginScene()
{
    if (inScene_)
        return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT Device::EndScene()
{
    if (!inScene_)
        return D3DERR_INVALIDCALL;
    FlushBatch();
    inScene_ = false;
    return D3D_OK;
}

// ---- render, stage and sampler states --------------------------------------------------------

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value)
{
    if (DWORD(state) >= DWORD(kRenderStateCount))
        return D3DERR_INVALIDCALL;
    if (recording_)
        recording_->RecordRenderState(state, value);
    else if (Store(state_.renderStates[state], value)) {
        dirty_ |= RenderStateDirty(state);
        if (state == D3DRS_FILLMODE || state == D3DRS_SHADEMODE) {
            const auto& rs = state_.renderStates;
            rewriteDraws_ = gl::es && (PolygonModeOf(rs[D3DRS_FILLMODE]) != GL_FILL || rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT);
        }
    }
    return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value)
{
    return HandOut(DWORD(state) < DWORD(kRenderStateCount) ? &state_.renderStates[state] : nullptr, value);
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    if (stage >= DWORD(kMaxStages) || DWORD(type) >= DWORD(kStageStateCount))
        return D3DERR_INVALIDCALL;
    if (recording_)
        recording_->RecordStageState(stage, type, value);
    else if (Store(state_.stageStates[stage][type], value) && stage < DWORD(kFfpStages))
        dirty_ |= StageStateDirty(type);
    return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value)
{
    const bool known = stage < DWORD(kMaxStages) && DWORD(type) < DWORD(kStageStateCount);
    return HandOut(known ? &state_.stageStates[stage][type] : nullptr, value);
}

HRESULT Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value)
{
    if (sampler >= DWORD(kMaxSamplers) || DWORD(type) >= DWORD(kSamplerStateCount))
        return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->RecordSamplerState(sampler, type, value);
    } else if (Store(state_.samplerStates[sampler][type], value) && sampler < DWORD(kFfpStages)) {
        dirty_ |= kDirtySamplers;
        dirtySamplerStages_ |= 1u << sampler;
    }
    return D3D_OK;
}

HRESULT Device::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value)
{
    const bool known = sampler < DWORD(kMaxSamplers) && DWORD(type) < DWORD(kSamplerStateCount);
    return HandOut(known ? &state_.samplerStates[sampler][type] : nullptr, value);
}

} // namespace qv::d3d
