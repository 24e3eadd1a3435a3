#include "sim/answer_delivery.h"

#include <gtest/gtest.h>

using namespace tessaly::sim;

namespace {

LineOutcome pollOutcome() {
    LineOutcome outcome;
    outcome.hasQuery = true;
    outcome.monitorQuery = true;
    outcome.values = {"-52.5", "-61.0", "-18.3", "3", "1", "0"};
    return outcome;
}

constexpr const char* kPollLine = "-52.5;-61.0;-18.3;3;1;0\r\n";

} // namespace

TEST(AnswerDelivery, LinesWithoutQueriesAndSilentReceiversSendNothing) {
    LineOutcome setOnly;
    EXPECT_FALSE(deliveryFor(setOnly, Fault{}, 1).has_value());
    EXPECT_FALSE(deliveryFor(pollOutcome(), makeFault(FaultKind::Silent), 1).has_value());
    const auto normal = deliveryFor(pollOutcome(), Fault{}, 1);
    ASSERT_TRUE(normal);
    EXPECT_EQ(normal->bytes, kPollLine);
    EXPECT_FALSE(normal->closeAfter || normal->byteByByte || normal->delayMs != 0);
}

TEST(AnswerDelivery, FaultsShapeTheAnswer) {
    const auto late = deliveryFor(pollOutcome(), makeFault(FaultKind::Late, 700), 1);
    EXPECT_EQ(late->delayMs, 700);
    EXPECT_EQ(late->bytes, kPollLine);

    const auto shortAnswer = deliveryFor(pollOutcome(), makeFault(FaultKind::ShortAnswer), 1);
    EXPECT_EQ(shortAnswer->bytes, "-52.5;-61.0;-18.3\r\n");

    const auto cut = deliveryFor(pollOutcome(), makeFault(FaultKind::CloseMidAnswer), 1);
    EXPECT_TRUE(cut->closeAfter);
    EXPECT_EQ(cut->bytes, std::string(kPollLine).substr(0, 11));

    const auto longLine = deliveryFor(pollOutcome(), makeFault(FaultKind::LongLine), 1);
    EXPECT_EQ(longLine->bytes.size(), 302u);
    EXPECT_EQ(longLine->bytes.substr(302 - 25), kPollLine);

    const auto block = deliveryFor(pollOutcome(), makeFault(FaultKind::LargeBlock), 1);
    EXPECT_EQ(block->bytes.size(), 32768u);
    EXPECT_EQ(block->bytes.find('\n'), 32767u) << "one line end, at the very end";

    const auto bytes = deliveryFor(pollOutcome(), makeFault(FaultKind::ByteByByte, 3), 1);
    EXPECT_TRUE(bytes->byteByByte);
    EXPECT_EQ(bytes->byteGapMs, 3);
    EXPECT_EQ(bytes->bytes, kPollLine);

    const auto blank = deliveryFor(pollOutcome(), makeFault(FaultKind::BlankLineFirst), 1);
    EXPECT_EQ(blank->bytes, std::string("\r\n") + kPollLine);
}

TEST(AnswerDelivery, GarbageIsOneLineOfOtherBytes) {
    const auto first = deliveryFor(pollOutcome(), makeFault(FaultKind::Garbage), 1);
    const auto second = deliveryFor(pollOutcome(), makeFault(FaultKind::Garbage), 2);
    EXPECT_NE(first->bytes, kPollLine);
    EXPECT_NE(first->bytes, second->bytes);
    EXPECT_EQ(first->bytes.find('\n'), first->bytes.size() - 1);
}
