// Where batches of instance records go in the device's ring, without a GL context. A model of
// GL stands beside the plan: every batch is a draw that reads its records until a fence set
// after it has been waited for, and no batch may be written over records still being read.
#include "platform/d3d9/gl_instance_ring.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qv::d3d::InstanceRingPlan;

class RingModel {
public:
    RingModel(UINT batchRecords, UINT align, UINT slots) : plan_(batchRecords, align, slots, true) {}

    // Places a batch, carries out the plan's fence and wait, checks the write is safe, and
    // returns the batch's first record.
    UINT Batch(UINT count)
    {
        const InstanceRingPlan::Placement p = plan_.Place(count);
        if (p.fence >= 0)
            fenceAt_[size_t(p.fence)] = draws_.size();
        if (p.wait >= 0) {
            EXPECT_NE(fenceAt_[size_t(p.wait)], kNone) << "waited for a half never fenced";
            for (size_t i = 0; i < fenceAt_[size_t(p.wait)] && i < draws_.size(); ++i)
                draws_[i].done = true;
            fenceAt_[size_t(p.wait)] = kNone;
        }
        lastFence = p.fence;
        lastWait = p.wait;
        const UINT half = plan_.halfSize(), block = plan_.batchRecords();
        EXPECT_EQ(p.first / half, (p.first + block - 1) / half) << "block crosses into the other half at " << p.first;
        EXPECT_LE(p.first + block, plan_.size());
        for (const Draw& d : draws_)
            EXPECT_TRUE(d.done || p.first + count <= d.first || d.first + d.count <= p.first)
                << "batch at " << p.first << " overwrites records a draw from " << d.first << " may still read";
        draws_.push_back({p.first, count, false});
        return p.first;
    }

    void Present()
    {
        const unsigned halves = plan_.FenceDrawn();
        for (size_t h = 0; h < 2; ++h)
            if (halves & (1u << h))
                fenceAt_[h] = draws_.size();
    }

    InstanceRingPlan plan_;
    int lastFence = -1, lastWait = -1;

private:
    static constexpr size_t kNone = ~size_t(0);
    struct Draw {
        UINT first, count;
        bool done;
    };
    std::vector<Draw> draws_;
    size_t fenceAt_[2] = {kNone, kNone}; // draws before it are covered
};

// Blocks of 4 records, 8 to a half: halves of 32 records.
TEST(InstanceRing, ExactFitAtTheEndOfEachHalfMovesOnToTheOtherHalf)
{
    RingModel ring(4, 1, 8);
    ASSERT_EQ(ring.plan_.size(), 64u);
    for (UINT i = 0; i < 8; ++i)
        EXPECT_EQ(ring.Batch(4), 4 * i);
    EXPECT_EQ(ring.Batch(4), 32u); // half 0 ended exactly at its end
    EXPECT_EQ(ring.lastWait, -1);  // half 1 was never drawn from
    for (UINT i = 1; i < 8; ++i)
        EXPECT_EQ(ring.Batch(4), 32 + 4 * i);
    // The ring ended exactly at its end: back to half 0, fenced and waited for on the spot as
    // no Present came, and the batches after stay there.
    EXPECT_EQ(ring.Batch(4), 0u);
    EXPECT_EQ(ring.lastFence, 0);
    EXPECT_EQ(ring.lastWait, 0);
    EXPECT_EQ(ring.Batch(4), 4u);
    EXPECT_EQ(ring.lastWait, -1);
}

TEST(InstanceRing, ABlockLargerThanWhatIsLeftStartsTheOtherHalf)
{
    RingModel ring(4, 1, 8);
    for (UINT i = 0; i < 10; ++i)
        EXPECT_EQ(ring.Batch(3), 3 * i); // the tenth block ends at 31
    // Two records at 30 would fit, but a block-reading program binds four from there.
    EXPECT_EQ(ring.Batch(2), 32u);
    for (UINT i = 0; i < 7; ++i)
        ring.Batch(4);
    EXPECT_EQ(ring.Batch(1), 0u); // 4 records at 62 would leave the ring
    EXPECT_EQ(ring.lastWait, 0);
}

