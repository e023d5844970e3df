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
// The records go to GL through a ring buffer. Where GL can keep a buffer mapped (4.4, or
// ARB_buffer_storage) the batch is copied straight into it: no GL call per batch. On llvmpipe a
// draw after a buffer upload costs about what a draw after a texture change does, and only with
// neither do the game's hundred GL draws a frame cost no more than a handful would. Each half of
// the mapped ring is fenced at the Present after it was drawn from, and waited for before it is
// written again, so that no record is overwritten while GL may still read it.
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
// Batches in the ring of records before it wraps; a mapped ring is larger, so that a whole half
// of it is rarely drawn from between two Presents.
constexpr UINT kRingBatches = 4;
constexpr UINT kMappedHalfBatches = 8;

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
    // A binding offset must be a multiple of the alignment, and our records are 256 bytes apart.
    instanceAlign_ = std::max(1u, UINT(align) / UINT(sizeof(InstanceRecord)) +
                                      (UINT(align) % UINT(sizeof(InstanceRecord)) ? 1u : 0u));
    const UINT slot = (instanceCapacity_ + instanceAlign_ - 1) / instanceAlign_ * instanceAlign_;
    programs_.SetLimits(int(instanceCapacity_), baseInstance_ ? std::min<int>(attributes, kLocations) : 0);
    batch_ = std::make_unique<InstanceRecord[]>(instanceCapacity_);
    glGenBuffers(1, &instanceBuffer_);
    glBindBuffer(GL_UNIFORM_BUFFER, instanceBuffer_);
    const bool storage = glBufferStorage && glMapBufferRange &&
                         (major * 10 + minor >= 44 || HasExtension("GL_ARB_buffer_storage"));
    if (storage) {
        constexpr GLbitfield kMapping = GL_MAP_WRITE_BIT | GL_MAP_PERSISTENT_BIT | GL_MAP_COHERENT_BIT;
        instanceRing_ = 2 * kMappedHalfBatches * slot;
        const GLsizeiptr bytes = GLsizeiptr(instanceRing_) * GLsizeiptr(sizeof(InstanceRecord));
        glBufferStorage(GL_UNIFORM_BUFFER, bytes, nullptr, kMapping);
        instanceMap_ = static_cast<uint8_t*>(glMapBufferRange(GL_UNIFORM_BUFFER, 0, bytes, kMapping));
    }
    if (!instanceMap_) {
        if (storage) { // its storage is fixed now: start again with a buffer of the other kind
            glDeleteBuffers(1, &instanceBuffer_);
            glGenBuffers(1, &instanceBuffer_);
            glBindBuffer(GL_UNIFORM_BUFFER, instanceBuffer_);
        }
        instanceRing_ = kRingBatches * slot + instanceAlign_;
        glBufferData(GL_UNIFORM_BUFFER, GLsizeiptr(instanceRing_) * GLsizeiptr(sizeof(InstanceRecord)), nullptr,
                     GL_STREAM_DRAW);
    }
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

// Where the next batch's records go in the ring. A block-reading program binds a whole block's
// worth of records from there, so that much must lie within the ring (and within one half of a
// mapped ring).
UINT Device::PlaceBatch()
{
    UINT head = (instanceHead_ + instanceAlign_ - 1) / instanceAlign_ * instanceAlign_;
    if (!instanceMap_)
        return head + instanceCapacity_ > instanceRing_ ? 0 : head;
    const UINT halfSize = instanceRing_ / 2;
    int half = head >= instanceRing_ ? 0 : int(head / halfSize);
    if (head >= instanceRing_ || head + instanceCapacity_ > UINT(half + 1) * halfSize)
        head = UINT(half = (half + 1) % 2) * halfSize;
    if (half != ringHalf_) {
        RingHalf& next = ringHalves_[size_t(half)];
        // Drawn from since its last fence (a whole half without a Present): fence it now.
        if (next.used)
            FenceRingHalf(next);
        if (next.fence) {
            GLenum status = GL_TIMEOUT_EXPIRED;
            while (status == GL_TIMEOUT_EXPIRED)
                status = glClientWaitSync(next.fence, GL_SYNC_FLUSH_COMMANDS_BIT, 1000000000ull);
            glDeleteSync(next.fence);
            next.fence = nullptr;
        }
        ringHalf_ = half;
    }
    ringHalves_[size_t(half)].used = true;
    return head;
}

void Device::FenceRingHalf(RingHalf& half)
{
    if (half.fence)
        glDeleteSync(half.fence);
    half.fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    half.used = false;
}

// After Present: whatever GL read from the ring this frame is covered by a fence.
void Device::FenceInstanceRing()
{
    for (RingHalf& half : ringHalves_)
        if (half.used)
            FenceRingHalf(half);
}

void Device::FlushBatch()
{
    if (batchCount_ == 0)
        return;
    const UINT count = batchCount_;
    batchCount_ = 0;
    if (!MakeCurrent())
        return;
    const UINT head = PlaceBatch();
    constexpr GLsizeiptr kRecord = sizeof(InstanceRecord);
    const VertexInputPlan& inputs = program_->inputs;
    if (!inputs.instanceAttributes) {
        // The block the program declares is instanceCapacity_ records long, and GL wants all of
        // it backed, however few of them this draw reads.
        glBindBufferRange(GL_UNIFORM_BUFFER, kInstanceBinding, instanceBuffer_, GLintptr(head) * kRecord,
                          GLsizeiptr(instanceCapacity_) * kRecord);
    }
    if (instanceMap_) {
        std::memcpy(instanceMap_ + size_t(head) * kRecord, batch_.get(), size_t(count) * kRecord);
    } else if (!inputs.instanceAttributes || inputs.instanceCount) {
        // The buffer stays bound to the generic uniform-buffer target: nothing else binds there.
        glBufferSubData(GL_UNIFORM_BUFFER, GLintptr(head) * kRecord, GLsizeiptr(count) * kRecord, batch_.get());
    }
    instanceHead_ = head + count;
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
