#include "chrome/ap_list_box.h"
#include "chrome/dlg_comm_config.h"
#include "comm/comm_thread_config.h"
#include "tests/support/wait_until.h"

#include <QApplication>

#include <gtest/gtest.h>

using namespace tessaly;
using tessaly::testing::waitUntil;

TEST(CDlgCommConfig, ShowsItselfAtStartOnlyWithCommDebugAndFollowsTheTrace) {
    for (bool commDebug : {false, true}) {
        ReceiverTable table;
        QObject requester;
        EngineOptions options;
        options.commDebug = commDebug;
        CCommThreadConfig engine(&table, &requester, options);
        CDlgCommConfig window(engine);
        EXPECT_EQ(window.windowTitle(), "Comm Config");
        engine.start();
        engine.trace().addMessageLine(kTraceListMessages, "Connected.");
        if (commDebug) {
            ASSERT_TRUE(waitUntil([&] { return window.isVisible(); }));
        }
        ASSERT_TRUE(waitUntil([&] { return window.traceList().lineCount() == 1; }));
        QApplication::processEvents(); // a show request would be in by now
        EXPECT_EQ(window.isVisible(), commDebug);
        window.reject();
        EXPECT_FALSE(window.isVisible());
        EXPECT_TRUE(engine.stop());
    }
}
