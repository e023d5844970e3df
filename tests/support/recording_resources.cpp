#include "support/recording_resources.h"

#include "support/recording_device.h"

#include <algorithm>
#include <cstring>

UINT FormatUnitBytes(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_A8:
    case D3DFMT_L8:
    case D3DFMT_R3G3B2: return 1;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A8L8:
    case D3DFMT_D16:
    case D3DFMT_D15S1:
    case D3DFMT_INDEX16: return 2;
    case D3DFMT_R8G8B8: return 3;
    case D3DFMT_DXT1: return 8;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5: return 16;
    default: return 4;
    }
}

bool IsBlockFormat(D3DFORMAT format)
{
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 ||
           format == D3DFMT_DXT4 || format == D3DFMT_DXT5;
}

FakeImage::FakeImage(D3DFORMAT f, UINT w, UINT h) : format(f), width(w), height(h)
{
    UINT unit = FormatUnitBytes(f);
    if (IsBlockFormat(f)) {
        pitch = static_cast<INT>(std::max(1u, (w + 3) / 4) * unit);
        rows = std::max(1u, (h + 3) / 4);
    } else {
        pitch = static_cast<INT>(w * unit);
        rows = h;
    }
}

BYTE* FakeImage::Data()
{
    if (bytes.empty()) bytes.assign(static_cast<size_t>(pitch) * rows, 0);
    return bytes.data();
}

HRESULT LockImage(FakeImage& image, D3DLOCKED_RECT* pLockedRect, const RECT* pRect)
{
    if (!pLockedRect) return D3DERR_INVALIDCALL;
    size_t offset = 0;
    if (pRect) {
        if (pRect->left < 0 || pRect->top < 0 || pRect->left >= pRect->right ||
            pRect->top >= pRect->bottom || static_cast<UINT>(pRect->right) > image.width ||
            static_cast<UINT>(pRect->bottom) > image.height)
            return D3DERR_INVALIDCALL;
        bool block = IsBlockFormat(image.format);
        size_t row = static_cast<size_t>(block ? pRect->top / 4 : pRect->top);
        size_t col = static_cast<size_t>(block ? pRect->left / 4 : pRect->left);
        offset = row * static_cast<size_t>(image.pitch) + col * FormatUnitBytes(image.format);
    }
    pLockedRect->Pitch = image.pitch;
    pLockedRect->pBits = image.Data() + offset;
    return S_OK;
}

// ---- reference counting, shared by every fake ---------------------------------------------------

template <class Interface>
HRESULT FakeCom<Interface>::Record(Rec& rec)
{
    return device_->Commit(rec);
}

template <class Interface>
HRESULT FakeCom<Interface>::QueryInterface(REFIID, void** ppv)
{
    Record(Rec(Name("QueryInterface").c_str()).P(iface()));
    if (ppv) *ppv = nullptr;
    return E_NOINTERFACE;
}

template <class Interface>
ULONG FakeCom<Interface>::AddRef()
{
    Record(Rec(Name("AddRef").c_str()).P(iface()));
    return ++refs_;
}

template <class Interface>
ULONG FakeCom<Interface>::Release()
{
    Record(Rec(Name("Release").c_str()).P(iface()));
    if (refs_ == 0) return 0;  // an unbalanced Release must not free twice
    ULONG left = --refs_;
    if (left == 0) device_->Destroy(iface());  // frees this
    return left;
}

template <class Interface>
HRESULT FakeCom<Interface>::GetDevice(IDirect3DDevice9** ppDevice)
{
    HRESULT hr = Record(Rec(Name("GetDevice").c_str()).P(iface()));
    if (ppDevice) *ppDevice = nullptr;
    if (FAILED(hr)) return hr;
    if (!ppDevice) return D3DERR_INVALIDCALL;
    device_->Retain();
    *ppDevice = device_;
    return S_OK;
}

template class FakeCom<IDirect3DVertexBuffer9>;
template class FakeCom<IDirect3DIndexBuffer9>;
template class FakeCom<IDirect3DSurface9>;
template class FakeCom<IDirect3DTexture9>;
template class FakeCom<IDirect3DStateBlock9>;

// ---- buffers ------------------------------------------------------------------------------------

namespace {

// Lock of a buffer of `length` bytes: size 0 means to the end, as in Direct3D.
HRESULT LockBytes(std::vector<BYTE>& bytes, UINT length, UINT offset, UINT size, void** ppbData)
{
    if (!ppbData) return D3DERR_INVALIDCALL;
    *ppbData = nullptr;
    if (offset > length || size > length - offset) return D3DERR_INVALIDCALL;
    if (bytes.size() != length) bytes.assign(length, 0);
    *ppbData = bytes.data() + offset;
    return S_OK;
}

}  // namespace

template <class Interface, class Desc>
HRESULT FakeBuffer<Interface, Desc>::Lock(UINT offset, UINT size, void** ppbData, DWORD flags)
{
    HRESULT hr = this->Record(Rec(this->Name("Lock").c_str()).P(this->iface()).U(offset).U(size).U(flags));
    if (FAILED(hr)) {
        if (ppbData) *ppbData = nullptr;
        return hr;
    }
    if (this->real) hr = this->real->Lock(offset, size, ppbData, flags);
    else hr = LockBytes(bytes, desc.Size, offset, size, ppbData);
    if (SUCCEEDED(hr)) ++lockDepth;
    return hr;
}

template <class Interface, class Desc>
HRESULT FakeBuffer<Interface, Desc>::Unlock()
{
    HRESULT hr = this->Record(Rec(this->Name("Unlock").c_str()).P(this->iface()));
    if (FAILED(hr)) return hr;
    if (lockDepth > 0) --lockDepth;
    return this->real ? this->real->Unlock() : S_OK;
}

