#include "monitor/monitor_control.h"
#include "monitor/monitor_engine_table.h"

#include "comm/monitor_engine.h"
#include "core/message_codes.h"
#include "protocol/command_builder.h"
#include "tests/monitor/no_window_host.h"
#include "tests/monitor/synthetic_panel_images.h"

#include "tests/support/simulated_receivers.h"
#include "tests/support/wait_until.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

using namespace tessaly;
using tessaly::testing::NoWindowHost;
using tessaly::testing::SimulatedReceivers;
using tessaly::testing::waitUntil;

namespace {

// Counts the events on their way to real engine threads.
struct EventCounts {
    std::mutex mutex;
    std::map<int, int> byCode;
    std::vector<int> created;
    int count(int code) {
        std::lock_guard lock(mutex);
        return byCode[code];
    }
};

class CountingEngine : public IMonitorEngine {
public:
    CountingEngine(std::unique_ptr<IMonitorEngine> inner, EventCounts& counts)
        : inner_(std::move(inner)), counts_(counts) {}
    void post(int code, qintptr value) override {
        {
            std::lock_guard lock(counts_.mutex);
            ++counts_.byCode[code];
        }
        inner_->post(code, value);
    }
    void requestQuit() override { inner_->requestQuit(); }
    bool hasEnded() const override { return inner_->hasEnded(); }

private:
    std::unique_ptr<IMonitorEngine> inner_;
    EventCounts& counts_;
};

class MonitorEnginesAgainstSimulator : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        ASSERT_TRUE(receivers.start(5, {.fillTable = false}, &error)) << error.toStdString();
        table.pollIntervalMs = 30;
        table.answerTimeoutMs = 500;

        EngineOptions engineOptions;
        engineOptions.ping = [](const QString&, int, int) { return 1; };
        engineOptions.reconnectDelayMs = 300;
        const MonitorEngineFactory threads = monitorThreadFactory(&table, &values, engineOptions);
        MonitorControlOptions controlOptions;
        controlOptions.refreshIntervalMs = 50;
        control = std::make_unique<CMonitorControl>(
            renderer, host, table, values, display,
            [this, threads](int number) -> std::unique_ptr<IMonitorEngine> {
                counts.created.push_back(number);
                return std::make_unique<CountingEngine>(threads(number), counts);
            },
            controlOptions);
        control->initialUpdate(QSize(1920, 1080));
    }

    void TearDown() override {
        control.reset();
        simulator.stop();
    }

    ReceiverTable tableOf(int count) {
        ReceiverTable next;
        next.copyFrom(table);
        next.count = count;
        for (int n = 1; n <= count; ++n) {
            next.byNumber(n).ip = simulator.address(n).toString().toStdString();
            next.byNumber(n).name = "MIC" + std::to_string(n);
            next.byNumber(n).setFrequencyText("710.125");
        }
        return next;
    }

    SimulatedReceivers receivers;
    sim::Simulator& simulator = receivers.simulator;
    ReceiverTable& table = receivers.table;
    MonitorValueTable values;
    DisplayState display;
    NoWindowHost host;
    CPanelRenderer renderer{tessaly::testing::syntheticPanelPng};
    EventCounts counts;
    std::unique_ptr<CMonitorControl> control;
};

} // namespace

TEST_F(MonitorEnginesAgainstSimulator, ReplacingTheTableWhileMonitoringRestartsFiveEngines) {
    control->takeOverTable(tableOf(3), false);
    control->handleCommand(kCmdMonitorStartStop, kMonitoringStart);
    EXPECT_EQ(counts.count(kEvMonitorStart), 3);
    ASSERT_TRUE(waitUntil([&] { return values.byNumber(3).rfLevelA != kNoLevel; }));

    control->takeOverTable(tableOf(5), false);
    EXPECT_EQ(counts.count(kEvMonitorStop), 3);
    EXPECT_EQ(counts.created, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(counts.count(kEvMonitorStart), 3); // not yet: the restart waits 100 ms

    ASSERT_TRUE(waitUntil([&] { return counts.count(kEvMonitorStart) == 3 + 5; }));
    // All five poll and the live update draws their meters.
    for (int n = 1; n <= 5; ++n) {
        ASSERT_TRUE(waitUntil([&] { return renderer.cache(n).rfLevelA != kNoLevel; }))
            << "receiver " << n;
        EXPECT_EQ(table.byNumber(n).commState, kCommOk);
    }
    EXPECT_GT(simulator.receivedCount(5), 0u);
}

TEST_F(MonitorEnginesAgainstSimulator, StoppingSendsRemoteOffAndEndingWaitsForEveryThread) {
    control->takeOverTable(tableOf(2), false);
    control->handleCommand(kCmdMonitorStartStop, kMonitoringStart);
    ASSERT_TRUE(waitUntil([&] { return values.byNumber(2).rfLevelA != kNoLevel; }));
    control->handleCommand(kCmdMonitorStartStop, kMonitoringStop);
    ASSERT_TRUE(waitUntil([&] {
        const auto lines = simulator.receivedLines(2);
        return !lines.empty() && lines.back() == ":REMOTE 0";
    }));
    control->shutDown();
    EXPECT_EQ(control->engines().engineCount(), 0); // every thread ended and was deleted
}
