#include "comm/comm_thread_monitor.h"
#include "protocol/command_builder.h"
#include "tests/support/message_recorder.h"
#include "tests/support/simulated_receivers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

constexpr int kPollMs = 40;
constexpr int kAnswerTimeoutMs = 300;
constexpr int kReconnectMs = 400;

const std::string kPollLine(kPollCommandText);

// RF A and B, AF, battery, antenna B selected, not muted.
const sim::LiveLevels kFixedLevels{-45.5, -60.0, -12.3, 3, 1, 0};

// Monitor engines for the first receivers of a table, against simulated receivers.
class MonitorEngineTest : public ::testing::Test {
protected:
    void TearDown() override {
        engines.clear();
        simulator.stop();
    }

    void startSimulator(int count = 1) {
        const ReceiverSetup setup{
            .namePrefix = {}, .changesPending = false, .levels = [](int) { return kFixedLevels; }};
        QString error;
        ASSERT_TRUE(receivers.start(count, setup, &error)) << error.toStdString();
        table.pollIntervalMs = kPollMs;
        table.answerTimeoutMs = kAnswerTimeoutMs;
    }

    CCommThreadMonitor& startEngine(int number = 1, bool commDebug = true) {
        EngineOptions options;
        options.commDebug = commDebug;
        options.reconnectDelayMs = kReconnectMs;
        options.ping = [this](const QString&, int, int) {
            ++pings;
            return pingAnswers.load() ? 1 : 0;
        };
        engines.push_back(std::make_unique<CCommThreadMonitor>(&table, &values, number, options));
        engines.back()->start();
        return *engines.back();
    }

    int pollsReceived(int number = 1) {
        int polls = 0;
        for (const std::string& line : simulator.receivedLines(number)) {
            polls += line == kPollLine ? 1 : 0;
        }
        return polls;
    }

    bool messageTraced(CCommThreadMonitor& engine, const QString& text) {
        return engine.trace().list(kTraceListMessages).contains(text);
    }

    SimulatedReceivers receivers;
    sim::Simulator& simulator = receivers.simulator;
    ReceiverTable& table = receivers.table;
    MonitorValueTable values;
    std::atomic<int> pings{0};
    std::atomic<bool> pingAnswers{true};
    std::vector<std::unique_ptr<CCommThreadMonitor>> engines;
};

} // namespace

TEST_F(MonitorEngineTest, ConnectSendsPendingChangesOnceThenPollsIntoTheMonitorValues) {
    startSimulator();
    ReceiverRecord& record = table.byNumber(1);
    record.name = "MIC1";
    record.setFrequencyText("711.250");
    record.freqChanged = 1;
    record.nameChanged = 1;
    CCommThreadMonitor& engine = startEngine();
    // An engine marks its receiver when it is created.
    EXPECT_TRUE(waitUntil([&] { return record.commState == kCommOk; }));
    engine.post(kEvMonitorStart);
    ASSERT_TRUE(waitUntil([&] { return pollsReceived() >= 3; }));
    const auto lines = simulator.receivedLines(1);
    EXPECT_EQ(lines.front(), ":FREQ 711.250;:NAME \"MIC1\";:REMOTE 1;:FREQ?");
    EXPECT_EQ(record.freqChanged, 0);
    EXPECT_EQ(record.nameChanged, 0);
    EXPECT_EQ(simulator.state(1).name, "MIC1");

    const MonitorValues& entry = values.byNumber(1);
    ASSERT_TRUE(waitUntil([&] { return entry.rfLevelA != kNoLevel; }));
    EXPECT_EQ(entry.freqKhz, 711250);
    EXPECT_EQ(entry.rfLevelA, -455);
    EXPECT_EQ(entry.rfLevelB, -600);
    EXPECT_EQ(entry.afLevel, -123);
    EXPECT_EQ(entry.battery, 3);
    EXPECT_EQ(entry.antennaSelect, 1);
    EXPECT_EQ(entry.mute, 0);
    EXPECT_EQ(record.commState, kCommOk);
    EXPECT_EQ(engine.runState(), kMonitorRunning);
    EXPECT_EQ(engine.connectionState(), kEngineConnected);
    EXPECT_TRUE(messageTraced(engine, "Start Request."));
    EXPECT_TRUE(messageTraced(engine, "Connected."));
}