template <class Interface, class Desc>
HRESULT FakeBuffer<Interface, Desc>::GetDesc(Desc* pDesc)
{
    HRESULT hr = this->Record(Rec(this->Name("GetDesc").c_str()).P(this->iface()));
    if (FAILED(hr)) return hr;
    if (!pDesc) return D3DERR_INVALIDCALL;
    *pDesc = desc;
    return S_OK;
}

template class FakeBuffer<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC>;
template class FakeBuffer<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC>;

// ---- surfaces and textures ----------------------------------------------------------------------

FakeSurface::FakeSurface(RecordingDevice* d, const D3DSURFACE_DESC& dsc,
                         std::shared_ptr<FakeImage> img, IDirect3DSurface9* r)
    : FakeCom(d, "Surf", r), desc(dsc), image(std::move(img))
{
}

HRESULT FakeSurface::GetDesc(D3DSURFACE_DESC* pDesc)
{
    HRESULT hr = Record(Rec("Surf.GetDesc").P(iface()));
    if (FAILED(hr)) return hr;
    if (!pDesc) return D3DERR_INVALIDCALL;
    *pDesc = desc;  // the knob, also when forwarding: tests choose the format
    return S_OK;
}

HRESULT FakeSurface::LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD flags)
{
    HRESULT hr = Record(Rec("Surf.LockRect").P(iface()).P(pRect).U(flags));
    if (FAILED(hr)) return hr;
    if (real) return real->LockRect(pLockedRect, pRect, flags);
    if (!image || image->format != desc.Format || image->width != desc.Width ||
        image->height != desc.Height)
        image = std::make_shared<FakeImage>(desc.Format, desc.Width, desc.Height);
    return LockImage(*image, pLockedRect, pRect);
}

HRESULT FakeSurface::UnlockRect()
{
    HRESULT hr = Record(Rec("Surf.UnlockRect").P(iface()));
    if (FAILED(hr)) return hr;
    return real ? real->UnlockRect() : S_OK;
}

FakeTexture::FakeTexture(RecordingDevice* d, UINT width, UINT height, UINT levelCount, DWORD use,
                         D3DFORMAT format, D3DPOOL p, IDirect3DTexture9* r)
    : FakeCom(d, "Tex", r), usage(use), pool(p)
{
    UINT full = 1;
    for (UINT size = std::max(width, height); size > 1; size >>= 1) ++full;
    UINT count = levelCount == 0 ? full : std::min(levelCount, full);
    for (UINT i = 0; i < count; ++i)
        levels.push_back(std::make_shared<FakeImage>(format, std::max(1u, width >> i),
                                                     std::max(1u, height >> i)));
}

DWORD FakeTexture::GetLevelCount()
{
    Record(Rec("Tex.GetLevelCount").P(iface()));
    return real ? real->GetLevelCount() : static_cast<DWORD>(levels.size());
}

HRESULT FakeTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* pDesc)
{
    HRESULT hr = Record(Rec("Tex.GetLevelDesc").P(iface()).U(level));
    if (FAILED(hr)) return hr;
    if (real) return real->GetLevelDesc(level, pDesc);
    if (!pDesc || level >= levels.size()) return D3DERR_INVALIDCALL;
    const FakeImage& img = *levels[level];
    *pDesc = {img.format, D3DRTYPE_SURFACE, usage, pool, D3DMULTISAMPLE_NONE, 0, img.width, img.height};
    return S_OK;
}

HRESULT FakeTexture::GetSurfaceLevel(UINT level, IDirect3DSurface9** ppSurface)
{
    HRESULT hr = Record(Rec("Tex.GetSurfaceLevel").P(iface()).U(level));
    if (ppSurface) *ppSurface = nullptr;
    if (FAILED(hr)) return hr;
    if (!ppSurface || level >= levels.size()) return D3DERR_INVALIDCALL;
    IDirect3DSurface9* realSurface = nullptr;
    if (real && FAILED(hr = real->GetSurfaceLevel(level, &realSurface))) return hr;
    const FakeImage& img = *levels[level];
    D3DSURFACE_DESC d{img.format, D3DRTYPE_SURFACE, usage, pool, D3DMULTISAMPLE_NONE, 0, img.width, img.height};
    *ppSurface = device_->Keep(std::make_unique<FakeSurface>(device_, d, levels[level], realSurface), "surf");
    return S_OK;
}

HRESULT FakeTexture::LockRect(UINT level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD flags)
{
    HRESULT hr = Record(Rec("Tex.LockRect").P(iface()).U(level).P(pRect).U(flags));
    if (FAILED(hr)) return hr;
    if (real) return real->LockRect(level, pLockedRect, pRect, flags);
    if (level >= levels.size()) return D3DERR_INVALIDCALL;
    return LockImage(*levels[level], pLockedRect, pRect);
}

HRESULT FakeTexture::UnlockRect(UINT level)
{
    HRESULT hr = Record(Rec("Tex.UnlockRect").P(iface()).U(level));
    if (FAILED(hr)) return hr;
    if (real) return real->UnlockRect(level);
    return level < levels.size() ? S_OK : D3DERR_INVALIDCALL;
}

// ---- state blocks -------------------------------------------------------------------------------

FakeStateBlock::FakeStateBlock(RecordingDevice* d, IDirect3DStateBlock9* r) : FakeCom(d, "SB", r) {}

HRESULT FakeStateBlock::Capture()
{
    HRESULT hr = Record(Rec("SB.Capture").P(iface()));
    if (FAILED(hr)) return hr;
    return real ? real->Capture() : S_OK;
}

HRESULT FakeStateBlock::Apply()
{
    HRESULT hr = Record(Rec("SB.Apply").P(iface()));
    if (FAILED(hr)) return hr;
    return real ? real->Apply() : S_OK;
}
