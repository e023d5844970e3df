// Reference counting shared by every object the substitute hands out.
#pragma once

#include <d3d9.h>

namespace qv::d3d {

class Device;

template <class Interface>
class RefCounted : public Interface {
public:
    // Our headers publish no interface identifiers, so nothing can be asked for by one.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        if (object)
            *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        if (refs_ == 0)
            return 0;
        const ULONG left = --refs_;
        if (left == 0)
            FinalRelease();
        return left;
    }

protected:
    virtual void FinalRelease() { delete this; }
    ULONG refs_ = 1;
};

// Holds one reference for as long as it lives; null is allowed.
template <class T>
void ReplaceRef(T*& slot, T* value)
{
    if (slot == value)
        return;
    if (value)
        value->AddRef();
    T* old = slot;
    slot = value;
    if (old)
        old->Release();
}

} // namespace qv::d3d

namespace qv::d3d {

// Every object a device creates keeps the device's GL context alive until it is freed, without
// holding a public reference (so a device released by its owner is not kept by its textures).
void AttachChild(Device* device);
void DetachChild(Device* device);
HRESULT GetDeviceOf(Device* device, IDirect3DDevice9** out);

template <class Interface>
class DeviceChild : public RefCounted<Interface> {
public:
    explicit DeviceChild(Device* device) : device_(device) { AttachChild(device_); }
    ~DeviceChild() override { DetachChild(device_); }
    DeviceChild(const DeviceChild&) = delete;
    DeviceChild& operator=(const DeviceChild&) = delete;

    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** out) override { return GetDeviceOf(device_, out); }
    Device* device() const { return device_; }

protected:
    Device* device_;
};

} // namespace qv::d3d
