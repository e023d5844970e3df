// A recorded set of device settings. BeginStateBlock routes every Set* call here instead of
// the device; Apply replays what was recorded, Capture refreshes it from the device.
#pragma once

#include "platform/d3d9/d3d9_com.h"
#include "platform/d3d9/d3d9_state.h"

namespace qv::d3d {

class StateBlock final : public DeviceChild<IDirect3DStateBlock9> {
public:
    explicit StateBlock(Device* device);
    ~StateBlock() override;

    HRESULT STDMETHODCALLTYPE Capture() override;
    HRESULT STDMETHODCALLTYPE Apply() override;

    // Recording, called by the device's setters while this block records.
    void RecordRenderState(DWORD state, DWORD value);
    void RecordStageState(DWORD stage, DWORD type, DWORD value);
    void RecordSamplerState(DWORD sampler, DWORD type, DWORD value);
    void RecordTransform(int slot, const D3DMATRIX& m);
    void RecordMaterial(const D3DMATERIAL9& m);
    void RecordLight(DWORD index, const D3DLIGHT9& l);
    void RecordLightEnable(DWORD index, BOOL enable);
    void RecordTexture(DWORD stage, IDirect3DBaseTexture9* texture);
    void RecordFvf(DWORD fvf);
    void RecordStream(IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride);
    void RecordIndices(IDirect3DIndexBuffer9* buffer);

    const StateMask& mask() const { return mask_; }
    const DeviceState& values() const { return values_; }

private:
    void ReleaseObjects();

    DeviceState values_{};
    StateMask mask_;
};

} // namespace qv::d3d
