#include "comm/received_block_ring.h"

#include <gtest/gtest.h>

using namespace tessaly;

TEST(ReceivedBlockRing, BlocksComeOutOldestFirstAndEmptyRingGivesZero) {
    ReceivedBlockRing ring;
    QByteArray block("untouched");
    EXPECT_EQ(ring.take(block), 0);
    EXPECT_EQ(block, "untouched");
    ring.store("ab", 2);
    ring.store("cde", 3);
    EXPECT_EQ(ring.take(block), 2);
    EXPECT_EQ(block, "ab");
    EXPECT_EQ(ring.take(block), 3);
    EXPECT_EQ(block, "cde");
    EXPECT_EQ(ring.take(block), 0);
}

TEST(ReceivedBlockRing, SixthUntakenBlockDropsTheFiveBeforeIt) {
    ReceivedBlockRing ring;
    for (char c = '1'; c <= '5'; ++c) {
        ring.store(&c, 1);
    }
    EXPECT_EQ(ring.count(), 5);
    ring.store("6", 1);
    EXPECT_EQ(ring.count(), 1);
    QByteArray block;
    EXPECT_EQ(ring.take(block), 1);
    EXPECT_EQ(block, "6");
    EXPECT_EQ(ring.take(block), 0);
}
