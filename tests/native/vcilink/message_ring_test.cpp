// Tests of the ring of received VCI messages: order, overflow, bounded copy-out.
#include "vcilink/core/message_ring.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace vcilink;

using Bytes = std::vector<uint8_t>;

static Bytes Msg(uint16_t dataLength, size_t size, uint8_t tag) {
    Bytes m(size, tag);
    if (size >= 2) m[0] = dataLength & 0xFF, m[1] = dataLength >> 8;
    return m;
}

TEST(VciMessageRing, FullRingDropsTheOldestAndNeverReadsTwice) {
    auto ring = std::make_unique<VciMessageRing>();
    for (int i = 0; i < 101; ++i)
        ASSERT_TRUE(ring->Push(Msg(4, 4, static_cast<uint8_t>(i))));
    EXPECT_EQ(ring->Count(), 100);
    EXPECT_EQ(ring->Overwritten(), 1u);
    Bytes out(kVciMaxMessage);
    for (int i = 1; i <= 100; ++i) {
        ASSERT_EQ(ring->Pop(out), 4);
        EXPECT_EQ(out[2], i);
    }
    EXPECT_EQ(ring->Pop(out), -1);
    ring->Push(Msg(4, 4, 7));
    ring->ResetCommData();
    EXPECT_EQ(ring->Pop(out), -1);
}

TEST(VciMessageRing, CopyOutIsBoundedBySlotAndDestination) {
    auto ring = std::make_unique<VciMessageRing>();
    Bytes out(kVciMaxMessage, 0);
    ring->Push(Msg(3000, 10, 0xAA)); // claims more than arrived: only what arrived
    EXPECT_EQ(ring->Pop(out), 10);
    EXPECT_EQ(out[10], 0);
    ring->Push(Msg(5, 10, 0xBB)); // claims less: as claimed
    EXPECT_EQ(ring->Pop(out), 5);
    ring->Push(Msg(0xFFFF, kVciMaxMessage, 0xCC));
    Bytes small(16);
    EXPECT_EQ(ring->Pop(small), 16);
    ring->Push(Bytes{0x42}); // too short for a DataLength
    EXPECT_EQ(ring->Pop(out), 1);
    EXPECT_FALSE(ring->Push(Bytes(kVciMaxMessage + 1)));
}
