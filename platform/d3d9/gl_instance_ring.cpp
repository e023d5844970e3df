#include "platform/d3d9/gl_instance_ring.h"

#include <algorithm>
#include <cstring>

namespace qv::d3d {

using namespace qv::gl;

namespace {

constexpr GLsizeiptr kRecordBytes = sizeof(InstanceRecord);
// Blocks in a plain ring before it wraps; a mapped ring's halves are larger, so that a whole
// half is rarely drawn from between two Presents.
constexpr UINT kPlainSlots = 4;
constexpr UINT kMappedHalfSlots = 8;

UINT RoundUp(UINT value, UINT multiple) { return (value + multiple - 1) / multiple * multiple; }

} // namespace

// ---- placement -------------------------------------------------------------------------------

InstanceRingPlan::InstanceRingPlan(UINT batchRecords, UINT align, UINT slots, bool fenced)
    : batchRecords_(std::max(1u, batchRecords)), align_(std::max(1u, align)), fenced_(fenced)
{
    const UINT slot = RoundUp(batchRecords_, align_);
    slots = std::max(1u, slots);
    // A plain ring has room for one more alignment's padding; a fenced one's halves are whole
    // slots, so each half starts aligned.
    size_ = fenced_ ? 2 * slots * slot : slots * slot + align_;
}

InstanceRingPlan::Placement InstanceRingPlan::Place(UINT count)
{
    Placement p;
    if (count == 0 || count > batchRecords_)
        return p;
    UINT first = RoundUp(head_, align_);
    if (!fenced_) {
        if (first + batchRecords_ > size_)
            first = 0;
    } else {
        // The head never leaves the half being written, and a half that cannot take the block
        // hands over to the other one, the first half following the second.
        if (first + batchRecords_ > UINT(half_ + 1) * halfSize()) {
            half_ ^= 1;
            first = UINT(half_) * halfSize();
            Half& next = halves_[size_t(half_)];
            if (next.drawn) { // a whole ring without a Present
                p.fence = half_;
                next.drawn = false;
                next.fenced = true;
            }
            if (next.fenced) {
                p.wait = half_;
                next.fenced = false;
            }
        }
        halves_[size_t(half_)].drawn = true;
    }
    head_ = first + count;
    p.first = first;
    return p;
}

unsigned InstanceRingPlan::FenceDrawn()
{
    unsigned bits = 0;
    for (size_t i = 0; i < halves_.size(); ++i) {
        if (halves_[i].drawn) {
            halves_[i] = {false, true};
            bits |= 1u << i;
        }
    }
    return bits;
}

// ---- the GL buffer ---------------------------------------------------------------------------

void GlInstanceRing::Create(UINT batchRecords, GLint alignBytes, bool persistent)
{
    // Records are 256 bytes apart; a binding offset must be a multiple of GL's alignment.
    const UINT align = RoundUp(UINT(std::max<GLint>(alignBytes, 1)), UINT(kRecordBytes)) / UINT(kRecordBytes);
    glGenBuffers(1, &buffer_);
    glBindBuffer(GL_UNIFORM_BUFFER, buffer_);
    if (persistent) {
        constexpr GLbitfield kMapping = GL_MAP_WRITE_BIT | GL_MAP_PERSISTENT_BIT | GL_MAP_COHERENT_BIT;
        plan_ = InstanceRingPlan(batchRecords, align, kMappedHalfSlots, true);
        const GLsizeiptr bytes = GLsizeiptr(plan_.size()) * kRecordBytes;
        glBufferStorage(GL_UNIFORM_BUFFER, bytes, nullptr, kMapping);
        map_ = static_cast<uint8_t*>(glMapBufferRange(GL_UNIFORM_BUFFER, 0, bytes, kMapping));
        if (map_)
            return;
        // Its storage is fixed now: start again with a buffer of the other kind.
        glDeleteBuffers(1, &buffer_);
        glGenBuffers(1, &buffer_);
        glBindBuffer(GL_UNIFORM_BUFFER, buffer_);
    }
    plan_ = InstanceRingPlan(batchRecords, align, kPlainSlots, false);
    glBufferData(GL_UNIFORM_BUFFER, GLsizeiptr(plan_.size()) * kRecordBytes, nullptr, GL_STREAM_DRAW);
}

void GlInstanceRing::Release()
{
    for (GLsync& fence : fences_) {
        if (fence)
            glDeleteSync(fence);
        fence = nullptr;
    }
    if (buffer_)
        glDeleteBuffers(1, &buffer_); // unmaps it too
    buffer_ = 0;
    map_ = nullptr;
}

UINT GlInstanceRing::Place(UINT count)
{
    const InstanceRingPlan::Placement p = plan_.Place(count);
    if (p.fence >= 0)
        Fence(p.fence);
    if (p.wait >= 0)
        Wait(p.wait);
    return p.first;
}

void GlInstanceRing::Write(UINT first, const InstanceRecord* records, UINT count)
{
    if (map_) {
        std::memcpy(map_ + size_t(first) * size_t(kRecordBytes), records, size_t(count) * size_t(kRecordBytes));
        return;
    }
    // The buffer stays bound to the generic uniform-buffer target: nothing else binds there.
    glBufferSubData(GL_UNIFORM_BUFFER, GLintptr(first) * kRecordBytes, GLsizeiptr(count) * kRecordBytes, records);
}

void GlInstanceRing::BindBlock(UINT first)
{
    // The block a program declares is a whole batch long, and GL wants all of it backed,
    // however few of its records a draw reads.
    glBindBufferRange(GL_UNIFORM_BUFFER, kInstanceBinding, buffer_, GLintptr(first) * kRecordBytes,
                      GLsizeiptr(plan_.batchRecords()) * kRecordBytes);
}

void GlInstanceRing::FenceDrawn()
{
    const unsigned halves = plan_.FenceDrawn();
    for (int half = 0; half < 2; ++half)
        if (halves & (1u << half))
            Fence(half);
}

void GlInstanceRing::Fence(int half)
{
    GLsync& fence = fences_[size_t(half)];
    if (fence)
        glDeleteSync(fence); // the new fence covers all the old one did
    fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
}

void GlInstanceRing::Wait(int half)
{
    GLsync& fence = fences_[size_t(half)];
    if (!fence)
        return;
    GLenum status = GL_TIMEOUT_EXPIRED;
    while (status == GL_TIMEOUT_EXPIRED)
        status = glClientWaitSync(fence, GL_SYNC_FLUSH_COMMANDS_BIT, 1000000000ull);
    glDeleteSync(fence);
    fence = nullptr;
}

} // namespace qv::d3d
