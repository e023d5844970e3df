// IDirect3D9: the one adapter (the GL driver behind SDL), its formats and capabilities, and
// device creation.
#pragma once

#include "platform/d3d9/d3d9_com.h"

#include <memory>

namespace qv::d3d {

struct GlContext;

class Direct3D9 final : public RefCounted<IDirect3D9> {
public:
    Direct3D9();
    ~Direct3D9() override;
    UINT STDMETHODCALLTYPE GetAdapterCount() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                                D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override;
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD behavior,
                                           D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) override;

    // A context made for a request the renderer could not meet (hardware vertex processing on a
    // software rasteriser) is kept for the next request for the same window, which a caller
    // walking the fallback chain makes at once: making a GL context is a large part of start-up.
    void KeepRefusedContext(std::unique_ptr<GlContext> context);
    std::unique_ptr<GlContext> TakeRefusedContext(HWND focus);

private:
    std::unique_ptr<GlContext> refused_;
};

// Limits the caps report and the device holds its callers to: with them no draw's sizes come
// near 64 bits, and GL's signed counts and strides take them as they are.
constexpr UINT kMaxPrimitiveCount = 0xFFFFFF;
constexpr UINT kMaxVertexIndex = 0xFFFFFF;
constexpr UINT kMaxStreamStride = 255;

void FillCaps(D3DDEVTYPE type, D3DCAPS9* caps);
HRESULT DisplayMode(D3DDISPLAYMODE* mode);

// Hooks of qv_d3d9.h, read by the device.
int PresentIntervalOverride();
bool CpuDxtDecodeForced();
// The render scale and sample count devices are created with (0: follow the window; none).
constexpr float kMaxRenderScale = 4.0f;
float RenderScaleSetting();
int MultisampleSetting();

} // namespace qv::d3d