// Blocks of 6 records from multiples of 4: slots of 8, halves of 64 records.
TEST(InstanceRing, AlignmentPaddingThatReachesAHalfsEndMovesOn)
{
    RingModel ring(6, 4, 8);
    ASSERT_EQ(ring.plan_.size(), 128u);
    for (UINT i = 0; i < 8; ++i)
        EXPECT_EQ(ring.Batch(5), 8 * i);
    EXPECT_EQ(ring.Batch(5), 64u); // 61 rounds up to 64, the second half's start
    ring.Present();
    for (UINT i = 1; i < 8; ++i)
        EXPECT_EQ(ring.Batch(5), 64 + 8 * i);
    EXPECT_EQ(ring.Batch(5), 0u); // 125 rounds up to the ring's end
    EXPECT_EQ(ring.lastFence, -1); // fenced at the Present
    EXPECT_EQ(ring.lastWait, 0);
    // Padding alone would cross: 1 record at 57 rounds up to 60, and a block from 60 does not fit.
    RingModel tight(6, 4, 8);
    for (UINT i = 0; i < 7; ++i)
        tight.Batch(6);        // up to 54
    EXPECT_EQ(tight.Batch(1), 56u);
    EXPECT_EQ(tight.Batch(1), 64u);
}

TEST(InstanceRing, BatchesOfNoneOrMoreThanABlockHaveNoPlaceAndChangeNothing)
{
    for (const bool fenced : {true, false}) {
        InstanceRingPlan plan(4, 1, 8, fenced);
        EXPECT_EQ(plan.Place(5).first, InstanceRingPlan::kNoRoom);
        EXPECT_EQ(plan.Place(plan.halfSize() + 1).first, InstanceRingPlan::kNoRoom);
        EXPECT_EQ(plan.Place(0).first, InstanceRingPlan::kNoRoom);
        EXPECT_EQ(plan.Place(4).first, 0u);
        EXPECT_EQ(plan.Place(4).first, 4u);
    }
    // A block of a single record; a half of one slot.
    RingModel smallest(1, 1, 1);
    EXPECT_EQ(smallest.Batch(1), 0u);
    EXPECT_EQ(smallest.Batch(1), 1u);
    EXPECT_EQ(smallest.Batch(1), 0u);
    EXPECT_EQ(smallest.lastWait, 0);
}

TEST(InstanceRing, APlainRingWrapsToItsStartWithNothingToWaitFor)
{
    InstanceRingPlan plan(6, 4, 4, false);
    ASSERT_EQ(plan.size(), 4u * 8u + 4u);
    std::vector<UINT> firsts;
    for (int i = 0; i < 6; ++i) {
        const InstanceRingPlan::Placement p = plan.Place(6);
        EXPECT_EQ(p.fence, -1);
        EXPECT_EQ(p.wait, -1);
        firsts.push_back(p.first);
    }
    EXPECT_EQ(firsts, (std::vector<UINT>{0, 8, 16, 24, 0, 8})); // 32 + 6 would pass 36
    EXPECT_EQ(plan.FenceDrawn(), 0u);
}

// Frames of every length, Presents or none, batches of every size: the model finds no write
// over a block GL may read, and each half is fenced before it is waited for.
TEST(InstanceRing, RepeatedFramesNeverWriteWhereGlMayRead)
{
    for (const UINT align : {1u, 2u, 3u}) {
        RingModel ring(5, align, 3);
        uint32_t seed = 12345;
        auto next = [&](uint32_t n) {
            seed = seed * 1664525u + 1013904223u;
            return (seed >> 8) % n;
        };
        for (int frame = 0; frame < 400; ++frame) {
            const uint32_t batches = frame % 50 == 0 ? 40 : next(12);
            for (uint32_t b = 0; b < batches; ++b)
                ring.Batch(1 + next(5));
            if (frame % 7 != 3) // now and then two frames without a Present
                ring.Present();
        }
        if (testing::Test::HasFailure())
            FAIL() << "with alignment " << align;
    }
}

} // namespace
