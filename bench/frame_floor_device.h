// The floor's way of running the game's own frame without its drawing: the game's Direct3D
// object and device, wrapped. Until StopDrawing every call goes through to the real device, so
// start-up loads the models and textures as the game does; after it the device takes the frame's
// calls and draws nothing, keeping only the view and projection the frame set. The real device
// then sees no call at all, so its GL context is never needed again.
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <d3dx9math.h>

#include <functional>

class QuietDevice final : public IDirect3DDevice9 {
public:
    explicit QuietDevice(IDirect3DDevice9* real) : real_(real) {}

    void StopDrawing() { quiet_ = true; }
    // Called at each BeginScene once quiet: the frame's rules have run up to its drawing.
    std::function<void()> onBeginScene;
    const D3DXMATRIX& view() const { return view_; }
    const D3DXMATRIX& projection() const { return projection_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        if (object) *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; } // lives as long as the process

    // What start-up makes and reads: always the real device's.
    HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D9** d) override { return real_->GetDirect3D(d); }
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS9* c) override { return real_->GetDeviceCaps(c); }
    HRESULT STDMETHODCALLTYPE GetDisplayMode(UINT i, D3DDISPLAYMODE* m) override { return real_->GetDisplayMode(i, m); }
    HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT i, UINT b, D3DBACKBUFFER_TYPE t, IDirect3DSurface9** s) override
    {
        return real_->GetBackBuffer(i, b, t, s);
    }
    HRESULT STDMETHODCALLTYPE CreateTexture(UINT w, UINT h, UINT l, DWORD u, D3DFORMAT f, D3DPOOL p,
                                            IDirect3DTexture9** t, HANDLE* s) override
    {
        return real_->CreateTexture(w, h, l, u, f, p, t, s);
    }
    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT n, DWORD u, DWORD f, D3DPOOL p, IDirect3DVertexBuffer9** b,
                                                 HANDLE* s) override
    {
        return real_->CreateVertexBuffer(n, u, f, p, b, s);
    }
    HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT n, DWORD u, D3DFORMAT f, D3DPOOL p, IDirect3DIndexBuffer9** b,
                                                HANDLE* s) override
    {
        return real_->CreateIndexBuffer(n, u, f, p, b, s);
    }
    HRESULT STDMETHODCALLTYPE GetRenderTargetData(IDirect3DSurface9* t, IDirect3DSurface9* d) override
    {
        return real_->GetRenderTargetData(t, d);
    }
    HRESULT STDMETHODCALLTYPE CreateOffscreenPlainSurface(UINT w, UINT h, D3DFORMAT f, D3DPOOL p,
                                                          IDirect3DSurface9** s, HANDLE* h2) override
    {
        return real_->CreateOffscreenPlainSurface(w, h, f, p, s, h2);
    }
    HRESULT STDMETHODCALLTYPE GetRenderTarget(DWORD i, IDirect3DSurface9** t) override { return real_->GetRenderTarget(i, t); }
    HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE t, D3DMATRIX* m) override { return real_->GetTransform(t, m); }
    HRESULT STDMETHODCALLTYPE GetMaterial(D3DMATERIAL9* m) override { return real_->GetMaterial(m); }
    HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE s, DWORD* v) override { return real_->GetRenderState(s, v); }
    HRESULT STDMETHODCALLTYPE BeginStateBlock() override { return real_->BeginStateBlock(); }
    HRESULT STDMETHODCALLTYPE EndStateBlock(IDirect3DStateBlock9** b) override { return real_->EndStateBlock(b); }
    HRESULT STDMETHODCALLTYPE GetTexture(DWORD i, IDirect3DBaseTexture9** t) override { return real_->GetTexture(i, t); }
    HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD i, D3DTEXTURESTAGESTATETYPE t, DWORD* v) override
    {
        return real_->GetTextureStageState(i, t, v);
    }
    HRESULT STDMETHODCALLTYPE GetSamplerState(DWORD i, D3DSAMPLERSTATETYPE t, DWORD* v) override
    {
        return real_->GetSamplerState(i, t, v);
    }
    HRESULT STDMETHODCALLTYPE GetFVF(DWORD* f) override { return real_->GetFVF(f); }

    // A frame's calls: through to the real device until quiet, then taken and dropped.
    HRESULT STDMETHODCALLTYPE BeginScene() override
    {
        if (!quiet_) return real_->BeginScene();
        if (onBeginScene) onBeginScene();
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE t, const D3DMATRIX* m) override
    {
        if (!quiet_) return real_->SetTransform(t, m);
        if (m && t == D3DTS_VIEW) view_ = *m;
        if (m && t == D3DTS_PROJECTION) projection_ = *m;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE Present(const RECT* s, const RECT* d, HWND w, const RGNDATA* r) override
    {
        return quiet_ ? D3D_OK : real_->Present(s, d, w, r);
    }
    HRESULT STDMETHODCALLTYPE EndScene() override { return quiet_ ? D3D_OK : real_->EndScene(); }
    HRESULT STDMETHODCALLTYPE Clear(DWORD n, const D3DRECT* r, DWORD f, D3DCOLOR c, float z, DWORD s) override
    {
        return quiet_ ? D3D_OK : real_->Clear(n, r, f, c, z, s);
    }
    HRESULT STDMETHODCALLTYPE SetMaterial(const D3DMATERIAL9* m) override { return quiet_ ? D3D_OK : real_->SetMaterial(m); }
    HRESULT STDMETHODCALLTYPE SetLight(DWORD i, const D3DLIGHT9* l) override { return quiet_ ? D3D_OK : real_->SetLight(i, l); }
    HRESULT STDMETHODCALLTYPE LightEnable(DWORD i, BOOL on) override { return quiet_ ? D3D_OK : real_->LightEnable(i, on); }
    HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE s, DWORD v) override
    {
        return quiet_ ? D3D_OK : real_->SetRenderState(s, v);
    }
    HRESULT STDMETHODCALLTYPE SetTexture(DWORD i, IDirect3DBaseTexture9* t) override
    {
        return quiet_ ? D3D_OK : real_->SetTexture(i, t);
    }
    HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD i, D3DTEXTURESTAGESTATETYPE t, DWORD v) override
    {
        return quiet_ ? D3D_OK : real_->SetTextureStageState(i, t, v);
    }
    HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD i, D3DSAMPLERSTATETYPE t, DWORD v) override
    {
        return quiet_ ? D3D_OK : real_->SetSamplerState(i, t, v);
    }
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE t, UINT s, UINT n) override
    {
        return quiet_ ? D3D_OK : real_->DrawPrimitive(t, s, n);
    }
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE t, INT b, UINT m, UINT v, UINT s, UINT n) override
    {
        return quiet_ ? D3D_OK : real_->DrawIndexedPrimitive(t, b, m, v, s, n);
    }
    HRESULT STDMETHODCALLTYPE SetFVF(DWORD f) override { return quiet_ ? D3D_OK : real_->SetFVF(f); }
    HRESULT STDMETHODCALLTYPE SetStreamSource(UINT i, IDirect3DVertexBuffer9* b, UINT o, UINT s) override
    {
        return quiet_ ? D3D_OK : real_->SetStreamSource(i, b, o, s);
    }
    HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer9* b) override { return quiet_ ? D3D_OK : real_->SetIndices(b); }

private:
    IDirect3DDevice9* real_;
    bool quiet_ = false;
    D3DXMATRIX view_ = {};
    D3DXMATRIX projection_ = {};
};

// Has InitD3D's Direct3D object (through render/device.h's g_pfnDirect3DCreate9) hand out a
// QuietDevice around each real device it makes: g_pd3dDevice is then one.
void InstallQuietDirect3D();
