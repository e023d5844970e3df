#include "platform/d3d9/d3d9_direct3d.h"

#include "base/texture_size.h"
#include "platform/d3d9/d3d9_device.h"
#include "platform/d3d9/d3d9_formats.h"


#include <algorithm>
#include <cstring>

namespace qv::d3d {

namespace {

int g_failCreations = 0;
int g_presentOverride = -1;
bool g_forceCpuDxt = false;
float g_renderScale = 1.0f;
int g_samples = 0;

bool IsDisplayFormat(D3DFORMAT f)
{
    return f == D3DFMT_X8R8G8B8 || f == D3DFMT_A8R8G8B8 || f == D3DFMT_R5G6B5 || f == D3DFMT_X1R5G5B5;
}

bool IsDepthFormat(D3DFORMAT f)
{
    return f == D3DFMT_D16 || f == D3DFMT_D24S8 || f == D3DFMT_D24X8 || f == D3DFMT_D32;
}

} // namespace

int PresentIntervalOverride() { return g_presentOverride; }
bool CpuDxtDecodeForced() { return g_forceCpuDxt; }
float RenderScaleSetting() { return g_renderScale; }
int MultisampleSetting() { return g_samples; }

HRESULT DisplayMode(D3DDISPLAYMODE* mode)
{
    if (!mode)
        return D3DERR_INVALIDCALL;
    mode->Width = 640;
    mode->Height = 480;
    mode->RefreshRate = 60;
    mode->Format = D3DFMT_X8R8G8B8;
    int w = 0, h = 0, refresh = 0;
    if (DesktopMode(&w, &h, &refresh)) {
        mode->Width = UINT(w);
        mode->Height = UINT(h);
        if (refresh > 0)
            mode->RefreshRate = UINT(refresh);
    }
    return D3D_OK;
}

void FillCaps(D3DDEVTYPE type, D3DCAPS9* caps)
{
    std::memset(caps, 0, sizeof *caps);
    caps->DeviceType = type;
    caps->AdapterOrdinal = 0;
    caps->PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
    caps->ZCmpCaps = caps->AlphaCmpCaps = 0xFF;       // every D3DPCMPCAPS_* bit
    caps->SrcBlendCaps = caps->DestBlendCaps = 0x1FFF; // every D3DPBLENDCAPS_* bit we map
    caps->MaxTextureWidth = caps->MaxTextureHeight = base::kMaxTextureSize;
    caps->MaxTextureRepeat = 8192;
    caps->MaxTextureAspectRatio = base::kMaxTextureSize;
    caps->MaxAnisotropy = 1;
    caps->MaxVertexW = 1e10f;
    caps->MaxTextureBlendStages = kFfpStages;
    caps->MaxSimultaneousTextures = kFfpStages;
    caps->MaxActiveLights = kMaxLights;
    caps->MaxVertexBlendMatrices = 1;
    caps->MaxPointSize = 1.0f;
    caps->MaxPrimitiveCount = kMaxPrimitiveCount;
    caps->MaxVertexIndex = kMaxVertexIndex;
    caps->MaxStreams = 1;
    caps->MaxStreamStride = kMaxStreamStride;
    caps->FVFCaps = 8; // texture coordinate sets
}

Direct3D9::Direct3D9() = default;
Direct3D9::~Direct3D9() = default;

void Direct3D9::KeepRefusedContext(std::unique_ptr<GlContext> context) { refused_ = std::move(context); }

std::unique_ptr<GlContext> Direct3D9::TakeRefusedContext(HWND focus)
{
    // Only for the window it was made on, and only while that window lives.
    if (refused_ && refused_->hwnd == focus && refused_->WindowAlive())
        return std::move(refused_);
    refused_.reset();
    return nullptr;
}

HRESULT Direct3D9::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode)
{
    if (adapter != 0)
        return D3DERR_INVALIDCALL;
    return DisplayMode(mode);
}

