// Draw batching. A draw that differs from the one before it only in its transforms, material and
// texture layers (same program, buffers, primitive range, array textures, samplers and render
// states) is not sent to GL at once: it adds its instance record to the waiting batch, and the
// batch goes to GL as one instanced draw when something else comes. The instances run in the
// order the draws came, which is the order GL rasterises them, so the picture is the one
// separate draws would give: the records hold the same values and the programs are the same
// either way.
//
// While a batch waits, GL holds the state its first draw applied; whatever would change that
// state, or show the caller a picture or data without the waiting draws, flushes it first.
// QV_D3D9_BATCHING=0 in the environment sends every draw on its own.
//
// On ES a draw in a fill mode other than solid, or flat shaded, is sent alone instead, as the
// list of indices the rewrite makes of it (gl_primitive_rewrite.h), culled by the clip positions
// of its vertices (gl_clip_positions.h).
//
// The records go to GL through a ring (gl_instance_ring.cpp). Where GL can keep a buffer mapped
// (4.4, or ARB_buffer_storage) the batch is copied straight into it: no GL call per batch. On
// llvmpipe a draw after a buffer upload costs about what a draw after a texture change does, and
// only with neither do the game's hundred GL draws a frame cost no more than a handful would.
#include "platform/d3d9/d3d9_device.h"

#include "platform/d3d9/d3d9_buffers.h"
#include "platform/d3d9/d3d9_texture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace qv::d3d {

using namespace qv::gl;

namespace {

// A rewritten draw's 32-bit indices take at most the bytes of the largest buffer the device makes.
constexpr size_t kMaxRewrittenElements = size_t(1) << 26;

} // namespace

bool Device::InitBatching()
{
    const char* env = std::getenv("QV_D3D9_BATCHING");
    if (!batcher_.Create(!(env && std::strcmp(env, "0") == 0)))
        return false;
    GLint attributes = 0;
    glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &attributes);
    programs_.SetLimits(int(batcher_.capacity()), batcher_.baseInstance() ? std::min<int>(attributes, kLocations) : 0);
    return true;
}

bool Device::CanJoinBatch(const GlDraw& draw) const
{
    if (!batcher_.CanJoin(draw) || (dirty_ & ~kDirtyPerInstance))
        return false;
    auto* vb = static_cast<VertexBuffer*>(state_.stream.buffer);
    auto* ib = static_cast<IndexBuffer*>(state_.indices);
    if (vb->store().pending() || (draw.indices && ib->store().pending()))
        return false;
    for (int i = 0; i < kFfpStages; ++i) {
        auto* t = static_cast<Texture*>(state_.textures[size_t(i)]);
        if (t && t->pending())
            return false;
    }
    return true;
}

bool Device::Submit(const GlDraw& draw)
{
    if (!CanJoinBatch(draw)) {
        FlushBatch();
        if (!PrepareDraw(draw))
            return false;
        batcher_.Start(draw);
    }
    if (dirty_ & kDirtyPerInstance)
        UpdateInstanceRecord();
    if (batcher_.Add(current_))
        FlushBatch();
    return true;
}

// Where the rewrite's clip positions come from: the stream, and the transforms of the draw's
// own instance record.
GlClipPositions::Source Device::RewriteClipSource() const
{
    auto* vb = static_cast<VertexBuffer*>(state_.stream.buffer);
    GlClipPositions::Source source;
    source.vertices = vb->store().data() + state_.stream.offset;
    source.stride = state_.stream.stride;
    source.pretransformed = (state_.fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW;
    source.worldViewProj = current_.worldViewProj;
    source.targetWidth = uniforms_.posFixup[2];
    source.targetHeight = uniforms_.posFixup[3];
    return source;
}

// ES has no polygon mode and no first-vertex convention: a draw that needs either goes to GL as
// the list the rewrite makes of it, alone, after the waiting draws.
bool Device::SubmitRewritten(const GlDraw& draw)
{
    const auto& rs = state_.renderStates;
    GlPrimitiveRewrite::Shape shape;
    shape.mode = draw.mode;
    shape.fill = PolygonModeOf(rs[D3DRS_FILLMODE]);
    shape.flat = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    shape.cullFace = CulledFaceOf(rs[D3DRS_CULLMODE]);
    if (!GlPrimitiveRewrite::Needed(shape))
        return Submit(draw);
    FlushBatch();
    if (dirty_ & kDirtyPerInstance)
        UpdateInstanceRecord();
    auto* ib = static_cast<IndexBuffer*>(state_.indices);
    const void* elements = draw.indexType ? ib->store().data() + draw.indexOffset : nullptr;
    const float* clip = nullptr;
    UINT lo = 0, hi = UINT(draw.count) - 1;
    if (shape.fill != GL_FILL && shape.cullFace) {
        if (draw.indexType)
            ib->IndexRange(UINT(draw.indexOffset / ib->indexSize()), UINT(draw.count), &lo, &hi);
        if (!rewriteClip_.Compute(RewriteClipSource(), draw.first, lo, hi))
            return false;
        clip = rewriteClip_.data();
    }
    GLenum mode = 0;
    if (!rewrite_.Rewrite(shape, elements, draw.indexType, size_t(draw.count), clip, lo, kMaxRewrittenElements, &mode))
        return false;
    if (rewrite_.indices().empty())
        return true; // every triangle culled
    GlDraw out = draw;
    out.mode = mode;
    out.count = GLsizei(rewrite_.indices().size());
    out.indexType = GL_UNSIGNED_INT;
    out.indexOffset = 0;
    out.indices = &rewrite_;
    if (!PrepareDraw(out))
        return false;
    rewrite_.Upload(cache_);
    batcher_.Start(out);
    batcher_.Add(current_);
    FlushBatch();
    return true;
}

void Device::FlushBatch()
{
    if (!batcher_.waiting())
        return;
    if (!MakeCurrent())
        batcher_.Drop();
    else if (batcher_.Send(program_->inputs))
        ++statsGlDraws_;
}

} // namespace qv::d3d
