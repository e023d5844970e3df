// IDirect3D9: the one adapter (the GL driver behind SDL), its formats and capabilities, and
// device creation.
#pragma once

#include "platform/d3d9/d3d9_com.h"

namespace qv::d3d {

class Direct3D9 final : public RefCounted<IDirect3D9> {
public:
    UINT STDMETHODCALLTYPE GetAdapterCount() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                                D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override;
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD behavior,
                                           D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) override;
};

void FillCaps(D3DDEVTYPE type, D3DCAPS9* caps);
HRESULT DisplayMode(D3DDISPLAYMODE* mode);

// Hooks of qv_d3d9.h, read by the device.
int PresentIntervalOverride();
bool CpuDxtDecodeForced();

} // namespace qv::d3d
