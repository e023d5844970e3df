// Reference counting shared by the D3DX objects this library hands out.
#pragma once

#include <windows.h>

namespace d3dx {

// Implements IUnknown for one interface. Objects start with one reference, owned by whoever
// created them, and free themselves when the last is released.
template <class Interface>
class RefCounted : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override
    {
        if (ppv) *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

protected:
    RefCounted() = default;
    // Virtual here: real COM interfaces have no virtual destructor, and Release deletes
    // through this class.
    virtual ~RefCounted() = default;

private:
    ULONG refs_ = 1;
};

}  // namespace d3dx
