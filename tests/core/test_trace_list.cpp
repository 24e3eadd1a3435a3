#include "core/trace_list.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace tessaly;

TEST(TraceList, KeepsTheNewestHundredAndSelectsTheLast) {
    TraceList list;
    for (int i = 1; i <= 101; ++i) {
        list.addLine(QString("line %1").arg(i));
    }
    const QStringList lines = list.lines();
    ASSERT_EQ(lines.size(), kTraceLineLimit);
    EXPECT_EQ(lines.front(), "line 2");
    EXPECT_EQ(lines.back(), "line 101");
    EXPECT_EQ(list.selectedIndex(), 99);
}

TEST(TraceList, HorizontalExtentOnlyGrows) {
    TraceList list;
    list.addLine(QString(40, 'a'));
    EXPECT_EQ(list.horizontalExtent(), 40 * kTraceCharWidthPx);
    list.addLine("short");
    EXPECT_EQ(list.horizontalExtent(), 40 * kTraceCharWidthPx);
    list.addLine(QString(50, 'b'));
    EXPECT_EQ(list.longestLine(), 50);
}

TEST(TraceList, WritersOnSeveralThreadsKeepTheLimit) {
    TraceList list;
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&list, t] {
            for (int i = 0; i < 500; ++i) {
                list.addLine(QString("%1:%2").arg(t).arg(i));
                (void)list.lines();
            }
        });
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    EXPECT_EQ(list.lineCount(), kTraceLineLimit);
}
