// The Direct3D 9 hooks over the system's Direct3D: a thin wrapper of the Direct3D object that
// applies the interval override and the failure injection and keeps the presented picture
// readable, and read-back through GetRenderTargetData.
#include <qv_d3d9.h>

#include "platform/windows/import_patch.h"
#include "platform/windows/win_hooks.h"

namespace {

int g_presentOverride = -1;
int g_failCreations = 0;

IDirect3D9* WINAPI WrappedDirect3DCreate9(UINT sdkVersion);

// Every Direct3D object the program makes is the wrapper (import_patch.h).
using CreateFn = IDirect3D9*(WINAPI*)(UINT);
const CreateFn g_direct3DCreate9 = qvhooks::Reroute("d3d9.dll", "Direct3DCreate9", WrappedDirect3DCreate9);

// Forwards everything to the system's object but CreateDevice.
class Direct3D final : public IDirect3D9 {
public:
    explicit Direct3D(IDirect3D9* real) : real_(real) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr) return E_POINTER;
        if (IsEqualGUID(riid, __uuidof(IUnknown)) || IsEqualGUID(riid, __uuidof(IDirect3D9))) {
            AddRef();
            *ppv = this;
            return S_OK;
        }
        return real_->QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        real_->AddRef();
        return ++refs_;
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        real_->Release();
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE RegisterSoftwareDevice(void* init) override { return real_->RegisterSoftwareDevice(init); }
    UINT STDMETHODCALLTYPE GetAdapterCount() override { return real_->GetAdapterCount(); }
    HRESULT STDMETHODCALLTYPE GetAdapterIdentifier(UINT a, DWORD f, D3DADAPTER_IDENTIFIER9* id) override
    {
        return real_->GetAdapterIdentifier(a, f, id);
    }
    UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT a, D3DFORMAT f) override { return real_->GetAdapterModeCount(a, f); }
    HRESULT STDMETHODCALLTYPE EnumAdapterModes(UINT a, D3DFORMAT f, UINT m, D3DDISPLAYMODE* mode) override
    {
        return real_->EnumAdapterModes(a, f, m, mode);
    }
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT a, D3DDISPLAYMODE* mode) override
    {
        return real_->GetAdapterDisplayMode(a, mode);
    }
    HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT a, D3DDEVTYPE t, D3DFORMAT display, D3DFORMAT back, WINBOOL windowed) override
    {
        return real_->CheckDeviceType(a, t, display, back, windowed);
    }
    HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT a, D3DDEVTYPE t, D3DFORMAT adapter, DWORD usage, D3DRESOURCETYPE r,
                                                D3DFORMAT check) override
    {
        return real_->CheckDeviceFormat(a, t, adapter, usage, r, check);
    }
    HRESULT STDMETHODCALLTYPE CheckDeviceMultiSampleType(UINT a, D3DDEVTYPE t, D3DFORMAT f, WINBOOL windowed,
                                                         D3DMULTISAMPLE_TYPE m, DWORD* quality) override
    {
        return real_->CheckDeviceMultiSampleType(a, t, f, windowed, m, quality);
    }
    HRESULT STDMETHODCALLTYPE CheckDepthStencilMatch(UINT a, D3DDEVTYPE t, D3DFORMAT adapter, D3DFORMAT target,
                                                     D3DFORMAT depth) override
    {
        return real_->CheckDepthStencilMatch(a, t, adapter, target, depth);
    }
    HRESULT STDMETHODCALLTYPE CheckDeviceFormatConversion(UINT a, D3DDEVTYPE t, D3DFORMAT from, D3DFORMAT to) override
    {
        return real_->CheckDeviceFormatConversion(a, t, from, to);
    }
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT a, D3DDEVTYPE t, D3DCAPS9* caps) override
    {
        return real_->GetDeviceCaps(a, t, caps);
    }
    HMONITOR STDMETHODCALLTYPE GetAdapterMonitor(UINT a) override { return real_->GetAdapterMonitor(a); }

    HRESULT STDMETHODCALLTYPE CreateDevice(UINT a, D3DDEVTYPE t, HWND focus, DWORD flags, D3DPRESENT_PARAMETERS* pp,
                                           IDirect3DDevice9** device) override
    {
        if (g_failCreations > 0) {
            --g_failCreations;
            if (device != nullptr) *device = nullptr;
            return D3DERR_NOTAVAILABLE;
        }
        if (pp == nullptr) return real_->CreateDevice(a, t, focus, flags, pp, device);
        D3DPRESENT_PARAMETERS asked = *pp;
        if (g_presentOverride >= 0)
            pp->PresentationInterval = g_presentOverride ? D3DPRESENT_INTERVAL_ONE : D3DPRESENT_INTERVAL_IMMEDIATE;
        if (pp->Windowed) {
            // A flipped or discarded back buffer is undefined after Present; a copied one still
            // holds the picture just shown, which is what read-back promises.
            pp->SwapEffect = D3DSWAPEFFECT_COPY;
            pp->BackBufferCount = 1;
        }
        const HRESULT hr = real_->CreateDevice(a, t, focus, flags, pp, device);
        if (SUCCEEDED(hr) && qvhooks::g_letterboxPresents && device != nullptr && *device != nullptr)
            qvhooks::LetterboxPresents(*device);
        pp->SwapEffect = asked.SwapEffect;
        pp->BackBufferCount = asked.BackBufferCount;
        pp->PresentationInterval = asked.PresentationInterval;
        return hr;
    }

