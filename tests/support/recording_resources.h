// The objects a RecordingDevice hands out: vertex and index buffers with real memory, textures
// and surfaces with pitched memory, state blocks, and a recording IDirect3D9. Each records its
// calls into the device's log ("VB.Lock", "Tex.LockRect", "D3D.CreateDevice", ...) and counts
// its references; at zero it is freed. Given a real object, each forwards to it as well.
#pragma once

#include "support/recorded_call.h"
#include "support/sdk_complete.h"

#include <d3d9.h>

#include <memory>
#include <vector>

class RecordingDevice;

// Bytes per pixel, or per 4 x 4 block for the DXT formats.
UINT FormatUnitBytes(D3DFORMAT format);
bool IsBlockFormat(D3DFORMAT format);

// Memory of one image level, shared by a texture and the surfaces taken from it.
// The memory is made on first use, so a large texture that is never locked costs nothing.
struct FakeImage {
    D3DFORMAT format = D3DFMT_X8R8G8B8;
    UINT width = 0;
    UINT height = 0;
    INT pitch = 0;
    UINT rows = 0;  // pixel rows, or block rows for the DXT formats
    std::vector<BYTE> bytes;
    FakeImage(D3DFORMAT f, UINT w, UINT h);
    BYTE* Data();
};

// Reference counting, QueryInterface and GetDevice for every fake, recorded under
// "<prefix>.AddRef", "<prefix>.Release", ...
template <class Interface>
class FakeCom : public SdkComplete<Interface>, public FakeObject {
public:
    using Iface = Interface;
    FakeCom(RecordingDevice* device, const char* prefix, Interface* realObject)
        : real(realObject), device_(device), prefix_(prefix)
    {
    }
    ~FakeCom() override
    {
        if (real) real->Release();
    }
    Interface* iface() { return this; }
    void Retain() { ++refs_; }  // a reference taken inside the recorder, not by the caller
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    ULONG refs() const { return refs_; }
    const std::string& label() const { return label_; }
    void SetLabel(const std::string& l) { label_ = l; }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** ppDevice) override;

    Interface* real;  // forwarded to when set; the fake holds one reference on it

protected:
    std::string Name(const char* method) const { return std::string(prefix_) + "." + method; }
    HRESULT Record(Rec& rec);
    RecordingDevice* device_;
    const char* prefix_;
    ULONG refs_ = 1;
    std::string label_;
};

// Vertex and index buffers: memory of the created length, handed out by Lock ("VB.Lock", "IB.Lock").
template <class Interface, class Desc>
class FakeBuffer : public FakeCom<Interface> {
public:
    FakeBuffer(RecordingDevice* d, const char* prefix, const Desc& dsc, Interface* realBuffer)
        : FakeCom<Interface>(d, prefix, realBuffer), desc(dsc)
    {
    }
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return desc.Type; }
    HRESULT STDMETHODCALLTYPE Lock(UINT offset, UINT size, void** ppbData, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Unlock() override;
    HRESULT STDMETHODCALLTYPE GetDesc(Desc* pDesc) override;

    Desc desc;
    std::vector<BYTE> bytes;  // what was written through Lock (empty when forwarding)
    int lockDepth = 0;
};

class FakeVertexBuffer : public FakeBuffer<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC> {
public:
    FakeVertexBuffer(RecordingDevice* d, const D3DVERTEXBUFFER_DESC& dsc, IDirect3DVertexBuffer9* r)
        : FakeBuffer(d, "VB", dsc, r)
    {
    }
};

class FakeIndexBuffer : public FakeBuffer<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC> {
public:
    FakeIndexBuffer(RecordingDevice* d, const D3DINDEXBUFFER_DESC& dsc, IDirect3DIndexBuffer9* r)
        : FakeBuffer(d, "IB", dsc, r)
    {
    }
};

class FakeSurface : public FakeCom<IDirect3DSurface9> {
public:
    FakeSurface(RecordingDevice* d, const D3DSURFACE_DESC& desc, std::shared_ptr<FakeImage> image,
                IDirect3DSurface9* real);
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC* pDesc) override;
    HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                                       DWORD flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect() override;

    D3DSURFACE_DESC desc;
    std::shared_ptr<FakeImage> image;  // made on first LockRect when not given
};

class FakeTexture : public FakeCom<IDirect3DTexture9> {
public:
    FakeTexture(RecordingDevice* d, UINT width, UINT height, UINT levels, DWORD usage,
                D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9* real);
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD STDMETHODCALLTYPE GetLevelCount() override;
    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT level, D3DSURFACE_DESC* pDesc) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT level, IDirect3DSurface9** ppSurface) override;
    HRESULT STDMETHODCALLTYPE LockRect(UINT level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                                       DWORD flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect(UINT level) override;

    DWORD usage;
    D3DPOOL pool;
    std::vector<std::shared_ptr<FakeImage>> levels;  // level 0 first
};

class FakeStateBlock : public FakeCom<IDirect3DStateBlock9> {
public:
    FakeStateBlock(RecordingDevice* d, IDirect3DStateBlock9* real);
    HRESULT STDMETHODCALLTYPE Capture() override;
    HRESULT STDMETHODCALLTYPE Apply() override;

    std::vector<RecordedCall> recorded;  // the device calls made between Begin and EndStateBlock
};

// LockRect on an image: the whole of it, or a rectangle checked against its bounds.
HRESULT LockImage(FakeImage& image, D3DLOCKED_RECT* pLockedRect, const RECT* pRect);

// The real object that one of our fakes stands for, or the pointer unchanged when not ours.
template <class Fake, class I>
I* UnwrapAs(const CallLog& log, I* p)
{
    auto* fake = dynamic_cast<Fake*>(log.ObjectAt(p));
    return fake ? static_cast<I*>(fake->real) : p;
}

// A recording IDirect3D9. The test owns it (it is not freed at zero references). CreateDevice
// hands out `device` (AddRef'd) unless made to fail with Fail("D3D.CreateDevice", hr, n).
class RecordingDirect3D : public SdkComplete<IDirect3D9> {
public:
    // Records into `log` (a device's, so one sequence reads through) or into its own log.
    explicit RecordingDirect3D(IDirect3DDevice9* device = nullptr, CallLog* log = nullptr);
    ~RecordingDirect3D() override = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    UINT STDMETHODCALLTYPE GetAdapterCount() override;
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* pMode) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                                DWORD usage, D3DRESOURCETYPE rtype,
                                                D3DFORMAT checkFormat) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* pCaps) override;
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                                           D3DPRESENT_PARAMETERS* pp,
                                           IDirect3DDevice9** ppDevice) override;

    CallLog& log() { return *log_; }
    ULONG refs() const { return refs_; }
    void Retain() { ++refs_; }

    IDirect3DDevice9* device;                       // what CreateDevice hands out
    IDirect3D9* real = nullptr;                     // forwarded to when set (not CreateDevice)
    HRESULT checkDeviceFormatResult = S_OK;         // for formats not listed below
    std::map<DWORD, HRESULT> checkFormatResults;    // by checked format
    D3DDISPLAYMODE displayMode{640, 480, 60, D3DFMT_X8R8G8B8};
    D3DCAPS9 caps{};
    std::vector<D3DPRESENT_PARAMETERS> presentParameters;  // as given to each CreateDevice

private:
    CallLog ownLog_;
    CallLog* log_;
    ULONG refs_ = 1;
};