TEST_F(MonitorEngineTest, WithoutPendingChangesTheConnectLineIsRemoteOnAndPollingKeepsThePace) {
    startSimulator();
    CCommThreadMonitor& engine = startEngine();
    engine.post(kEvMonitorStart);
    ASSERT_TRUE(simulator.waitForReceived(1, 1, 3000));
    EXPECT_EQ(simulator.receivedLines(1).front(), ":REMOTE 1;:LOCK?");
    simulator.clearReceivedLines(1);
    constexpr int kWatchMs = 15 * kPollMs;
    runEventsFor(kWatchMs);
    const int polls = pollsReceived();
    EXPECT_GE(polls, 2);
    EXPECT_LE(polls, kWatchMs / kPollMs + 1); // one poll per tick at most
    EXPECT_EQ(simulator.acceptedConnections(1), 1);
}

TEST_F(MonitorEngineTest, SilentReceiverTimesOutAndIsReconnectedAfterTheDelay) {
    startSimulator();
    CCommThreadMonitor& engine = startEngine();
    engine.post(kEvMonitorStart);
    ASSERT_TRUE(waitUntil([&] { return pollsReceived() >= 1; }));
    simulator.setFault(1, sim::makeFault(sim::FaultKind::Silent));
    ASSERT_TRUE(waitUntil([&] { return table.byNumber(1).commState == kCommError; }));
    EXPECT_TRUE(messageTraced(engine, "Answer Timeout"));
    ASSERT_TRUE(waitUntil([&] { return simulator.openConnections(1) == 0; }, 1000));
    runEventsFor(kReconnectMs / 4);
    EXPECT_EQ(simulator.acceptedConnections(1), 1); // not before the delay
    simulator.setFault(1, sim::Fault{});
    ASSERT_TRUE(waitUntil([&] { return simulator.acceptedConnections(1) == 2; }, 3000));
    ASSERT_TRUE(waitUntil([&] { return table.byNumber(1).commState == kCommOk; }));
}

TEST_F(MonitorEngineTest, ThreeFieldPollAnswerFailsButKeepsTheValuesRead) {
    startSimulator();
    simulator.setFault(1, sim::makeFault(sim::FaultKind::ShortAnswer));
    CCommThreadMonitor& engine = startEngine();
    engine.post(kEvMonitorStart);
    ASSERT_TRUE(waitUntil([&] { return messageTraced(engine, "Answer Data Shortage [3/6]"); }));
    // The engine traces the shortage before it marks the receiver.
    EXPECT_TRUE(waitUntil([&] { return table.byNumber(1).commState == kCommError; }));
    const MonitorValues& entry = values.byNumber(1);
    EXPECT_EQ(entry.rfLevelA, -455);
    EXPECT_EQ(entry.afLevel, -123);
    EXPECT_EQ(entry.battery, -1);
    EXPECT_TRUE(waitUntil([&] { return simulator.openConnections(1) == 0; }, 1000));
}

TEST_F(MonitorEngineTest, ReceiverClosingMarksTheErrorAndReconnects) {
    startSimulator();
    CCommThreadMonitor& engine = startEngine();
    engine.post(kEvMonitorStart);
    ASSERT_TRUE(waitUntil([&] { return pollsReceived() >= 1; }));
    simulator.setFault(1, sim::makeFault(sim::FaultKind::CloseMidAnswer));
    ASSERT_TRUE(waitUntil([&] { return messageTraced(engine, "DisConnect"); }));
    EXPECT_EQ(table.byNumber(1).commState, kCommError);
    simulator.setFault(1, sim::Fault{});
    ASSERT_TRUE(waitUntil([&] { return table.byNumber(1).commState == kCommOk; }, 3000));
    EXPECT_TRUE(waitUntil([&] { return simulator.acceptedConnections(1) >= 2; }));
}

