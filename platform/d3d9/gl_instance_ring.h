// The ring of instance records that batched draws read (d3d9_batch.cpp): where each batch's
// records go, and, for a ring GL keeps mapped, when a part of it may be written again.
#pragma once

#include "platform/d3d9/gl_api.h"
#include "platform/d3d9/gl_ffp_shader.h"

#include <array>
#include <cstdint>

namespace qv::d3d {

// Where batches go in the ring, worked out without GL so that every boundary can be tried.
//
// A batch may be read as a whole block of `batchRecords` records from its first one (a
// block-reading program binds that much), so that much is kept free from a first record that
// is a multiple of `align`. A plain ring wraps to its start when the next block would run past
// its end: GL orders each upload after the draws before it. A fenced ring is written behind
// GL's back (a persistent mapping), so it is two halves: batches fill one half, then move on to
// the other, and a half is written again only once a fence set after its last reads has
// passed. A half is fenced at Present when it was drawn from in the frame, or on the spot when
// the batches come round to it again before a Present.
class InstanceRingPlan {
public:
    static constexpr UINT kNoRoom = ~0u;

    struct Placement {
        UINT first = kNoRoom; // the batch's first record; kNoRoom for a batch no block holds
        int fence = -1;       // a half to fence first: drawn from since its last fence
        int wait = -1;        // a half whose fence must have passed before the batch is written
    };

    InstanceRingPlan() = default;
    // `slots`: blocks in each half of a fenced ring, or in the whole of a plain one.
    InstanceRingPlan(UINT batchRecords, UINT align, UINT slots, bool fenced);

    UINT size() const { return size_; } // records the buffer must hold
    UINT halfSize() const { return fenced_ ? size_ / 2 : size_; }
    UINT batchRecords() const { return batchRecords_; }
    bool fenced() const { return fenced_; }

    // Where a batch of `count` records goes, and what must happen in GL before it is written
    // there. A batch of none, or of more than a block, has no place.
    Placement Place(UINT count);
    // At Present: the halves drawn from since their last fence, as bits 0 and 1; they count as
    // fenced from now on.
    unsigned FenceDrawn();

private:
    struct Half {
        bool drawn = false;  // read by draws since its last fence
        bool fenced = false; // a fence not yet waited for covers its reads
    };
    UINT batchRecords_ = 1, align_ = 1, size_ = 0;
    bool fenced_ = false;
    UINT head_ = 0; // one past the last record written
    int half_ = 0;  // the half being written
    std::array<Half, 2> halves_{};
};

// The ring in GL: one uniform buffer, persistently mapped where GL can keep it so (GL 4.4 or
// ARB_buffer_storage), else written with an upload per batch.
class GlInstanceRing {
public:
    static constexpr UINT kNoRoom = InstanceRingPlan::kNoRoom;

    // Makes the buffer with the current context; `alignBytes` is GL's uniform-buffer offset
    // alignment.
    void Create(UINT batchRecords, GLint alignBytes, bool persistent);
    // Deletes the buffer and fences; the context must be current.
    void Release();

    GLuint buffer() const { return buffer_; }
    bool mapped() const { return map_ != nullptr; }
    // Where a batch of `count` records goes; waits first where GL may still read there.
    UINT Place(UINT count);
    // Puts the records at `first`: into the mapping, or up into the buffer.
    void Write(UINT first, const InstanceRecord* records, UINT count);
    // Points the instance block's binding at the block from `first`.
    void BindBlock(UINT first);
    // After Present: a fence covers whatever GL read from the ring this frame.
    void FenceDrawn();

private:
    void Fence(int half);
    void Wait(int half);

    InstanceRingPlan plan_;
    GLuint buffer_ = 0;
    uint8_t* map_ = nullptr;
    std::array<GLsync, 2> fences_{};
};

} // namespace qv::d3d
