#include "comm/comm_thread_config.h"
#include "comm/comm_thread_monitor.h"
#include "tests/support/message_recorder.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace tessaly;
using namespace tessaly::testing;

// The engines ask for their trace windows through the trace: a configuration engine at its start
// when comm/debug is on, a monitor engine when it is posted 2009.

TEST(EngineTraceRequests, ConfigEngineAsksForItsWindowAtStartOnlyWithCommDebug) {
    for (bool commDebug : {false, true}) {
        ReceiverTable table;
        MessageRecorder<> requester;
        EngineOptions options;
        options.commDebug = commDebug;
        CCommThreadConfig engine(&table, &requester, options);
        std::atomic<int> requests{0};
        QObject::connect(&engine.trace(), &CommTrace::showRequested, [&] { ++requests; });
        engine.start();
        ASSERT_TRUE(requester.waitFor(kEvConfigReady));
        EXPECT_EQ(requests.load(), commDebug ? 1 : 0) << "comm/debug " << commDebug;
        EXPECT_TRUE(engine.stop());
    }
}

TEST(EngineTraceRequests, MonitorEngineAsksForItsWindowWhenPosted2009) {
    ReceiverTable table;
    MonitorValueTable values;
    CCommThreadMonitor engine(&table, &values, 7);
    std::atomic<int> requests{0};
    QObject::connect(&engine.trace(), &CommTrace::showRequested, [&] { ++requests; });
    engine.start();
    runEventsFor(50);
    EXPECT_EQ(requests.load(), 0);
    ASSERT_TRUE(engine.post(kEvMonitorShowTrace));
    EXPECT_TRUE(waitUntil([&] { return requests.load() == 1; }));
    EXPECT_TRUE(engine.stop());
}
