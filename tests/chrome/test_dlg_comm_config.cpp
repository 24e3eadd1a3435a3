#include "chrome/ap_list_box.h"
#include "chrome/dlg_comm_config.h"
#include "core/comm_trace.h"
#include "tests/support/wait_until.h"

#include <gtest/gtest.h>

#include <thread>

using namespace tessaly;
using tessaly::testing::waitUntil;

TEST(CDlgCommConfig, FollowsTheMessageTraceAndShowsItselfOnlyWhenAsked) {
    CommTrace trace;
    trace.addMessageLine(kTraceListMessages, "Before the window.");
    CDlgCommConfig window(trace, "Comm Config");
    EXPECT_EQ(window.windowTitle(), "Comm Config");
    EXPECT_EQ(window.traceList().lineCount(), 1);
    std::thread engineSide([&] {
        trace.addTwoPartLine(kTraceListData, "Send", ":REMOTE 0"); // not this window's list
        trace.addMessageLine(kTraceListMessages, "Connected.");
    });
    engineSide.join();
    ASSERT_TRUE(waitUntil([&] { return window.traceList().lineCount() == 2; }));
    EXPECT_FALSE(window.isVisible());
    trace.requestShow();
    ASSERT_TRUE(waitUntil([&] { return window.isVisible(); }));
    window.reject();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.traceList().item(1)->text().endsWith(" Connected."));
}
