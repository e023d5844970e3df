#include "platform/d3d9/gl_batcher.h"

#include <algorithm>

namespace qv::d3d {

using namespace qv::gl;

namespace {

// One batch is at most this many draws, however large a block GL allows.
constexpr GLint kMaxBatch = 256;

} // namespace

bool GlBatcher::Create(bool enabled)
{
    enabled_ = enabled;
    GLint blockBytes = 0, align = 0, major = 0, minor = 0;
    glGetIntegerv(GL_MAX_UNIFORM_BLOCK_SIZE, &blockBytes);
    glGetIntegerv(GL_UNIFORM_BUFFER_OFFSET_ALIGNMENT, &align);
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    const int version = major * 10 + minor;
    // Instance attributes read the batch's records from its first one on: that takes a base
    // instance (GL 4.2), else every program reads the block instead.
    baseInstance_ = glDrawElementsInstancedBaseVertexBaseInstance && glDrawArraysInstancedBaseInstance &&
                    (version >= 42 || HasExtension("GL_ARB_base_instance"));
    baseVertex_ = glDrawElementsInstancedBaseVertex != nullptr;
    const GLint records = std::min<GLint>(kMaxBatch, blockBytes / GLint(sizeof(InstanceRecord)));
    if (records < 1)
        return false;
    capacity_ = UINT(records);
    records_ = std::make_unique<InstanceRecord[]>(capacity_);
    const bool storage = glBufferStorage && glMapBufferRange && (version >= 44 || HasExtension("GL_ARB_buffer_storage"));
    ring_.Create(capacity_, align, storage);
    return true;
}

bool GlBatcher::Send(const VertexInputPlan& inputs)
{
    const UINT count = count_;
    count_ = 0;
    const UINT first = ring_.Place(count);
    if (first == GlInstanceRing::kNoRoom)
        return false; // never: a batch is at most a block
    if (!inputs.instanceAttributes)
        ring_.BindBlock(first);
    if (!inputs.instanceAttributes || inputs.instanceCount)
        ring_.Write(first, records_.get(), count);
    const GlDraw& d = draw_;
    const void* indices = reinterpret_cast<const void*>(d.indexOffset);
    if (baseInstance_ && d.indexType)
        glDrawElementsInstancedBaseVertexBaseInstance(d.mode, d.count, d.indexType, indices, GLsizei(count), d.first, first);
    else if (baseInstance_)
        glDrawArraysInstancedBaseInstance(d.mode, d.first, d.count, GLsizei(count), first);
    else if (d.indexType && baseVertex_)
        glDrawElementsInstancedBaseVertex(d.mode, d.count, d.indexType, indices, GLsizei(count), d.first);
    else if (d.indexType)
        glDrawElementsInstanced(d.mode, d.count, d.indexType, indices, GLsizei(count));
    else
        glDrawArraysInstanced(d.mode, d.first, d.count, GLsizei(count));
    return true;
}

} // namespace qv::d3d
