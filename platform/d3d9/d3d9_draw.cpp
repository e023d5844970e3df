// Draw calls: check the arguments against the buffers (a bad count must never make GL read
// past a buffer), then apply whatever changed since the last draw and issue one GL draw.
#include "platform/d3d9/d3d9_device.h"

#include "platform/d3d9/d3d9_buffers.h"
#include "platform/d3d9/d3d9_direct3d.h"
#include "platform/d3d9/d3d9_texture.h"

#include <cstring>

namespace qv::d3d {

using namespace qv::gl;

namespace {

constexpr uint32_t kUniformDirty = kDirtyAmbient | kDirtyLights | kDirtyTexMatrix | kDirtyPixel;

UINT TexSetFloats(DWORD fvf, int set)
{
    static const UINT kFloats[4] = {2, 3, 4, 1};
    return kFloats[(fvf >> (16 + 2 * set)) & 3];
}

GLenum CompareFunc(DWORD f)
{
    switch (f) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

GLenum BlendFactor(DWORD b, bool alpha)
{
    switch (b) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_SRCCOLOR: return alpha ? GL_SRC_ALPHA : GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return alpha ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return alpha ? GL_DST_ALPHA : GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return alpha ? GL_ONE_MINUS_DST_ALPHA : GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
    }
}

GLenum BlendEquationOf(DWORD op)
{
    switch (op) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
    }
}

GLint AddressMode(DWORD a)
{
    switch (a) {
    case D3DTADDRESS_MIRROR:
    case D3DTADDRESS_MIRRORONCE: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    // ES has no border: its caps offer none (no D3DPTADDRESSCAPS_BORDER), and BORDER clamps.
    case D3DTADDRESS_BORDER: return es ? GL_CLAMP_TO_EDGE : GL_CLAMP_TO_BORDER;
    default: return GL_REPEAT;
    }
}

GLint MinFilter(DWORD min, DWORD mip)
{
    const bool linear = min >= D3DTEXF_LINEAR;
    if (mip == D3DTEXF_NONE)
        return linear ? GL_LINEAR : GL_NEAREST;
    if (mip == D3DTEXF_POINT)
        return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
}

// Vertices (or indices) that `count` primitives of `type` take; 0 for an unknown type.
uint64_t ElementCount(D3DPRIMITIVETYPE type, UINT count, GLenum* mode)
{
    switch (type) {
    case D3DPT_POINTLIST: *mode = GL_POINTS; return count;
    case D3DPT_LINELIST: *mode = GL_LINES; return uint64_t(count) * 2;
    case D3DPT_LINESTRIP: *mode = GL_LINE_STRIP; return uint64_t(count) + 1;
    case D3DPT_TRIANGLELIST: *mode = GL_TRIANGLES; return uint64_t(count) * 3;
    case D3DPT_TRIANGLESTRIP: *mode = GL_TRIANGLE_STRIP; return uint64_t(count) + 2;
    case D3DPT_TRIANGLEFAN: *mode = GL_TRIANGLE_FAN; return uint64_t(count) + 2;
    default: return 0;
    }
}

} // namespace

UINT FvfVertexSize(DWORD fvf)
{
    UINT size = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ: size = 12; break;
    case D3DFVF_XYZRHW: size = 16; break;
    default: return 0; // blend weights and XYZW are not drawn here
    }
    if (fvf & D3DFVF_NORMAL)
        size += 12;
    if (fvf & D3DFVF_PSIZE)
        size += 4;
    if (fvf & D3DFVF_DIFFUSE)
        size += 4;
    if (fvf & D3DFVF_SPECULAR)
        size += 4;
    const UINT sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (sets > 8)
        return 0;
    for (UINT i = 0; i < sets; ++i)
        size += 4 * TexSetFloats(fvf, int(i));
    return size;
}

GLenum PolygonModeOf(DWORD fill)
{
    return fill == D3DFILL_POINT ? GL_POINT : fill == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL;
}

// D3D judges winding on its y-down screen, GL in its y-up window, and the picture is stored
// upside down (D3D's top row is GL's row 0): a triangle clockwise on D3D's screen is
// counter-clockwise to GL, a front face under glFrontFace(GL_CCW). Culling D3D's CCW culls
// GL_BACK.
GLenum CulledFaceOf(DWORD cull)
{
    return cull == D3DCULL_CCW ? GL_BACK : cull == D3DCULL_CW ? GL_FRONT : 0;
}

