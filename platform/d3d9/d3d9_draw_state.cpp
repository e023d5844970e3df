// Turning recorded D3D9 state into what the GL program needs: the fixed-function key, and
// the uniform values derived from transforms, material and lights.
#include "platform/d3d9/d3d9_device.h"

#include "platform/d3d9/d3d9_texture.h"

#include <cmath>
#include <cstring>

namespace qv::d3d {

using namespace qv::gl;

namespace {

void Multiply(const D3DMATRIX& a, const D3DMATRIX& b, D3DMATRIX& out)
{
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    out = r;
}

// Normals go through the inverse transpose of world x view. Stored row-major like any D3D
// matrix: uploaded untransposed, GLSL's M * n is then D3D's n * M.
void NormalMatrix(const D3DMATRIX& m, float out[9])
{
    const float a = m._11, b = m._12, c = m._13, d = m._21, e = m._22, f = m._23, g = m._31, h = m._32, i = m._33;
    const float cof[9] = {e * i - f * h, -(d * i - f * g), d * h - e * g,
                          -(b * i - c * h), a * i - c * g, -(a * h - b * g),
                          b * f - c * e, -(a * f - c * d), a * e - b * d};
    const float det = a * cof[0] + b * cof[1] + c * cof[2];
    if (det == 0.0f || !std::isfinite(det)) {
        const float plain[9] = {a, b, c, d, e, f, g, h, i};
        std::memcpy(out, plain, sizeof plain);
        return;
    }
    for (int k = 0; k < 9; ++k)
        out[k] = cof[k] / det;
}

void ColourOf(D3DCOLOR c, float out[4])
{
    out[0] = float((c >> 16) & 0xFF) / 255.0f;
    out[1] = float((c >> 8) & 0xFF) / 255.0f;
    out[2] = float(c & 0xFF) / 255.0f;
    out[3] = float((c >> 24) & 0xFF) / 255.0f;
}

void Put(const D3DCOLORVALUE& c, float* out)
{
    out[0] = c.r;
    out[1] = c.g;
    out[2] = c.b;
    out[3] = c.a;
}

uint8_t ResolveSource(DWORD source, bool colourVertex, bool hasDiffuse, bool hasSpecular)
{
    // A vertex colour is used only when COLORVERTEX is on and the vertex carries that colour.
    if (!colourVertex)
        return 0;
    if (source == D3DMCS_COLOR1 && hasDiffuse)
        return 1;
    if (source == D3DMCS_COLOR2 && hasSpecular)
        return 2;
    return 0;
}

bool ValidOp(DWORD op) { return op >= D3DTOP_DISABLE && op <= D3DTOP_LERP; }

// A stage without a texture passes its other argument where it would select the texture.
uint8_t UntexturedOp(DWORD op, DWORD arg1, DWORD arg2)
{
    const bool t1 = (arg1 & D3DTA_SELECTMASK) == D3DTA_TEXTURE, t2 = (arg2 & D3DTA_SELECTMASK) == D3DTA_TEXTURE;
    if (op == D3DTOP_SELECTARG1 && t1 && !t2)
        return D3DTOP_SELECTARG2;
    if (op == D3DTOP_SELECTARG2 && t2 && !t1)
        return D3DTOP_SELECTARG1;
    return uint8_t(op);
}

} // namespace

void Device::BuildKey()
{
    FfpKey k;
    const DWORD fvf = state_.fvf;
    const auto& rs = state_.renderStates;
    k.pretransformed = (fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW;
    k.hasNormal = (fvf & D3DFVF_NORMAL) && !k.pretransformed;
    k.hasDiffuse = (fvf & D3DFVF_DIFFUSE) != 0;
    k.hasSpecular = (fvf & D3DFVF_SPECULAR) != 0;
    k.texSetCount = uint8_t(std::min<DWORD>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT, 8));
    static const uint8_t kSetSize[4] = {2, 3, 4, 1};
    for (int i = 0; i < k.texSetCount; ++i)
        k.texSetSize[i] = kSetSize[(fvf >> (16 + 2 * i)) & 3];
    k.lighting = rs[D3DRS_LIGHTING] && !k.pretransformed;
    k.specularEnable = rs[D3DRS_SPECULARENABLE] != 0;
    if (k.lighting) {
        const bool cv = rs[D3DRS_COLORVERTEX] != 0;
        k.diffuseSource = ResolveSource(rs[D3DRS_DIFFUSEMATERIALSOURCE], cv, k.hasDiffuse, k.hasSpecular);
        k.ambientSource = ResolveSource(rs[D3DRS_AMBIENTMATERIALSOURCE], cv, k.hasDiffuse, k.hasSpecular);
        k.specularSource = ResolveSource(rs[D3DRS_SPECULARMATERIALSOURCE], cv, k.hasDiffuse, k.hasSpecular);
        k.emissiveSource = ResolveSource(rs[D3DRS_EMISSIVEMATERIALSOURCE], cv, k.hasDiffuse, k.hasSpecular);
        k.normalizeNormals = rs[D3DRS_NORMALIZENORMALS] != 0;
        k.localViewer = k.specularEnable && rs[D3DRS_LOCALVIEWER] != 0;
        for (int i = 0; i < kMaxLights; ++i)
            k.lightTypes[i] = state_.lightEnabled[size_t(i)] ? uint8_t(state_.lights[size_t(i)].Type) : 0;
    }
    k.flatShade = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    if (rs[D3DRS_ALPHATESTENABLE] && rs[D3DRS_ALPHAFUNC] != D3DCMP_ALWAYS)
        k.alphaFunc = uint8_t(rs[D3DRS_ALPHAFUNC] >= D3DCMP_NEVER && rs[D3DRS_ALPHAFUNC] <= D3DCMP_ALWAYS
                                  ? rs[D3DRS_ALPHAFUNC] : DWORD(D3DCMP_ALWAYS));
    if (k.alphaFunc == D3DCMP_ALWAYS)
        k.alphaFunc = 0;

    for (int i = 0; i < kFfpStages; ++i) {
        const auto& ts = state_.stageStates[size_t(i)];
        const DWORD colorOp = ts[D3DTSS_COLOROP];
        if (!ValidOp(colorOp) || colorOp == D3DTOP_DISABLE)
            break; // a disabled stage ends the cascade, and every stage after it
        FfpStageKey& s = k.stages[i];
        const bool textured = state_.textures[size_t(i)] != nullptr;
        const DWORD alphaOp = ValidOp(ts[D3DTSS_ALPHAOP]) ? ts[D3DTSS_ALPHAOP] : DWORD(D3DTOP_DISABLE);
        s.colorOp = textured ? uint8_t(colorOp) : UntexturedOp(colorOp, ts[D3DTSS_COLORARG1], ts[D3DTSS_COLORARG2]);
        s.alphaOp = textured ? uint8_t(alphaOp) : UntexturedOp(alphaOp, ts[D3DTSS_ALPHAARG1], ts[D3DTSS_ALPHAARG2]);
        s.colorArg[0] = uint8_t(ts[D3DTSS_COLORARG0] & 0x3F);
        s.colorArg[1] = uint8_t(ts[D3DTSS_COLORARG1] & 0x3F);
        s.colorArg[2] = uint8_t(ts[D3DTSS_COLORARG2] & 0x3F);
        s.alphaArg[0] = uint8_t(ts[D3DTSS_ALPHAARG0] & 0x3F);
        s.alphaArg[1] = uint8_t(ts[D3DTSS_ALPHAARG1] & 0x3F);
        s.alphaArg[2] = uint8_t(ts[D3DTSS_ALPHAARG2] & 0x3F);
        s.hasTexture = textured;
        s.layered = textured && static_cast<Texture*>(state_.textures[size_t(i)])->layered();
        if (textured) {
            s.texCoordSet = uint8_t(std::min<DWORD>(ts[D3DTSS_TEXCOORDINDEX] & 0xFFFF, 7));
            s.texGen = uint8_t((ts[D3DTSS_TEXCOORDINDEX] >> 16) & 3);
            s.transformCount = uint8_t(std::min<DWORD>(ts[D3DTSS_TEXTURETRANSFORMFLAGS] & 0xFF, 4));
            s.projected = (ts[D3DTSS_TEXTURETRANSFORMFLAGS] & D3DTTFF_PROJECTED) ? 1 : 0;
        }
    }
    key_ = k;
}

// The record a draw hands its program, from the same products in the same order whether the
// draw goes to GL alone or with others.
void Device::UpdateInstanceRecord()
{
    InstanceRecord& r = current_;
    if (dirty_ & kDirtyTransform) {
        D3DMATRIX wv, wvp;
        Multiply(state_.transforms[kSlotWorld], state_.transforms[kSlotView], wv);
        Multiply(wv, state_.transforms[kSlotProjection], wvp);
        std::memcpy(r.worldView, &wv, sizeof r.worldView);
        std::memcpy(r.worldViewProj, &wvp, sizeof r.worldViewProj);
        // The normal matrix depends on the upper 3 x 3 of world x view alone, which draws that
        // only move an object (the map's pieces) leave as it was.
        const float upper[9] = {wv._11, wv._12, wv._13, wv._21, wv._22, wv._23, wv._31, wv._32, wv._33};
        // Bit for bit on purpose (-0 and NaN count as changes).
        // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison)
        if (std::memcmp(upper, normalSource_, sizeof upper) != 0) {
            std::memcpy(normalSource_, upper, sizeof upper);
            float normal[9];
            NormalMatrix(wv, normal);
            for (int column = 0; column < 3; ++column)
                std::memcpy(r.normalMatrix + 4 * column, normal + 3 * column, 3 * sizeof(float));
        }
    }
    if (dirty_ & kDirtyMaterial) {
        const D3DMATERIAL9& m = state_.material;
        Put(m.Diffuse, r.material + 0);
        Put(m.Ambient, r.material + 4);
        Put(m.Specular, r.material + 8);
        Put(m.Emissive, r.material + 12);
        r.power = m.Power;
    }
    if (dirty_ & kDirtyLayers) {
        for (int i = 0; i < kInstanceLayerStages; ++i) {
            const auto* t = static_cast<const Texture*>(state_.textures[size_t(i)]);
            r.layers[i] = t && t->layered() ? float(t->layer()) : 0.0f;
        }
    }
    dirty_ &= ~kDirtyPerInstance;
}

void Device::UpdateUniformData()
{
    Uniforms& u = uniforms_;
    const auto& rs = state_.renderStates;
    if (dirty_ & kDirtyAmbient) {
        ColourOf(rs[D3DRS_AMBIENT], u.ambient);
        ++versions_[kGroupAmbient];
    }
    if (dirty_ & kDirtyLights) {
        const D3DMATRIX& v = state_.transforms[kSlotView];
        for (int i = 0; i < kMaxLights; ++i) {
            const D3DLIGHT9& l = state_.lights[size_t(i)];
            float* at = nullptr;
            Put(l.Diffuse, u.lightDiffuse + 4 * i);
            Put(l.Specular, u.lightSpecular + 4 * i);
            Put(l.Ambient, u.lightAmbient + 4 * i);
            const D3DVECTOR& p = l.Position;
            at = u.lightPosition + 4 * i;
            at[0] = p.x * v._11 + p.y * v._21 + p.z * v._31 + v._41;
            at[1] = p.x * v._12 + p.y * v._22 + p.z * v._32 + v._42;
            at[2] = p.x * v._13 + p.y * v._23 + p.z * v._33 + v._43;
            at[3] = 1.0f;
            // Lights are given in world space; lighting runs in camera space, toward the light.
            const D3DVECTOR& d = l.Direction;
            float dx = d.x * v._11 + d.y * v._21 + d.z * v._31;
            float dy = d.x * v._12 + d.y * v._22 + d.z * v._32;
            float dz = d.x * v._13 + d.y * v._23 + d.z * v._33;
            const float len = std::sqrt(dx * dx + dy * dy + dz * dz);
            if (len > 0.0f) {
                dx /= len;
                dy /= len;
                dz /= len;
            }
            at = u.lightDirection + 4 * i;
            at[0] = -dx;
            at[1] = -dy;
            at[2] = -dz;
            at[3] = 0.0f;
            at = u.lightAttenuation + 4 * i;
            at[0] = l.Range;
            at[1] = l.Attenuation0;
            at[2] = l.Attenuation1;
            at[3] = l.Attenuation2;
            at = u.lightSpot + 4 * i;
            at[0] = std::cos(l.Theta * 0.5f);
            at[1] = std::cos(l.Phi * 0.5f);
            at[2] = l.Falloff;
            at[3] = 0.0f;
        }
        ++versions_[kGroupLights];
    }
    if (dirty_ & kDirtyTexMatrix) {
        for (int i = 0; i < kFfpStages; ++i)
            std::memcpy(u.texMatrix + 16 * i, &state_.transforms[size_t(kSlotTexture0) + size_t(i)], 16 * sizeof(float));
        ++versions_[kGroupTexMatrix];
    }
    if (dirty_ & kDirtyPixel) {
        ColourOf(rs[D3DRS_TEXTUREFACTOR], u.textureFactor);
        for (int i = 0; i < kFfpStages; ++i)
            ColourOf(state_.stageStates[size_t(i)][D3DTSS_CONSTANT], u.stageConstant + 4 * i);
        u.alphaRef = float(rs[D3DRS_ALPHAREF] & 0xFF);
        const auto* last = static_cast<const Texture*>(state_.textures[kFfpStages - 1]);
        u.lastStageLayer = last && last->layered() ? float(last->layer()) : 0.0f;
        ++versions_[kGroupPixel];
    }
}

void Device::UploadUniforms(FfpProgram& p)
{
    const Uniforms& u = uniforms_;
    if (p.seen[kGroupAmbient] != versions_[kGroupAmbient]) {
        if (p.globalAmbient >= 0)
            glUniform4fv(p.globalAmbient, 1, u.ambient);
        p.seen[kGroupAmbient] = versions_[kGroupAmbient];
    }
    if (p.seen[kGroupLights] != versions_[kGroupLights]) {
        const std::pair<GLint, const float*> arrays[] = {
            {p.lightDiffuse, u.lightDiffuse},     {p.lightSpecular, u.lightSpecular},
            {p.lightAmbient, u.lightAmbient},     {p.lightPosition, u.lightPosition},
            {p.lightDirection, u.lightDirection}, {p.lightAttenuation, u.lightAttenuation},
            {p.lightSpot, u.lightSpot}};
        for (const auto& a : arrays)
            if (a.first >= 0)
                glUniform4fv(a.first, kMaxLights, a.second);
        p.seen[kGroupLights] = versions_[kGroupLights];
    }
    if (p.seen[kGroupTexMatrix] != versions_[kGroupTexMatrix]) {
        if (p.texMatrix >= 0)
            glUniformMatrix4fv(p.texMatrix, kFfpStages, GL_FALSE, u.texMatrix);
        p.seen[kGroupTexMatrix] = versions_[kGroupTexMatrix];
    }
    if (p.seen[kGroupPixel] != versions_[kGroupPixel]) {
        if (p.textureFactor >= 0)
            glUniform4fv(p.textureFactor, 1, u.textureFactor);
        if (p.stageConstant >= 0)
            glUniform4fv(p.stageConstant, kFfpStages, u.stageConstant);
        if (p.alphaRef >= 0)
            glUniform1f(p.alphaRef, u.alphaRef);
        if (p.lastStageLayer >= 0)
            glUniform1f(p.lastStageLayer, u.lastStageLayer);
        p.seen[kGroupPixel] = versions_[kGroupPixel];
    }
    if (p.seen[kGroupViewport] != versions_[kGroupViewport]) {
        if (p.posFixup >= 0)
            glUniform4fv(p.posFixup, 1, u.posFixup);
        p.seen[kGroupViewport] = versions_[kGroupViewport];
    }
}

} // namespace qv::d3d
