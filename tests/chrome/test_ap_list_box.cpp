#include "chrome/ap_list_box.h"

#include <gtest/gtest.h>

using namespace tessaly;

TEST(CApListBox, KeepsTheNewestHundredLinesAndSelectsTheNewest) {
    CApListBox list;
    for (int i = 1; i <= 101; ++i) {
        list.addTraceLine(QString("line %1").arg(i));
    }
    ASSERT_EQ(list.lineCount(), kTraceLineLimit);
    EXPECT_EQ(list.item(0)->text(), "line 2");
    EXPECT_EQ(list.item(99)->text(), "line 101");
    EXPECT_EQ(list.currentRow(), 99);
}

TEST(CApListBox, LineBreaksOfReceivedTextStayOnOneRow) {
    CApListBox list;
    list.addTraceLine("2026/12/09 05:06:10.924 Send :NAME?\r\n");
    EXPECT_EQ(list.item(0)->text(), "2026/12/09 05:06:10.924 Send :NAME?  ");
}
