#include "protocol/answer_line_collector.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tessaly;

using Lines = std::vector<std::string>;

TEST(AnswerLineCollector, CutsAtLineFeedsAndDropsCarriageReturnsAndNuls) {
    AnswerLineCollector collector;
    EXPECT_EQ(collector.feed(std::string("-45.5;\r-60\0.0\r\n\r\nB", 19)),
              (Lines{"-45.5;-60.0", ""}));
    EXPECT_EQ(collector.pendingSize(), 1u);
    EXPECT_EQ(collector.feed("AND?"), Lines{});
    EXPECT_EQ(collector.feed("\n"), Lines{"BAND?"});
    collector.feed("partial");
    collector.reset();
    EXPECT_EQ(collector.feed("x\n"), Lines{"x"});
}

TEST(AnswerLineCollector, OverlongLinesKeepOnlyWhatFollowsAFullBuffer) {
    AnswerLineCollector collector;
    std::string line300;
    for (int i = 0; i < 300; ++i) {
        line300 += static_cast<char>('a' + i % 26);
    }
    EXPECT_EQ(collector.feed(line300 + "\r\n"), Lines{line300.substr(256)});
    EXPECT_EQ(line300.substr(256).size(), 44u);

    const std::string line255(255, 'x');
    EXPECT_EQ(collector.feed(line255 + "\n"), Lines{line255});
    EXPECT_EQ(collector.feed(std::string(256, 'y') + "\n"), Lines{""});
}

TEST(AnswerLineCollector, LargeBlocksAndSingleBytesGiveTheSameLines) {
    std::string block;
    Lines expected;
    for (int i = 0; block.size() < 32800; ++i) {
        const std::string line = std::to_string(i) + std::string(i % 300, 'z');
        block += line + "\r\n";
        expected.push_back(line.size() >= 256 ? line.substr(256) : line);
    }
    block += "tail";

    AnswerLineCollector whole;
    EXPECT_EQ(whole.feed(block), expected);

    AnswerLineCollector bytewise;
    Lines lines;
    for (const char c : block) {
        for (std::string& line : bytewise.feed(std::string_view(&c, 1))) {
            lines.push_back(std::move(line));
        }
    }
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(bytewise.pendingSize(), 4u);

    // 100000 characters without a line feed leave the last 100000 mod 256 of them.
    AnswerLineCollector flood;
    std::string noise;
    for (int i = 0; i < 100000; ++i) {
        noise += static_cast<char>('A' + i % 23);
    }
    EXPECT_EQ(flood.feed(noise + "\n"), Lines{noise.substr(100000 - 100000 % 256)});
}
