#include "platform/d3d9/d3d9_stateblock.h"

#include "platform/d3d9/d3d9_device.h"

namespace qv::d3d {

StateBlock::StateBlock(Device* device) : DeviceChild(device) {}

StateBlock::~StateBlock()
{
    ReleaseObjects();
    device_->StateBlockDestroyed(this);
}

void StateBlock::ReleaseObjects()
{
    for (auto& t : values_.textures)
        ReplaceRef(t, static_cast<IDirect3DBaseTexture9*>(nullptr));
    ReplaceRef(values_.stream.buffer, static_cast<IDirect3DVertexBuffer9*>(nullptr));
    ReplaceRef(values_.indices, static_cast<IDirect3DIndexBuffer9*>(nullptr));
}

void StateBlock::RecordRenderState(DWORD state, DWORD value)
{
    values_.renderStates[state] = value;
    mask_.renderStates.set(state);
}

void StateBlock::RecordStageState(DWORD stage, DWORD type, DWORD value)
{
    values_.stageStates[stage][type] = value;
    mask_.stageStates[stage].set(type);
}

void StateBlock::RecordSamplerState(DWORD sampler, DWORD type, DWORD value)
{
    values_.samplerStates[sampler][type] = value;
    mask_.samplerStates[sampler].set(type);
}

void StateBlock::RecordTransform(int slot, const D3DMATRIX& m)
{
    values_.transforms[size_t(slot)] = m;
    mask_.transforms.set(size_t(slot));
}

void StateBlock::RecordMaterial(const D3DMATERIAL9& m)
{
    values_.material = m;
    mask_.material = true;
}

void StateBlock::RecordLight(DWORD index, const D3DLIGHT9& l)
{
    values_.lights[index] = l;
    mask_.lights.set(index);
}

void StateBlock::RecordLightEnable(DWORD index, BOOL enable)
{
    values_.lightEnabled[index] = enable;
    mask_.lightEnabled.set(index);
}

void StateBlock::RecordTexture(DWORD stage, IDirect3DBaseTexture9* texture)
{
    ReplaceRef(values_.textures[stage], texture);
    mask_.textures.set(stage);
}

void StateBlock::RecordFvf(DWORD fvf)
{
    values_.fvf = fvf;
    mask_.fvf = true;
}

void StateBlock::RecordStream(IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride)
{
    ReplaceRef(values_.stream.buffer, buffer);
    values_.stream.offset = offset;
    values_.stream.stride = stride;
    mask_.stream = true;
}

void StateBlock::RecordIndices(IDirect3DIndexBuffer9* buffer)
{
    ReplaceRef(values_.indices, buffer);
    mask_.indices = true;
}

HRESULT StateBlock::Apply()
{
    Device& d = *device_;
    // Applied while another block records, its settings would land in that block instead.
    if (d.recording_)
        return D3DERR_INVALIDCALL;
    d.FlushBatch();
    const DeviceState& v = values_;
    for (size_t i = 0; i < mask_.renderStates.size(); ++i)
        if (mask_.renderStates.test(i))
            d.SetRenderState(D3DRENDERSTATETYPE(i), v.renderStates[i]);
    for (DWORD s = 0; s < DWORD(kMaxStages); ++s)
        for (size_t t = 0; t < mask_.stageStates[s].size(); ++t)
            if (mask_.stageStates[s].test(t))
                d.SetTextureStageState(s, D3DTEXTURESTAGESTATETYPE(t), v.stageStates[s][t]);
    for (DWORD s = 0; s < DWORD(kMaxSamplers); ++s)
        for (size_t t = 0; t < mask_.samplerStates[s].size(); ++t)
            if (mask_.samplerStates[s].test(t))
                d.SetSamplerState(s, D3DSAMPLERSTATETYPE(t), v.samplerStates[s][t]);
    for (DWORD s = 0; s < DWORD(kMaxSamplers); ++s)
        if (mask_.textures.test(s))
            d.SetTexture(s, v.textures[s]);
    for (int slot = 0; slot < kTransformSlotCount; ++slot) {
        if (!mask_.transforms.test(size_t(slot)))
            continue;
        const DWORD type = slot == kSlotView ? DWORD(D3DTS_VIEW)
                         : slot == kSlotProjection ? DWORD(D3DTS_PROJECTION)
                         : slot == kSlotWorld ? 256u
                         : DWORD(D3DTS_TEXTURE0) + DWORD(slot - kSlotTexture0);
        d.SetTransform(D3DTRANSFORMSTATETYPE(type), &v.transforms[size_t(slot)]);
    }
    if (mask_.material)
        d.SetMaterial(&v.material);
    for (DWORD i = 0; i < DWORD(kMaxLights); ++i) {
        if (mask_.lights.test(i))
            d.SetLight(i, &v.lights[i]);
        if (mask_.lightEnabled.test(i))
            d.LightEnable(i, v.lightEnabled[i]);
    }
    if (mask_.fvf)
        d.SetFVF(v.fvf);
    if (mask_.stream)
        d.SetStreamSource(0, v.stream.buffer, v.stream.offset, v.stream.stride);
    if (mask_.indices)
        d.SetIndices(v.indices);
    return D3D_OK;
}

HRESULT StateBlock::Capture()
{
    if (device_->recording_)
        return D3DERR_INVALIDCALL;
    device_->FlushBatch();
    const DeviceState& cur = device_->state_;
    for (size_t i = 0; i < mask_.renderStates.size(); ++i)
        if (mask_.renderStates.test(i))
            values_.renderStates[i] = cur.renderStates[i];
    for (size_t s = 0; s < size_t(kMaxStages); ++s)
        for (size_t t = 0; t < mask_.stageStates[s].size(); ++t)
            if (mask_.stageStates[s].test(t))
                values_.stageStates[s][t] = cur.stageStates[s][t];
    for (size_t s = 0; s < size_t(kMaxSamplers); ++s) {
        for (size_t t = 0; t < mask_.samplerStates[s].size(); ++t)
            if (mask_.samplerStates[s].test(t))
                values_.samplerStates[s][t] = cur.samplerStates[s][t];
        if (mask_.textures.test(s))
            ReplaceRef(values_.textures[s], cur.textures[s]);
    }
    for (size_t slot = 0; slot < size_t(kTransformSlotCount); ++slot)
        if (mask_.transforms.test(slot))
            values_.transforms[slot] = cur.transforms[slot];
    if (mask_.material)
        values_.material = cur.material;
    for (size_t i = 0; i < size_t(kMaxLights); ++i) {
        if (mask_.lights.test(i))
            values_.lights[i] = cur.lights[i];
        if (mask_.lightEnabled.test(i))
            values_.lightEnabled[i] = cur.lightEnabled[i];
    }
    if (mask_.fvf)
        values_.fvf = cur.fvf;
    if (mask_.stream) {
        ReplaceRef(values_.stream.buffer, cur.stream.buffer);
        values_.stream.offset = cur.stream.offset;
        values_.stream.stride = cur.stream.stride;
    }
    if (mask_.indices)
        ReplaceRef(values_.indices, cur.indices);
    return D3D_OK;
}

} // namespace qv::d3d
