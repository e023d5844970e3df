// The setters that bind objects and matrices: transforms, material and lights, textures,
// vertex input, and the recording of state blocks.
#include "platform/d3d9/d3d9_device.h"

#include "platform/d3d9/d3d9_buffers.h"
#include "platform/d3d9/d3d9_direct3d.h"
#include "platform/d3d9/d3d9_stateblock.h"
#include "platform/d3d9/d3d9_texture.h"

#include <cstring>

namespace qv::d3d {

// ---- transforms, material, lights ------------------------------------------------------------

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix)
{
    const int slot = TransformSlotOf(state);
    if (!matrix || slot < 0)
        return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->RecordTransform(slot, *matrix);
        return D3D_OK;
    }
    D3DMATRIX& m = state_.transforms[size_t(slot)];
    // Bit for bit on purpose (-0 and NaN count as changes); all floats, no padding.
    // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison)
    if (std::memcmp(&m, matrix, sizeof m) == 0)
        return D3D_OK;
    m = *matrix;
    if (slot >= kSlotTexture0 && slot < kSlotWorld)
        dirty_ |= kDirtyTexMatrix;
    else if (slot == kSlotWorld)
        dirty_ |= kDirtyTransform;
    else
        dirty_ |= kDirtyTransform | kDirtyViewProj | (slot == kSlotView ? kDirtyLights : 0u);
    return D3D_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix)
{
    const int slot = TransformSlotOf(state);
    return HandOut(slot >= 0 ? &state_.transforms[size_t(slot)] : nullptr, matrix);
}

HRESULT Device::SetMaterial(const D3DMATERIAL9* material)
{
    if (!material)
        return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->RecordMaterial(*material);
        return D3D_OK;
    }
    // Bit for bit on purpose (-0 and NaN count as changes); all floats, no padding.
    // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison)
    if (std::memcmp(&state_.material, material, sizeof *material) != 0) {
        state_.material = *material;
        dirty_ |= kDirtyMaterial;
    }
    return D3D_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL9* material) { return HandOut(&state_.material, material); }

HRESULT Device::SetLight(DWORD index, const D3DLIGHT9* light)
{
    if (index >= DWORD(kMaxLights) || !light || light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL)
        return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->RecordLight(index, *light);
        return D3D_OK;
    }
    lightDefined_[index] = true;
    D3DLIGHT9& l = state_.lights[index];
    if (l.Type != light->Type && state_.lightEnabled[index])
        dirty_ |= kDirtyKey;
    l = *light;
    dirty_ |= kDirtyLights;
    return D3D_OK;
}

HRESULT Device::LightEnable(DWORD index, BOOL enable)
{
    if (index >= DWORD(kMaxLights))
        return D3DERR_INVALIDCALL;
    const BOOL on = enable ? TRUE : FALSE;
    if (recording_) {
        recording_->RecordLightEnable(index, on);
        return D3D_OK;
    }
    if (!lightDefined_[index]) {
        // D3D9 gives an index that was never set its default light.
        state_.lights[index] = DefaultLight();
        lightDefined_[index] = true;
    }
    if (state_.lightEnabled[index] != on) {
        state_.lightEnabled[index] = on;
        dirty_ |= kDirtyKey | kDirtyLights;
    }
    return D3D_OK;
}

// ---- textures and vertex input ---------------------------------------------------------------

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture)
{
    if (stage >= DWORD(kMaxSamplers))
        return D3DERR_INVALIDCALL;
    // The mesh path sets the same texture again for every subset; it was checked when first set.
    if (!recording_ && state_.textures[stage] == texture)
        return D3D_OK;
    auto* ours = dynamic_cast<Texture*>(texture);
    if (texture && (!ours || ours->device() != this))
        return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->RecordTexture(stage, texture);
        return D3D_OK;
    }
    IDirect3DBaseTexture9*& slot = state_.textures[stage];
    if (slot == texture)
        return D3D_OK;
    auto* before = static_cast<Texture*>(slot);
    if (stage < DWORD(kFfpStages)) {
        if (!before != !ours || (before && before->layered() != ours->layered()))
            dirty_ |= kDirtyKey;
        // Another layer of the array texture bound already is a per-draw value, like the world
        // matrix; the last stage's is a uniform.
        const bool sameArray = before && ours && before->SharesArrayWith(*ours);
        dirty_ |= kDirtyLayers | (sameArray ? 0u : uint32_t(kDirtyTextures));
        if (stage >= DWORD(kInstanceLayerStages))
            dirty_ |= kDirtyPixel;
    } else {
        dirty_ |= kDirtyTextures;
    }
    ReplaceRef(slot, texture);
    return D3D_OK;
}

HRESULT Device::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture)
{
    const HRESULT hr = HandOut(stage < DWORD(kMaxSamplers) ? &state_.textures[stage] : nullptr, texture);
    if (hr == D3D_OK && *texture)
        (*texture)->AddRef();
    return hr;
}

HRESULT Device::SetFVF(DWORD fvf)
{
    if (recording_) {
        recording_->RecordFvf(fvf);
        return D3D_OK;
    }
    if (state_.fvf != fvf) {
        state_.fvf = fvf;
        dirty_ |= kDirtyKey | kDirtyLayout;
    }
    return D3D_OK;
}

HRESULT Device::GetFVF(DWORD* fvf) { return HandOut(&state_.fvf, fvf); }

HRESULT Device::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride)
{
    const StreamSource& now = state_.stream;
    if (!recording_ && stream == 0 && now.buffer == buffer && now.offset == offset && now.stride == stride)
        return D3D_OK;
    auto* ours = dynamic_cast<VertexBuffer*>(buffer);
    if (stream != 0 || stride > kMaxStreamStride || (buffer && (!ours || ours->device() != this)))
        return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->RecordStream(buffer, offset, stride);
        return D3D_OK;
    }
    StreamSource& s = state_.stream;
    if (s.buffer != buffer || s.offset != offset || s.stride != stride) {
        ReplaceRef(s.buffer, buffer);
        s.offset = offset;
        s.stride = stride;
        dirty_ |= kDirtyLayout;
    }
    return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* buffer)
{
    if (!recording_ && state_.indices == buffer)
        return D3D_OK;
    auto* ours = dynamic_cast<IndexBuffer*>(buffer);
    if (buffer && (!ours || ours->device() != this))
        return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->RecordIndices(buffer);
        return D3D_OK;
    }
    ReplaceRef(state_.indices, buffer);
    return D3D_OK;
}

// ---- state blocks ----------------------------------------------------------------------------

HRESULT Device::BeginStateBlock()
{
    if (recording_)
        return D3DERR_INVALIDCALL;
    recording_ = new StateBlock(this);
    return D3D_OK;
}

HRESULT Device::EndStateBlock(IDirect3DStateBlock9** block)
{
    if (!block || !recording_)
        return D3DERR_INVALIDCALL;
    *block = recording_;
    recording_ = nullptr;
    return D3D_OK;
}

} // namespace qv::d3d
