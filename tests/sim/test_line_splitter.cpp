#include "sim/line_splitter.h"

#include <gtest/gtest.h>

using namespace tessaly::sim;

TEST(LineSplitter, CutsAtLineFeedsDroppingCarriageReturnsAndNuls) {
    LineSplitter splitter(256);
    std::vector<std::string> lines;
    splitter.feed(":NAME?\r\n:FR", lines);
    splitter.feed(std::string_view("EQ?\n\r\0:AFV?\r", 13), lines);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], ":NAME?");
    EXPECT_EQ(lines[1], ":FREQ?");
    splitter.feed("\n", lines);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], ":AFV?");
}

TEST(LineSplitter, DiscardsAnOverlongLineUpToItsLineFeedAndResumes) {
    LineSplitter splitter(8);
    std::vector<std::string> lines;
    splitter.feed("12345678\n", lines); // exactly the limit is kept
    for (int i = 0; i < 1000; ++i) {
        splitter.feed("xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", lines);
    }
    splitter.feed("yy\n:B?\n", lines);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "12345678");
    EXPECT_EQ(lines[1], ":B?");
    EXPECT_EQ(splitter.discardedLines(), 1u);
}
