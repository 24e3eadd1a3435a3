#include "core/trace_line.h"

#include <gtest/gtest.h>

using namespace tessaly;

namespace {
const QDateTime kWhen(QDate(2026, 3, 4), QTime(5, 6, 7, 89));
}

TEST(TraceLine, TimestampAndTheThreeLineForms) {
    EXPECT_EQ(traceTimestamp(kWhen), "2026/03/04 05:06:07.089");
    EXPECT_EQ(traceMessageLine("Connected.", kWhen), "2026/03/04 05:06:07.089 Connected.");
    EXPECT_EQ(traceTwoPartLine("Send", ":AFV?\r\n", kWhen),
              "2026/03/04 05:06:07.089 Send :AFV?\r\n");
    const char block[] = {0x31, 0x3B, 0x32, 0x0D, 0x0A};
    EXPECT_EQ(traceReceivedBlockLine(block, 5, kWhen),
              "2026/03/04 05:06:07.089 Recv(size:5)  1;2(0D)(0A)");
}

TEST(TraceLine, BytesOutsideSpaceToDelAreShownInHex) {
    const char bytes[] = {0x1F, 0x20, 0x7E, 0x7F, '\x80', '\xFF', 0x00};
    EXPECT_EQ(renderTraceBytes(bytes, 7), "(1F) ~\x7F(80)(FF)(00)");
}
