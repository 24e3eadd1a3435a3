#include "chrome/ap_list_box.h"
#include "chrome/dlg_comm_monitor.h"
#include "core/comm_trace.h"
#include "tests/support/wait_until.h"

#include <QCheckBox>

#include <gtest/gtest.h>

#include <thread>

using namespace tessaly;
using tessaly::testing::waitUntil;

namespace {

struct MonitorWindowTest : ::testing::Test {
    CommTrace trace;
    CDlgCommMonitor window{trace, "Comm Interval(7)"};
};

} // namespace

TEST_F(MonitorWindowTest, CaptionIsTheGivenTitleAndTheWindowStartsHidden) {
    EXPECT_EQ(window.windowTitle(), "Comm Interval(7)");
    EXPECT_EQ(window.traceCheck().text(), "Trace");
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MonitorWindowTest, LinesAddedOnAnotherThreadArriveInTheirLists) {
    std::thread engineSide([&] {
        trace.addMessageLine(kTraceListMessages, "Connected.");
        trace.addTwoPartLine(kTraceListData, "Send", ":REMOTE 0");
    });
    engineSide.join();
    ASSERT_TRUE(waitUntil([&] { return window.dataList().lineCount() == 1; }));
    ASSERT_TRUE(waitUntil([&] { return window.messageList().lineCount() == 1; }));
    EXPECT_TRUE(window.messageList().item(0)->text().endsWith(" Connected."));
    EXPECT_TRUE(window.dataList().item(0)->text().endsWith(" Send :REMOTE 0"));
}

TEST(CDlgCommMonitor, StartsWithTheLinesTheTraceAlreadyHolds) {
    CommTrace trace;
    trace.addMessageLine(kTraceListMessages, "Connected.");
    CDlgCommMonitor window(trace, "Comm Interval(1)");
    EXPECT_EQ(window.messageList().lineCount(), 1);
    EXPECT_EQ(window.dataList().lineCount(), 0);
}

TEST_F(MonitorWindowTest, ShowRequestReadsTheTraceBoxAndClosingSwitchesTheDataTraceOff) {
    window.traceCheck().setChecked(true);
    trace.setDataTraceOn(false);
    std::thread engineSide([&] { trace.requestShow(); });
    engineSide.join();
    ASSERT_TRUE(waitUntil([&] { return window.isVisible(); }));
    EXPECT_TRUE(trace.dataTraceOn());
    window.traceCheck().setChecked(false);
    EXPECT_FALSE(trace.dataTraceOn());
    window.traceCheck().setChecked(true);
    window.reject();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(trace.dataTraceOn());
    EXPECT_TRUE(window.traceCheck().isChecked());
}
