#include "comm/que_data.h"

#include <gtest/gtest.h>

#include <string>

using namespace tessaly;

namespace {

CommandItem item(int32_t id, const std::string& text) {
    CommandItem made;
    EXPECT_TRUE(made.assign(id, kAnswerLine, text));
    return made;
}

} // namespace

TEST(CQueData, FullQueueRefusesAndStaysUnchanged) {
    for (int capacity : {kConfigQueueCapacity, kMonitorQueueCapacity}) {
        CQueData queue(capacity);
        for (int i = 0; i < capacity; ++i) {
            ASSERT_EQ(queue.put(i + 1, item(i + 1, ":Q" + std::to_string(i))), 0);
        }
        EXPECT_NE(queue.put(99, item(99, ":EXTRA?")), 0);
        EXPECT_EQ(queue.count(), capacity);
        int32_t id = 0;
        CommandItem taken;
        for (int i = 0; i < capacity; ++i) {
            ASSERT_NE(queue.take(id, taken), 0);
            EXPECT_EQ(id, i + 1);
            EXPECT_EQ(taken.line(), ":Q" + std::to_string(i) + "\r\n");
        }
        EXPECT_EQ(queue.take(id, taken), 0);
    }
}

TEST(CQueData, EmptyQueueTakesNothingAndLeavesOutputsAlone) {
    CQueData queue(kMonitorQueueCapacity);
    int32_t id = 7;
    CommandItem taken = item(7, ":KEEP?");
    EXPECT_EQ(queue.take(id, taken), 0);
    EXPECT_EQ(id, 7);
    EXPECT_EQ(taken.line(), ":KEEP?\r\n");
}

TEST(CQueData, ClearEmptiesAndTheRingWrapsAfterwards) {
    CQueData queue(3);
    queue.put(1, item(1, ":A?"));
    queue.put(2, item(2, ":B?"));
    queue.clear();
    EXPECT_EQ(queue.count(), 0);
    int32_t id = 0;
    CommandItem taken;
    for (int round = 0; round < 7; ++round) { // past the end of the ring several times
        ASSERT_EQ(queue.put(round, item(round, ":R" + std::to_string(round))), 0);
        ASSERT_NE(queue.take(id, taken), 0);
        EXPECT_EQ(id, round);
    }
}
