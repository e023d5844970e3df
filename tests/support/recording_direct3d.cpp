#include "support/recording_resources.h"

#include "support/recording_device.h"

RecordingDirect3D::RecordingDirect3D(IDirect3DDevice9* dev, CallLog* log)
    : device(dev), log_(log ? log : &ownLog_)
{
    log_->Name(static_cast<IDirect3D9*>(this), "d3d");
    if (device) log_->Name(device, "device");
    caps.DeviceType = D3DDEVTYPE_HAL;
    caps.MaxTextureWidth = 4096;
    caps.MaxTextureHeight = 4096;
}

HRESULT RecordingDirect3D::QueryInterface(REFIID, void** ppv)
{
    log_->Commit(Rec("D3D.QueryInterface"));
    if (ppv) *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG RecordingDirect3D::AddRef()
{
    log_->Commit(Rec("D3D.AddRef"));
    return ++refs_;
}

ULONG RecordingDirect3D::Release()
{
    log_->Commit(Rec("D3D.Release"));
    return refs_ > 0 ? --refs_ : 0;
}

UINT RecordingDirect3D::GetAdapterCount()
{
    log_->Commit(Rec("D3D.GetAdapterCount"));
    return 1;
}

HRESULT RecordingDirect3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* pMode)
{
    HRESULT hr = log_->Commit(Rec("D3D.GetAdapterDisplayMode").U(adapter));
    if (FAILED(hr)) return hr;
    if (real) return real->GetAdapterDisplayMode(adapter, pMode);
    if (!pMode || adapter != 0) return D3DERR_INVALIDCALL;
    *pMode = displayMode;
    return S_OK;
}

HRESULT RecordingDirect3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                             DWORD usage, D3DRESOURCETYPE rtype, D3DFORMAT checkFormat)
{
    HRESULT hr = log_->Commit(Rec("D3D.CheckDeviceFormat")
                                  .U(adapter).U(type).U(adapterFormat).U(usage).U(rtype).U(checkFormat));
    if (FAILED(hr)) return hr;
    auto it = checkFormatResults.find(checkFormat);
    return it != checkFormatResults.end() ? it->second : checkDeviceFormatResult;
}

HRESULT RecordingDirect3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* pCaps)
{
    HRESULT hr = log_->Commit(Rec("D3D.GetDeviceCaps").U(adapter).U(type));
    if (FAILED(hr)) return hr;
    if (!pCaps) return D3DERR_INVALIDCALL;
    *pCaps = caps;
    return S_OK;
}

HRESULT RecordingDirect3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                                        D3DPRESENT_PARAMETERS* pp, IDirect3DDevice9** ppDevice)
{
    HRESULT hr = log_->Commit(Rec("D3D.CreateDevice").U(adapter).U(type).P(focus).U(flags).P(pp));
    if (pp) presentParameters.push_back(*pp);
    if (ppDevice) *ppDevice = nullptr;
    if (FAILED(hr)) return hr;
    if (!ppDevice || !pp) return D3DERR_INVALIDCALL;
    if (!device) {
        if (!real) return D3DERR_NOTAVAILABLE;
        return real->CreateDevice(adapter, type, focus, flags, pp, ppDevice);
    }
    // The recording device stands for the one this call makes: the caller's reference is new.
    if (auto* recording = dynamic_cast<RecordingDevice*>(device)) recording->Retain();
    else device->AddRef();
    *ppDevice = device;
    log_->SetLastOut(device);
    return S_OK;
}
