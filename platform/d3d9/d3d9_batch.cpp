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

// One batch is at most this many draws, however large a block GL allows.
constexpr GLint kMaxBatch = 256;

} // namespace

bool Device::InitBatching()
{
    const char* env = std::getenv("QV_D3D9_BATCHING");
    batching_ = !(env && std::strcmp(env, "0") == 0);
    GLint blockBytes = 0, align = 0;
    glGetIntegerv(GL_MAX_UNIFORM_BLOCK_SIZE, &blockBytes);
    glGetIntegerv(GL_UNIFORM_BUFFER_OFFSET_ALIGNMENT, &align);
    GLint attributes = 0, major = 0, minor = 0;
    glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &attributes);
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    // Instance attributes read the batch's records from its first one on: that takes a base
    // instance (GL 4.2), else every program reads the block instead.
    baseInstance_ = glDrawElementsInstancedBaseVertexBaseInstance && glDrawArraysInstancedBaseInstance &&
                    (major * 10 + minor >= 42 || HasExtension("GL_ARB_base_instance"));
    const GLint records = std::min<GLint>(kMaxBatch, blockBytes / GLint(sizeof(InstanceRecord)));
    if (records < 1)
        return false;
    // The same programs with batching off: only whether draws wait differs.
    instanceCapacity_ = UINT(records);
    programs_.SetLimits(int(instanceCapacity_), baseInstance_ ? std::min<int>(attributes, kLocations) : 0);
    batch_ = std::make_unique<InstanceRecord[]>(instanceCapacity_);
    const bool storage = glBufferStorage && glMapBufferRange &&
                         (major * 10 + minor >= 44 || HasExtension("GL_ARB_buffer_storage"));
    ring_.Create(instanceCapacity_, align, storage);
    return true;
}

bool Device::CanJoinBatch(const GlDraw& draw) const
{
    if (!batching_ || batchCount_ == 0 || batchCount_ >= instanceCapacity_ || (dirty_ & ~kDirtyPerInstance) || !(draw == batchDraw_))
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

void Device::AppendInstance()
{
    if (dirty_ & kDirtyPerInstance)
        UpdateInstanceRecord();
    batch_[batchCount_++] = current_;
}

bool Device::Submit(const GlDraw& draw)
{
    if (CanJoinBatch(draw)) {
        AppendInstance();
        return true;
    }
    FlushBatch();
    if (!PrepareDraw())
        return false;
    batchDraw_ = draw;
    AppendInstance();
    if (!batching_ || batchCount_ >= instanceCapacity_)
        FlushBatch();
    return true;
}

void Device::FlushBatch()
{
    if (batchCount_ == 0)
        return;
    const UINT count = batchCount_;
    batchCount_ = 0;
    if (!MakeCurrent())
        return;
    const UINT head = ring_.Place(count);
    if (head == GlInstanceRing::kNoRoom)
        return; // never: a batch is at most a block
    const VertexInputPlan& inputs = program_->inputs;
    if (!inputs.instanceAttributes)
        ring_.BindBlock(head);
    if (!inputs.instanceAttributes || inputs.instanceCount)
        ring_.Write(head, batch_.get(), count);
    const GlDraw& d = batchDraw_;
    const void* indices = reinterpret_cast<const void*>(d.indexOffset);
    if (baseInstance_ && d.indexType)
        glDrawElementsInstancedBaseVertexBaseInstance(d.mode, d.count, d.indexType, indices, GLsizei(count), d.first, head);
    else if (baseInstance_)
        glDrawArraysInstancedBaseInstance(d.mode, d.first, d.count, GLsizei(count), head);
    else if (d.indexType)
        glDrawElementsInstancedBaseVertex(d.mode, d.count, d.indexType, indices, GLsizei(count), d.first);
    else
        glDrawArraysInstanced(d.mode, d.first, d.count, GLsizei(count));
    ++statsGlDraws_;
}

} // namespace qv::d3d