HRESULT Direct3D9::CheckDeviceFormat(UINT adapter, D3DDEVTYPE, D3DFORMAT adapterFormat, DWORD usage,
                                     D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat)
{
    if (adapter != 0 || !IsDisplayFormat(adapterFormat))
        return D3DERR_INVALIDCALL;
    if (usage & D3DUSAGE_DEPTHSTENCIL)
        return IsDepthFormat(checkFormat) && resourceType == D3DRTYPE_SURFACE ? D3D_OK : D3DERR_NOTAVAILABLE;
    if (usage & D3DUSAGE_RENDERTARGET) {
        // Only the back buffer is a render target; it blends after the pixel stage.
        const bool ok = (checkFormat == D3DFMT_X8R8G8B8 || checkFormat == D3DFMT_A8R8G8B8) &&
                        resourceType == D3DRTYPE_SURFACE;
        return ok ? D3D_OK : D3DERR_NOTAVAILABLE;
    }
    if (resourceType != D3DRTYPE_TEXTURE && resourceType != D3DRTYPE_SURFACE)
        return D3DERR_NOTAVAILABLE;
    return FindTextureFormat(checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D9::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps)
{
    if (adapter != 0 || !caps)
        return D3DERR_INVALIDCALL;
    FillCaps(type, caps);
    return D3D_OK;
}

HRESULT Direct3D9::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD behavior,
                                D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device)
{
    if (!device)
        return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (adapter != 0 || !params || (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF))
        return D3DERR_INVALIDCALL;
    const DWORD processing = behavior & (D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING |
                                         D3DCREATE_SOFTWARE_VERTEXPROCESSING);
    // Exactly one kind of vertex processing, as D3D9 demands.
    if (processing != D3DCREATE_HARDWARE_VERTEXPROCESSING && processing != D3DCREATE_MIXED_VERTEXPROCESSING &&
        processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING)
        return D3DERR_INVALIDCALL;
    if (g_failCreations > 0) {
        --g_failCreations;
        return D3DERR_NOTAVAILABLE;
    }
    return Device::Create(this, focus ? focus : params->hDeviceWindow, behavior, *params, device);
}

} // namespace qv::d3d

IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion)
{
    if (sdkVersion != D3D_SDK_VERSION)
        return nullptr;
    return new qv::d3d::Direct3D9();
}

HRESULT QvCreateStandaloneDevice(D3DPRESENT_PARAMETERS* params, DWORD behaviorFlags, IDirect3D9** d3d,
                                 IDirect3DDevice9** device)
{
    if (!d3d || !device)
        return D3DERR_INVALIDCALL;
    *device = nullptr;
    *d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!*d3d)
        return D3DERR_NOTAVAILABLE;
    const HRESULT hr = (*d3d)->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, behaviorFlags, params, device);
    if (FAILED(hr)) {
        (*d3d)->Release();
        *d3d = nullptr;
        *device = nullptr;
    }
    return hr;
}

void QvSetPresentIntervalOverride(int interval) { qv::d3d::g_presentOverride = interval < 0 ? -1 : (interval ? 1 : 0); }
void QvFailNextDeviceCreations(int count) { qv::d3d::g_failCreations = count > 0 ? count : 0; }
void QvForceCpuDxtDecode(BOOL force) { qv::d3d::g_forceCpuDxt = force != FALSE; }
void QvSetRenderScale(float scale)
{
    // NaN and anything out of range draw as Direct3D 9 does.
    qv::d3d::g_renderScale = scale == 0.0f || (scale >= 1.0f && scale <= qv::d3d::kMaxRenderScale) ? scale : 1.0f;
}
void QvSetMultisample(int samples) { qv::d3d::g_samples = samples > 1 ? std::min(samples, 8) : 0; }

HRESULT QvReadBackBuffer(IDirect3DDevice9* device, QvBackBufferSource source, DWORD* pixels, UINT capacity,
                         UINT* width, UINT* height)
{
    auto* d = dynamic_cast<qv::d3d::Device*>(device);
    if (!d)
        return D3DERR_INVALIDCALL;
    return d->ReadBack(source, pixels, capacity, width, height);
}

HRESULT QvGetDeviceStats(IDirect3DDevice9* device, QvDeviceStats* stats)
{
    auto* d = dynamic_cast<qv::d3d::Device*>(device);
    if (!d || !stats)
        return D3DERR_INVALIDCALL;
    d->Stats(stats);
    return D3D_OK;
}
