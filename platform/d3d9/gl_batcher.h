// Draws waiting to go to GL as one instanced draw: their shape, their instance records, and the
// GL draw that sends them. Which draws may wait together as far as Direct3D's state goes is the
// device's to judge (d3d9_batch.cpp); the batcher adds what GL needs: the same draw call, and
// room in one block of records.
#pragma once

#include "platform/d3d9/gl_api.h"
#include "platform/d3d9/gl_ffp_shader.h"
#include "platform/d3d9/gl_instance_ring.h"

#include <cstddef>
#include <memory>

namespace qv::d3d {

// One GL draw call's shape; draws of the same shape can share one instanced call.
struct GlDraw {
    GLenum mode = 0;
    GLsizei count = 0;
    GLint first = 0;      // first vertex; for indexed draws the base vertex
    GLenum indexType = 0; // 0 for DrawPrimitive
    size_t indexOffset = 0;
    const void* indices = nullptr; // the index buffer, for comparison only
    bool operator==(const GlDraw& o) const
    {
        return mode == o.mode && count == o.count && first == o.first && indexType == o.indexType &&
               indexOffset == o.indexOffset && indices == o.indices;
    }
};

class GlBatcher {
public:
    // Reads GL's limits and makes the ring of records with the current context; false where GL
    // offers no block of even one record. With `enabled` false every draw goes alone, through
    // the same programs and records.
    bool Create(bool enabled);
    // Deletes the GL objects; the context must be current.
    void Release() { ring_.Release(); }

    bool enabled() const { return enabled_; }
    // Records one GL draw can index: the length of the block the programs declare.
    UINT capacity() const { return capacity_; }
    // Whether instance attributes can start at any record (else programs read the block).
    bool baseInstance() const { return baseInstance_; }
    // Whether indexed draws take a base vertex (else the caller starts the attributes there, and
    // an indexed draw's `first` is not sent).
    bool baseVertex() const { return baseVertex_; }
    GLuint recordBuffer() const { return ring_.buffer(); }

    bool waiting() const { return count_ > 0; }
    // Whether a draw of this shape can join the waiting batch, the rest of its state being the
    // waiting draws' own.
    bool CanJoin(const GlDraw& draw) const
    {
        return enabled_ && count_ > 0 && count_ < capacity_ && draw == draw_;
    }
    // A new batch of draws of this shape; the waiting one must have gone.
    void Start(const GlDraw& draw) { draw_ = draw; }
    // Adds one draw's record; true when the batch must go now (full, or batching off).
    bool Add(const InstanceRecord& record)
    {
        records_[count_++] = record;
        return !enabled_ || count_ >= capacity_;
    }
    // Sends the waiting draws as one instanced GL draw, their records read as `inputs` says;
    // false when nothing went to GL.
    bool Send(const VertexInputPlan& inputs);
    // Forgets the waiting draws (the context they were meant for is gone).
    void Drop() { count_ = 0; }
    // After Present: GL's reads of this frame's records are fenced.
    void FenceDrawn() { ring_.FenceDrawn(); }

private:
    bool enabled_ = true;
    bool baseInstance_ = false;
    bool baseVertex_ = true;
    UINT capacity_ = 1;
    UINT count_ = 0;
    GlDraw draw_;
    std::unique_ptr<InstanceRecord[]> records_;
    GlInstanceRing ring_;
};

} // namespace qv::d3d