TEST_F(MonitorEngineTest, PingFailureRetriesAfterTheDelayUntilStopped) {
    startSimulator();
    pingAnswers = false;
    CCommThreadMonitor& engine = startEngine();
    engine.post(kEvMonitorStart);
    ASSERT_TRUE(waitUntil([&] { return pings >= 2; }, 3000));
    EXPECT_TRUE(messageTraced(engine, "Ping Timeout"));
    EXPECT_EQ(table.byNumber(1).commState, kCommError);
    engine.post(kEvMonitorStop);
    ASSERT_TRUE(waitUntil([&] { return engine.runState() == kMonitorStopped; }));
    const int pingsAtStop = pings;
    runEventsFor(kReconnectMs + 200);
    EXPECT_EQ(pings, pingsAtStop);
    EXPECT_EQ(simulator.acceptedConnections(1), 0);
}

TEST_F(MonitorEngineTest, StopWhileAwaitingAnAnswerEndsRemoteControlWhenTheAnswerComes) {
    startSimulator();
    table.answerTimeoutMs = 3000;
    CCommThreadMonitor& engine = startEngine();
    engine.post(kEvMonitorStart);
    ASSERT_TRUE(waitUntil([&] { return pollsReceived() >= 1; }));
    constexpr int kLateMs = 400;
    simulator.setFault(1, sim::makeFault(sim::FaultKind::Late, kLateMs));
    simulator.clearReceivedLines(1);
    ASSERT_TRUE(simulator.waitForReceived(1, 1, 2000)); // a poll whose answer is now late
    engine.post(kEvMonitorStop);
    runEventsFor(kLateMs / 4);
    EXPECT_EQ(simulator.receivedLines(1).back(), kPollLine); // nothing sent at once
    EXPECT_EQ(engine.runState(), kMonitorRunning);
    ASSERT_TRUE(waitUntil([&] { return engine.runState() == kMonitorStopped; }, 3000));
    ASSERT_TRUE(waitUntil([&] { return simulator.receivedLines(1).back() == ":REMOTE 0"; }));
    EXPECT_TRUE(waitUntil([&] { return simulator.openConnections(1) == 0; }));
    EXPECT_TRUE(messageTraced(engine, "Stop Request.  [wait:1]"));
    runEventsFor(kReconnectMs);
    EXPECT_EQ(simulator.acceptedConnections(1), 1);
}

TEST_F(MonitorEngineTest, DataTraceShowsSentCommandsAndReceivedBlocks) {
    startSimulator();
    CCommThreadMonitor& engine = startEngine(1, false);
    engine.trace().setDataTraceOn(true);
    engine.post(kEvMonitorStart);
    const TraceList& data = engine.trace().list(kTraceListData);
    const QString pollSent = QString("Send %1\r\n").arg(QString::fromStdString(kPollLine));
    // The answer to the connect-time command may be traced before the first poll is sent.
    EXPECT_TRUE(waitUntil([&] { return data.contains("Recv(size:") && data.contains(pollSent); }));
    EXPECT_EQ(engine.trace().list(kTraceListMessages).lineCount(), 0); // comm/debug is off
}

TEST_F(MonitorEngineTest, SixtyEnginesPollSixtyReceiversAndStopTogether) {
    constexpr int kCount = kMaxReceivers;
    startSimulator(kCount);
    for (int n = 1; n <= kCount; ++n) {
        startEngine(n, false).post(kEvMonitorStart);
    }
    const auto allPolled = [&] {
        for (int n = 1; n <= kCount; ++n) {
            if (values.byNumber(n).rfLevelA != -455 || table.byNumber(n).commState != kCommOk) {
                return false;
            }
        }
        return true;
    };
    ASSERT_TRUE(waitUntil(allPolled, 20000));
    for (auto& engine : engines) {
        engine->post(kEvMonitorStop);
    }
    for (int n = 1; n <= kCount; ++n) {
        ASSERT_TRUE(waitUntil([&] { return engines[n - 1]->runState() == kMonitorStopped; }, 5000));
        ASSERT_TRUE(waitUntil([&] { return simulator.receivedLines(n).back() == ":REMOTE 0"; }));
    }
    for (auto& engine : engines) {
        engine->requestQuit();
    }
    for (auto& engine : engines) {
        EXPECT_TRUE(engine->waitForEnd(kMonitorQuitWaitMs));
    }
}