private:
    ~Direct3D() { }
    IDirect3D9* real_;
    ULONG refs_ = 1;
};

IDirect3D9* WINAPI WrappedDirect3DCreate9(UINT sdkVersion)
{
    IDirect3D9* real = g_direct3DCreate9(sdkVersion);
    return real != nullptr ? new Direct3D(real) : nullptr;
}

// One hidden window serves every standalone device: windowed Direct3D needs one to present to.
HWND StandaloneWindow(UINT width, UINT height)
{
    static HWND window = [] {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QvStandaloneDevice";
        RegisterClassExA(&wc);
        return CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                               wc.hInstance, nullptr);
    }();
    if (window != nullptr) SetWindowPos(window, nullptr, 0, 0, int(width), int(height), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return window;
}

DWORD ToColor(const BYTE* p, D3DFORMAT format)
{
    const DWORD v = DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
    return format == D3DFMT_X8R8G8B8 ? (v | 0xFF000000u) : v;
}

}  // namespace

HRESULT QvCreateStandaloneDevice(D3DPRESENT_PARAMETERS* params, DWORD behaviorFlags, IDirect3D9** d3d,
                                 IDirect3DDevice9** device)
{
    if (!d3d || !device) return D3DERR_INVALIDCALL;
    *device = nullptr;
    *d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!*d3d) return D3DERR_NOTAVAILABLE;
    HWND window = params != nullptr ? StandaloneWindow(params->BackBufferWidth, params->BackBufferHeight) : nullptr;
    const HRESULT hr = (*d3d)->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, behaviorFlags, params, device);
    if (FAILED(hr)) {
        (*d3d)->Release();
        *d3d = nullptr;
        *device = nullptr;
    }
    return hr;
}

namespace qvhooks {
bool g_letterboxPresents = false;
}  // namespace qvhooks

void QvSetPresentIntervalOverride(int interval) { g_presentOverride = interval < 0 ? -1 : (interval ? 1 : 0); }
void QvFailNextDeviceCreations(int count) { g_failCreations = count > 0 ? count : 0; }
void QvForceCpuDxtDecode(BOOL) {}
// The system's device draws its back buffer at the back buffer's size.
void QvSetRenderScale(float) {}
void QvSetMultisample(int) {}
HRESULT QvGetDeviceStats(IDirect3DDevice9*, QvDeviceStats*) { return D3DERR_INVALIDCALL; }

// Both sources read the back buffer: with the copy swap effect it still holds the picture the
// last Present showed, and nothing tells a device that has not presented yet apart.
HRESULT QvReadBackBuffer(IDirect3DDevice9* device, QvBackBufferSource, DWORD* pixels, UINT capacity, UINT* width,
                         UINT* height)
{
    if (device == nullptr) return D3DERR_INVALIDCALL;
    IDirect3DSurface9* back = nullptr;
    HRESULT hr = device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    if (FAILED(hr)) return hr;
    D3DSURFACE_DESC desc = {};
    back->GetDesc(&desc);
    if (desc.Format != D3DFMT_X8R8G8B8 && desc.Format != D3DFMT_A8R8G8B8) {
        back->Release();
        return D3DERR_INVALIDCALL;
    }
    if (width) *width = desc.Width;
    if (height) *height = desc.Height;
    if (pixels == nullptr) {
        back->Release();
        return D3D_OK;
    }
    if (UINT64(capacity) < UINT64(desc.Width) * desc.Height) {
        back->Release();
        return D3DERR_MOREDATA;
    }

    IDirect3DSurface9* copy = nullptr;
    hr = device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy, nullptr);
    if (SUCCEEDED(hr)) hr = device->GetRenderTargetData(back, copy);
    D3DLOCKED_RECT locked = {};
    if (SUCCEEDED(hr)) hr = copy->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    if (SUCCEEDED(hr)) {
        for (UINT y = 0; y < desc.Height; ++y) {
            const BYTE* row = static_cast<const BYTE*>(locked.pBits) + size_t(y) * size_t(locked.Pitch);
            for (UINT x = 0; x < desc.Width; ++x) pixels[size_t(y) * desc.Width + x] = ToColor(row + 4 * x, desc.Format);
        }
        copy->UnlockRect();
    }
    if (copy != nullptr) copy->Release();
    back->Release();
    return hr;
}