void Device::ApplyFixedState()
{
    const auto& rs = state_.renderStates;
    if (dirty_ & kDirtyDepth) {
        const bool test = rs[D3DRS_ZENABLE] != D3DZB_FALSE && depthBuffer_;
        cache_.Enable(GL_DEPTH_TEST, test);
        cache_.DepthFunc(CompareFunc(rs[D3DRS_ZFUNC]));
        cache_.DepthMask(test && rs[D3DRS_ZWRITEENABLE]);
    }
    if (dirty_ & kDirtyBlend) {
        const bool blend = rs[D3DRS_ALPHABLENDENABLE] != 0;
        cache_.Enable(GL_BLEND, blend);
        if (blend) {
            const bool separate = rs[D3DRS_SEPARATEALPHABLENDENABLE] != 0;
            const DWORD src = rs[D3DRS_SRCBLEND], dst = rs[D3DRS_DESTBLEND];
            const DWORD srcA = separate ? rs[D3DRS_SRCBLENDALPHA] : src;
            const DWORD dstA = separate ? rs[D3DRS_DESTBLENDALPHA] : dst;
            cache_.BlendFunc(BlendFactor(src, false), BlendFactor(dst, false), BlendFactor(srcA, true),
                             BlendFactor(dstA, true));
            cache_.BlendEquation(BlendEquationOf(rs[D3DRS_BLENDOP]),
                                 BlendEquationOf(separate ? rs[D3DRS_BLENDOPALPHA] : rs[D3DRS_BLENDOP]));
        }
    }
    if (dirty_ & kDirtyRaster) {
        const GLenum culled = CulledFaceOf(rs[D3DRS_CULLMODE]);
        cache_.Enable(GL_CULL_FACE, culled != 0);
        if (culled)
            cache_.CullFace(culled);
        cache_.PolygonMode(PolygonModeOf(rs[D3DRS_FILLMODE]));
        const DWORD mask = rs[D3DRS_COLORWRITEENABLE];
        cache_.ColorMask(mask & D3DCOLORWRITEENABLE_RED, mask & D3DCOLORWRITEENABLE_GREEN,
                         mask & D3DCOLORWRITEENABLE_BLUE, (mask & D3DCOLORWRITEENABLE_ALPHA) && !opaqueTarget_);
        cache_.Enable(GL_SCISSOR_TEST, false);
    }
}

bool Device::CompressedDxtUpload() const { return dxtUpload_ && !CpuDxtDecodeForced(); }

void Device::ApplyTextures()
{
    const bool compressed = CompressedDxtUpload();
    for (int i = 0; i < kFfpStages; ++i) {
        auto* t = static_cast<Texture*>(state_.textures[size_t(i)]);
        if (t)
            t->Sync(cache_, i, compressed);
        else
            cache_.BindTexture(i, 0);
    }
}

