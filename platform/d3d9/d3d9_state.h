// The settable state of a device, as plain arrays indexed by the D3D9 enumerations. The device
// holds one; a state block holds another with a mask of what it recorded.
#pragma once

#include <d3d9.h>

#include <array>
#include <bitset>
#include <cstdint>

namespace qv::d3d {

constexpr int kRenderStateCount = 256;  // highest D3DRS_ value we keep is 209
constexpr int kStageStateCount = 33;    // D3DTSS_CONSTANT is 32
constexpr int kSamplerStateCount = 14;  // D3DSAMP_DMAPOFFSET is 13
constexpr int kMaxStages = 8;           // texture stage states D3D9 accepts
constexpr int kMaxSamplers = 8;         // samplers with state; fixed function uses one per stage
constexpr int kFfpStages = 4;           // stages the generated programs evaluate
constexpr int kMaxLights = 8;

// Transform slots: view, projection, eight texture matrices, world.
enum TransformSlot : int {
    kSlotView = 0,
    kSlotProjection = 1,
    kSlotTexture0 = 2,
    kSlotWorld = kSlotTexture0 + 8,
    kTransformSlotCount
};

// Maps a D3DTRANSFORMSTATETYPE onto a slot; -1 for the ones we do not keep.
inline int TransformSlotOf(D3DTRANSFORMSTATETYPE t)
{
    const DWORD v = DWORD(t);
    if (v == D3DTS_VIEW)
        return kSlotView;
    if (v == D3DTS_PROJECTION)
        return kSlotProjection;
    if (v >= D3DTS_TEXTURE0 && v <= D3DTS_TEXTURE7)
        return kSlotTexture0 + int(v - D3DTS_TEXTURE0);
    if (v == 256)
        return kSlotWorld;
    return -1;
}

struct StreamSource {
    IDirect3DVertexBuffer9* buffer = nullptr;
    UINT offset = 0;
    UINT stride = 0;
};

struct DeviceState {
    std::array<DWORD, kRenderStateCount> renderStates{};
    std::array<std::array<DWORD, kStageStateCount>, kMaxStages> stageStates{};
    std::array<std::array<DWORD, kSamplerStateCount>, kMaxSamplers> samplerStates{};
    std::array<D3DMATRIX, kTransformSlotCount> transforms{};
    D3DMATERIAL9 material{};
    std::array<D3DLIGHT9, kMaxLights> lights{};
    std::array<BOOL, kMaxLights> lightEnabled{};
    // Object references; whoever owns the DeviceState holds one reference on each.
    std::array<IDirect3DBaseTexture9*, kMaxSamplers> textures{};
    DWORD fvf = 0;
    StreamSource stream;
    IDirect3DIndexBuffer9* indices = nullptr;
};

// What a state block recorded.
struct StateMask {
    std::bitset<kRenderStateCount> renderStates;
    std::array<std::bitset<kStageStateCount>, kMaxStages> stageStates;
    std::array<std::bitset<kSamplerStateCount>, kMaxSamplers> samplerStates;
    std::bitset<kTransformSlotCount> transforms;
    std::bitset<kMaxLights> lights;
    std::bitset<kMaxLights> lightEnabled;
    std::bitset<kMaxSamplers> textures;
    bool material = false;
    bool fvf = false;
    bool stream = false;
    bool indices = false;
};

// D3D9's documented defaults; the depth test follows the presentation parameters.
void SetDefaultState(DeviceState& state, bool autoDepthStencil);

// The light D3D9 uses for an index enabled without SetLight: white, directional, along +z.
D3DLIGHT9 DefaultLight();

D3DMATRIX IdentityMatrix();

} // namespace qv::d3d
