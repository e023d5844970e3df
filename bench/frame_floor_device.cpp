#include "bench/frame_floor_device.h"

#include "render/device.h"

namespace {

class QuietDirect3D final : public IDirect3D9 {
public:
    explicit QuietDirect3D(IDirect3D9* real) : real_(real) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        if (object) *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; } // lives as long as the process
    UINT STDMETHODCALLTYPE GetAdapterCount() override { return real_->GetAdapterCount(); }
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override
    {
        return real_->GetAdapterDisplayMode(adapter, mode);
    }
    HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                                D3DRESOURCETYPE resource, D3DFORMAT format) override
    {
        return real_->CheckDeviceFormat(adapter, type, adapterFormat, usage, resource, format);
    }
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override
    {
        return real_->GetDeviceCaps(adapter, type, caps);
    }
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT adapter, D3DDEVTYPE type, HWND window, DWORD flags,
                                           D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) override
    {
        IDirect3DDevice9* real = nullptr;
        const HRESULT hr = real_->CreateDevice(adapter, type, window, flags, params, &real);
        if (device) *device = SUCCEEDED(hr) ? new QuietDevice(real) : nullptr;
        return hr;
    }

private:
    IDirect3D9* real_;
};

IDirect3D9* WINAPI CreateQuietDirect3D(UINT version)
{
    IDirect3D9* real = Direct3DCreate9(version);
    return real ? new QuietDirect3D(real) : nullptr;
}

} // namespace

void InstallQuietDirect3D() { g_pfnDirect3DCreate9 = CreateQuietDirect3D; }