void Device::ApplySamplers()
{
    for (int i = 0; i < kFfpStages; ++i) {
        if (!(dirtySamplerStages_ & (1u << i)))
            continue;
        const auto& want = state_.samplerStates[size_t(i)];
        auto& have = appliedSamplers_[size_t(i)];
        const GLuint s = samplers_[size_t(i)];
        if (want[D3DSAMP_ADDRESSU] != have[D3DSAMP_ADDRESSU])
            glSamplerParameteri(s, GL_TEXTURE_WRAP_S, AddressMode(want[D3DSAMP_ADDRESSU]));
        if (want[D3DSAMP_ADDRESSV] != have[D3DSAMP_ADDRESSV])
            glSamplerParameteri(s, GL_TEXTURE_WRAP_T, AddressMode(want[D3DSAMP_ADDRESSV]));
        if (want[D3DSAMP_MAGFILTER] != have[D3DSAMP_MAGFILTER])
            glSamplerParameteri(s, GL_TEXTURE_MAG_FILTER, want[D3DSAMP_MAGFILTER] >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
        if (want[D3DSAMP_MINFILTER] != have[D3DSAMP_MINFILTER] || want[D3DSAMP_MIPFILTER] != have[D3DSAMP_MIPFILTER])
            glSamplerParameteri(s, GL_TEXTURE_MIN_FILTER, MinFilter(want[D3DSAMP_MINFILTER], want[D3DSAMP_MIPFILTER]));
        // ES samplers have neither a border colour nor a LOD bias (the caps offer neither).
        if (want[D3DSAMP_BORDERCOLOR] != have[D3DSAMP_BORDERCOLOR] && !es) {
            const DWORD c = want[D3DSAMP_BORDERCOLOR];
            const float rgba[4] = {float((c >> 16) & 0xFF) / 255.0f, float((c >> 8) & 0xFF) / 255.0f,
                                   float(c & 0xFF) / 255.0f, float((c >> 24) & 0xFF) / 255.0f};
            glSamplerParameterfv(s, GL_TEXTURE_BORDER_COLOR, rgba);
        }
        if (want[D3DSAMP_MIPMAPLODBIAS] != have[D3DSAMP_MIPMAPLODBIAS] && !es) {
            float bias;
            std::memcpy(&bias, &want[D3DSAMP_MIPMAPLODBIAS], sizeof bias);
            glSamplerParameterf(s, GL_TEXTURE_LOD_BIAS, bias == bias ? bias : 0.0f);
        }
        have = want;
    }
    dirtySamplerStages_ = 0;
}

// Points the attribute locations of the program's input plan at the vertex buffer, and (for a
// new program) at the ring of instance records for what it reads per instance.
bool Device::ApplyLayout(bool instanceInputs)
{
    const DWORD fvf = state_.fvf;
    const UINT stride = state_.stream.stride;
    const VertexInputPlan& plan = program_->inputs;
    // Without base-vertex draws (ES) the base vertex is where the attributes start.
    size_t offset = size_t(int64_t(state_.stream.offset) + int64_t(layoutBaseVertex_) * int64_t(stride));
    std::array<bool, kLocations> enabled{}, perInstance{};
    auto attrib = [&](int input, GLint size, GLenum type, GLboolean normalized, UINT bytes) {
        // The locations are small signed numbers, -1 for an input the program does not read.
        const int loc = plan.vertexLocation[input];  // NOLINT(bugprone-signed-char-misuse)
        if (loc >= 0 && loc < kLocations) {
            glVertexAttribPointer(GLuint(loc), size, type, normalized, GLsizei(stride),
                                  reinterpret_cast<const void*>(offset));
            enabled[size_t(loc)] = true;
        }
        offset += bytes;
    };
    const bool rhw = (fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW;
    attrib(0, rhw ? 4 : 3, GL_FLOAT, GL_FALSE, rhw ? 16 : 12);
    if (fvf & D3DFVF_NORMAL)
        attrib(1, 3, GL_FLOAT, GL_FALSE, 12);
    if (fvf & D3DFVF_PSIZE)
        offset += 4;
    // D3DCOLOR is B, G, R, A in memory: GL reads that order with size GL_BGRA; ES reads it as
    // R, G, B, A and its programs turn it round.
    const GLint colour = es ? 4 : GL_BGRA;
    if (fvf & D3DFVF_DIFFUSE)
        attrib(2, colour, GL_UNSIGNED_BYTE, GL_TRUE, 4);
    if (fvf & D3DFVF_SPECULAR)
        attrib(3, colour, GL_UNSIGNED_BYTE, GL_TRUE, 4);
    const UINT sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    for (UINT i = 0; i < sets && i < 8; ++i) {
        const UINT floats = TexSetFloats(fvf, int(i));
        attrib(4 + int(i), GLint(floats), GL_FLOAT, GL_FALSE, 4 * floats);
    }
    for (int i = 0; i < plan.instanceCount; ++i) {
        const VertexInputPlan::InstanceInput& in = plan.instance[i];
        if (in.location >= kLocations)
            continue;
        if (instanceInputs) {
            cache_.BindArrayBuffer(batcher_.recordBuffer());
            glVertexAttribPointer(in.location, in.floats, GL_FLOAT, GL_FALSE, GLsizei(sizeof(InstanceRecord)),
                                  reinterpret_cast<const void*>(size_t(in.offset)));
        }
        enabled[in.location] = perInstance[in.location] = true;
    }
    for (int loc = 0; loc < kLocations; ++loc) {
        if (enabled[size_t(loc)] && perInstance[size_t(loc)] != layoutPerInstance_[size_t(loc)]) {
            glVertexAttribDivisor(GLuint(loc), perInstance[size_t(loc)] ? 1 : 0);
            layoutPerInstance_[size_t(loc)] = perInstance[size_t(loc)];
        }
        if (enabled[size_t(loc)] != layoutEnabled_[size_t(loc)]) {
            enabled[size_t(loc)] ? glEnableVertexAttribArray(GLuint(loc)) : glDisableVertexAttribArray(GLuint(loc));
            layoutEnabled_[size_t(loc)] = enabled[size_t(loc)];
        }
    }
    layoutProgram_ = program_;
    return true;
}

// Applies what changed since the last draw to GL. The instance record is left to the caller.
bool Device::PrepareDraw(const GlDraw& draw)
{
    if (!MakeCurrent())
        return false;
    if (!batcher_.baseVertex()) {
        const GLint base = draw.indexType ? draw.first : 0;
        if (base != layoutBaseVertex_) {
            layoutBaseVertex_ = base;
            dirty_ |= kDirtyLayout;
        }
    }
    if (dirty_ & kDirtyKey) {
        BuildKey();
        program_ = programs_.Get(key_);
    }
    if (!program_)
        return false;
    const bool newProgram = program_ != layoutProgram_;
    if (newProgram)
        dirty_ |= kDirtyLayout; // its inputs may sit at other locations
    BindBackBuffer();
    cache_.UseProgram(program_->name);
    if (dirty_ & kUniformDirty)
        UpdateUniformData();
    UploadUniforms(*program_);
    if (dirty_ & (kDirtyBlend | kDirtyDepth | kDirtyRaster))
        ApplyFixedState();
    bool texturesPending = (dirty_ & kDirtyTextures) != 0;
    for (int i = 0; i < kFfpStages && !texturesPending; ++i) {
        auto* t = static_cast<Texture*>(state_.textures[size_t(i)]);
        texturesPending = t && t->pending();
    }
    if (texturesPending)
        ApplyTextures();
    if (dirty_ & kDirtySamplers)
        ApplySamplers();
    cache_.BindVertexArray(vao_);
    auto* vb = static_cast<VertexBuffer*>(state_.stream.buffer);
    if (vb->store().pending() || (dirty_ & kDirtyLayout))
        vb->store().Sync(GL_ARRAY_BUFFER, cache_);
    if (dirty_ & kDirtyLayout)
        ApplyLayout(newProgram);
    if (auto* ib = static_cast<IndexBuffer*>(state_.indices)) {
        if (ib->store().pending())
            ib->store().Sync(GL_ELEMENT_ARRAY_BUFFER, cache_);
        else
            cache_.BindElementBuffer(ib->store().name());
    }
    dirty_ &= kDirtyPerInstance;
    return true;
}

// The stream a draw reads from: a buffer not locked, a vertex format we draw, and a stride that
// holds one vertex.
bool Device::StreamReady() const
{
    auto* vb = static_cast<VertexBuffer*>(state_.stream.buffer);
    const UINT vertexSize = FvfVertexSize(state_.fvf);
    return vb && vertexSize && state_.stream.stride >= vertexSize && !vb->store().locked();
}

// Whether vertices `first` to `last` of the stream lie whole inside its buffer. `last` is held
// to the number of strides that fit rather than multiplied out, so no argument can make the
// sum wrap round into the buffer.
bool Device::StreamHolds(int64_t first, int64_t last) const
{
    auto* vb = static_cast<VertexBuffer*>(state_.stream.buffer);
    const uint64_t size = vb->store().size();
    const UINT stride = state_.stream.stride;
    const uint64_t head = uint64_t(state_.stream.offset) + FvfVertexSize(state_.fvf); // two 32-bit terms
    if (first < 0 || last < first || stride == 0 || head > size)
        return false;
    return uint64_t(last) <= (size - head) / stride;
}

HRESULT Device::SendDraw(const GlDraw& draw)
{
    if (!(rewriteDraws_ ? SubmitRewritten(draw) : Submit(draw)))
        return RefuseDraw();
    ++statsDraws_;
    return D3D_OK;
}

HRESULT Device::RefuseDraw()
{
    ++statsRejected_;
    return D3DERR_INVALIDCALL;
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT count)
{
    if (count == 0)
        return inScene_ ? D3D_OK : D3DERR_INVALIDCALL;
    GlDraw draw;
    const uint64_t vertices = ElementCount(type, count, &draw.mode);
    if (!inScene_ || !vertices || count > kMaxPrimitiveCount || !StreamReady() ||
        !StreamHolds(startVertex, int64_t(startVertex) + int64_t(vertices) - 1))
        return RefuseDraw();
    draw.count = GLsizei(vertices);
    draw.first = GLint(startVertex);
    return SendDraw(draw);
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT, UINT, UINT startIndex, UINT count)
{
    if (count == 0)
        return inScene_ ? D3D_OK : D3DERR_INVALIDCALL;
    GlDraw draw;
    const uint64_t indices = ElementCount(type, count, &draw.mode);
    auto* ib = static_cast<IndexBuffer*>(state_.indices);
    if (!inScene_ || !indices || count > kMaxPrimitiveCount || !ib || ib->store().locked() || !StreamReady() ||
        uint64_t(startIndex) + indices > ib->indexCount())
        return RefuseDraw();
    // The indices themselves must stay inside the vertex buffer, whatever MinVertexIndex and
    // NumVertices claim: those are hints, and take part in no sum.
    UINT lo = 0, hi = 0;
    ib->IndexRange(startIndex, UINT(indices), &lo, &hi);
    if (hi > kMaxVertexIndex || !StreamHolds(int64_t(baseVertex) + lo, int64_t(baseVertex) + hi))
        return RefuseDraw();
    // Without base-vertex draws the attributes start at the base vertex, which must then lie
    // inside the buffer too.
    if (!batcher_.baseVertex() && int64_t(state_.stream.offset) + int64_t(baseVertex) * state_.stream.stride < 0)
        return RefuseDraw();
    draw.count = GLsizei(indices);
    draw.first = GLint(baseVertex);
    draw.indexType = ib->indexSize() == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
    draw.indexOffset = size_t(startIndex) * ib->indexSize();
    draw.indices = ib;
    return SendDraw(draw);
}

} // namespace qv::d3d
