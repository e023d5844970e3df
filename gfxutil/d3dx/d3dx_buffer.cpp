// ID3DXBuffer: a block of bytes with a reference count.
#include "gfxutil/d3dx/d3dx_com.h"

#include <d3dx9mesh.h>

#include <cstdint>
#include <new>
#include <vector>

namespace d3dx {
namespace {

class D3DXBuffer final : public RefCounted<ID3DXBuffer> {
public:
    explicit D3DXBuffer(DWORD size) : bytes_(size) {}
    LPVOID STDMETHODCALLTYPE GetBufferPointer() override { return bytes_.data(); }
    DWORD STDMETHODCALLTYPE GetBufferSize() override { return DWORD(bytes_.size()); }

private:
    // Sized once; operator new's alignment suits the records stored in it (D3DXMATERIAL).
    std::vector<uint8_t> bytes_;
};

}  // namespace
}  // namespace d3dx

HRESULT WINAPI D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer)
{
    if (!ppBuffer) return D3DERR_INVALIDCALL;
    try {
        *ppBuffer = new d3dx::D3DXBuffer(NumBytes);
        return S_OK;
    } catch (const std::bad_alloc&) {
        *ppBuffer = nullptr;
        return E_OUTOFMEMORY;
    }
}
