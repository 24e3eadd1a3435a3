#include "chrome/ap_list_box.h"
#include "chrome/dlg_comm_monitor.h"
#include "comm/comm_thread_monitor.h"
#include "comm/message_codes.h"
#include "tests/support/wait_until.h"

#include <QCheckBox>

#include <gtest/gtest.h>

#include <thread>

using namespace tessaly;
using tessaly::testing::waitUntil;

namespace {

struct MonitorWindowTest : ::testing::Test {
    ReceiverTable table;
    MonitorValueTable values;
    CCommThreadMonitor engine{&table, &values, 7};
    CDlgCommMonitor window{engine};
};

} // namespace

TEST_F(MonitorWindowTest, CaptionNamesTheReceiverAndTheWindowStartsHidden) {
    EXPECT_EQ(window.windowTitle(), "Comm Interval(7)");
    EXPECT_EQ(window.traceCheck().text(), "Trace");
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MonitorWindowTest, LinesAddedOnAnotherThreadArriveInTheirLists) {
    std::thread engineSide([&] {
        engine.trace().addMessageLine(kTraceListMessages, "Connected.");
        engine.trace().addTwoPartLine(kTraceListData, "Send", ":REMOTE 0");
    });
    engineSide.join();
    ASSERT_TRUE(waitUntil([&] { return window.dataList().lineCount() == 1; }));
    ASSERT_TRUE(waitUntil([&] { return window.messageList().lineCount() == 1; }));
    EXPECT_TRUE(window.messageList().item(0)->text().endsWith(" Connected."));
    EXPECT_TRUE(window.dataList().item(0)->text().endsWith(" Send :REMOTE 0"));
}

TEST_F(MonitorWindowTest, ShowRequestReadsTheTraceBoxAndClosingSwitchesTheDataTraceOff) {
    engine.start();
    window.traceCheck().setChecked(true);
    engine.trace().setDataTraceOn(false);
    ASSERT_TRUE(engine.post(kEvMonitorShowTrace));
    ASSERT_TRUE(waitUntil([&] { return window.isVisible(); }));
    EXPECT_TRUE(engine.trace().dataTraceOn());
    window.traceCheck().setChecked(false);
    EXPECT_FALSE(engine.trace().dataTraceOn());
    window.traceCheck().setChecked(true);
    window.reject();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(engine.trace().dataTraceOn());
    EXPECT_TRUE(window.traceCheck().isChecked());
    EXPECT_TRUE(engine.stop());
}
