// Every fault a simulated receiver can throw, against both engines: the result or communication
// state each one must produce, the reconnect after the retry delay, and the other receivers left
// alone while one misbehaves.
#include "comm/comm_thread_config.h"
#include "comm/comm_thread_monitor.h"
#include "protocol/command_builder.h"
#include "tests/support/message_recorder.h"
#include "tests/support/simulated_receivers.h"

#include <QTcpSocket>

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kReceivers = 3;
constexpr int kFaulty = 2; // the receiver that misbehaves; 1 and 3 must not notice
constexpr int kPollMs = 30;
constexpr int kAnswerTimeoutMs = 400;
constexpr int kReconnectMs = 300;
constexpr int kRebootRefuseMs = 2 * kReconnectMs;
constexpr int kLateBeyondTimeoutMs = kAnswerTimeoutMs + 400;
constexpr int kLateWithinTimeoutMs = kAnswerTimeoutMs / 4;
constexpr int kWaitMs = 8000;
constexpr int kFailedAttemptsWatched = 2; // reconnect gaps measured while a fault persists
constexpr int kPollsUnderHarmlessFault = 5;

// What happens to the faulty receiver, besides Fault kinds the simulator plays on its own.
enum class Mishap { Fault, Reboot, KillAndRestart };

enum class Expect {
    Holds, // the connection stays up and the values arrive intact
    Fails, // the receiver is marked in error and reconnected after the retry delay
};

struct FaultCase {
    const char* name;
    Mishap mishap;
    sim::Fault fault;
    Expect monitorExpect;
    const char* monitorTrace; // a message the monitor engine must trace, when it fails
    int configResult;         // result of an exchange under the fault
    const char* configText;   // start of the message text after a nonzero result
};

const std::vector<FaultCase>& faultCases() {
    using sim::FaultKind;
    using sim::makeFault;
    static const std::vector<FaultCase> cases = {
        {"refused connect", Mishap::Fault, makeFault(FaultKind::Refuse), Expect::Fails,
         "Connect Error", kConfigResultConnectError, "Connect Error"},
        {"no answer", Mishap::Fault, makeFault(FaultKind::Silent), Expect::Fails, "Answer Timeout",
         kConfigResultAnswerTimeout, "Answer Timeout (:NAME?)"},
        {"late answer", Mishap::Fault, makeFault(FaultKind::Late, kLateBeyondTimeoutMs),
         Expect::Fails, "Answer Timeout", kConfigResultAnswerTimeout, "Answer Timeout"},
        {"answer late within the timeout", Mishap::Fault,
         makeFault(FaultKind::Late, kLateWithinTimeoutMs), Expect::Holds, nullptr, kConfigResultOk,
         nullptr},
        {"close mid-answer", Mishap::Fault, makeFault(FaultKind::CloseMidAnswer), Expect::Fails,
         "DisConnect", kConfigResultDisconnected, "DisConnect"},
        // Configuration queries ask for one value each, so only the poll comes up short.
        {"short poll answer", Mishap::Fault, makeFault(FaultKind::ShortAnswer), Expect::Fails,
         "Answer Data Shortage [3/6]", kConfigResultOk, nullptr},
        {"garbage", Mishap::Fault, makeFault(FaultKind::Garbage), Expect::Fails,
         "Answer Data Shortage", kConfigResultOk, nullptr},
        {"300-character lines", Mishap::Fault, makeFault(FaultKind::LongLine, 300), Expect::Holds,
         nullptr, kConfigResultOk, nullptr},
        {"32 KiB blocks", Mishap::Fault, makeFault(FaultKind::LargeBlock, 32 * 1024), Expect::Holds,
         nullptr, kConfigResultOk, nullptr},
        {"byte-by-byte delivery", Mishap::Fault, makeFault(FaultKind::ByteByByte, 1), Expect::Holds,
         nullptr, kConfigResultOk, nullptr},
        {"blank line before each answer", Mishap::Fault, makeFault(FaultKind::BlankLineFirst),
         Expect::Holds, nullptr, kConfigResultOk, nullptr},
        {"reboot",
         Mishap::Reboot,
         {},
         Expect::Fails,
         "DisConnect",
         kConfigResultConnectError,
         "Connect Error"},
        {"receiver killed and restarted",
         Mishap::KillAndRestart,
         {},
         Expect::Fails,
         "DisConnect",
         kConfigResultConnectError,
         "Connect Error"},
    };
    return cases;
}

// RF A tells the receivers' values apart; then RF B, AF, battery, antenna B, not muted.
sim::LiveLevels fixedLevels(int number) {
    return {-40.0 - number, -60.0, -12.3, 3, 1, 0};
}

int32_t expectedRfA(int number) {
    return static_cast<int32_t>(-10 * (40 + number));
}

// Three simulated receivers with fixed levels, a table pointing at them, and connect attempts
// (pings) time-stamped per receiver.
class FaultMatrix : public ::testing::Test {
protected:
    void SetUp() override {
        ReceiverSetup setup{.namePrefix = "MIC", .changesPending = false, .levels = fixedLevels};
        setup.simulator.rebootRefuseMs = kRebootRefuseMs;
        setup.adjust = [](int n, sim::ReceiverState& state) {
            state.name = "STAGE" + std::to_string(n);
            state.freqKhz = 711000 + 25 * n;
        };
        QString error;
        ASSERT_TRUE(receivers.start(kReceivers, setup, &error)) << error.toStdString();
        table.pollIntervalMs = kPollMs;
        table.answerTimeoutMs = kAnswerTimeoutMs;
    }
    void TearDown() override { simulator.stop(); }

    EngineOptions engineOptions() {
        EngineOptions options;
        options.reconnectDelayMs = kReconnectMs;
        options.commDebug = true; // the monitor engine traces its messages only then
        options.ping = [this](const QString& ip, int, int) {
            std::lock_guard lock(pingMutex);
            pings[ip.toStdString()].push_back(Clock::now());
            return 1;
        };
        return options;
    }

    std::vector<Clock::time_point> pingsOf(int number) {
        std::lock_guard lock(pingMutex);
        return pings[table.byNumber(number).ip];
    }

    // Starts the mishap on the faulty receiver; the fault kinds take effect for the next line.
    void begin(const FaultCase& c) {
        switch (c.mishap) {
        case Mishap::Fault:
            simulator.setFault(kFaulty, c.fault);
            break;
        case Mishap::Reboot: {
            QTcpSocket client;
            client.connectToHost(simulator.address(kFaulty), simulator.port());
            ASSERT_TRUE(client.waitForConnected(kWaitMs));
            client.write(":SYST:REBOOT\r\n");
            ASSERT_TRUE(client.waitForBytesWritten(kWaitMs));
            ASSERT_TRUE(waitUntil([&] { return simulator.isRebooting(kFaulty); }, kWaitMs));
            break;
        }
        case Mishap::KillAndRestart:
            simulator.stopReceiver(kFaulty);
            break;
        }
    }

    // Ends the mishap; a reboot ends by itself.
    void end(const FaultCase& c) {
        switch (c.mishap) {
        case Mishap::Fault:
            simulator.setFault(kFaulty, sim::Fault{});
            break;
        case Mishap::Reboot:
            ASSERT_TRUE(waitUntil([&] { return !simulator.isRebooting(kFaulty); }, kWaitMs));
            break;
        case Mishap::KillAndRestart: {
            QString error;
            ASSERT_TRUE(simulator.startReceiver(kFaulty, &error)) << error.toStdString();
            break;
        }
        }
    }

    int pollsAnswered(int number) {
        int polls = 0;
        for (const std::string& line : simulator.receivedLines(number)) {
            polls += line == kPollCommandText ? 1 : 0;
        }
        return polls;
    }

    SimulatedReceivers receivers;
    sim::Simulator& simulator = receivers.simulator;
    ReceiverTable& table = receivers.table;
    MonitorValueTable values;
    std::mutex pingMutex;
    std::map<std::string, std::vector<Clock::time_point>> pings;
};

// Consecutive connect attempts must lie at least the retry delay apart.
void expectRetryDelayBetween(const std::vector<Clock::time_point>& attempts, size_t from) {
    for (size_t i = from + 1; i < attempts.size(); ++i) {
        const auto gap =
            std::chrono::duration_cast<std::chrono::milliseconds>(attempts[i] - attempts[i - 1]);
        EXPECT_GE(gap.count(), kReconnectMs * 9 / 10) << "attempt " << i; // coarse timers: 5% early
    }
}

class MonitorFaultMatrix : public FaultMatrix, public ::testing::WithParamInterface<size_t> {};
class ConfigFaultMatrix : public FaultMatrix, public ::testing::WithParamInterface<size_t> {};

std::string caseName(const ::testing::TestParamInfo<size_t>& info) {
    std::string name;
    for (const char c : std::string(faultCases()[info.param].name)) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
}

} // namespace

TEST_P(MonitorFaultMatrix, FaultyReceiverGetsItsOutcomeAndTheOthersPollOn) {
    const FaultCase& c = faultCases()[GetParam()];
    const bool refusesFromStart =
        c.mishap == Mishap::Fault && c.fault.kind == sim::FaultKind::Refuse;
    if (refusesFromStart) {
        begin(c); // open connections survive a refusing receiver, so refuse before the first
    }
    std::vector<std::unique_ptr<CCommThreadMonitor>> engines;
    for (int n = 1; n <= kReceivers; ++n) {
        engines.push_back(
            std::make_unique<CCommThreadMonitor>(&table, &values, n, engineOptions()));
        engines.back()->start();
        engines.back()->post(kEvMonitorStart);
    }
    CCommThreadMonitor& faulty = *engines[kFaulty - 1];
    const auto healthy = [&](int n) {
        return table.byNumber(n).commState == kCommOk &&
               values.byNumber(n).rfLevelA == expectedRfA(n);
    };
    for (int n = 1; n <= kReceivers; ++n) {
        if (n != kFaulty || !refusesFromStart) {
            ASSERT_TRUE(waitUntil([&] { return healthy(n); }, kWaitMs)) << "receiver " << n;
        }
    }
    const int othersPollsBefore = pollsAnswered(1) + pollsAnswered(3);
    const size_t attemptsBefore = refusesFromStart ? 0 : pingsOf(kFaulty).size();
    if (!refusesFromStart) {
        begin(c);
    }

    if (c.monitorExpect == Expect::Fails) {
        ASSERT_TRUE(
            waitUntil([&] { return table.byNumber(kFaulty).commState == kCommError; }, kWaitMs));
        ASSERT_TRUE(waitUntil(
            [&] { return faulty.trace().list(kTraceListMessages).contains(c.monitorTrace); },
            kWaitMs))
            << c.monitorTrace;
        // While the fault lasts the engine keeps trying, the retry delay apart.
        const size_t watched = attemptsBefore + kFailedAttemptsWatched + 1;
        if (c.mishap != Mishap::Reboot) {
            ASSERT_TRUE(waitUntil([&] { return pingsOf(kFaulty).size() >= watched; }, kWaitMs));
        }
        const auto attempts = pingsOf(kFaulty);
        expectRetryDelayBetween(attempts, attemptsBefore == 0 ? 0 : attemptsBefore - 1);
        values.byNumber(kFaulty).rfLevelA = kNoLevel; // fresh values must come after the reconnect
        end(c);
        ASSERT_TRUE(waitUntil([&] { return healthy(kFaulty); }, kWaitMs));
        EXPECT_EQ(faulty.runState(), kMonitorRunning);
        EXPECT_EQ(faulty.connectionState(), kEngineConnected);
    } else {
        // A harmless fault: several polls answered through it on the first connection.
        simulator.clearReceivedLines(kFaulty);
        ASSERT_TRUE(
            waitUntil([&] { return pollsAnswered(kFaulty) >= kPollsUnderHarmlessFault; }, kWaitMs));
        values.byNumber(kFaulty).rfLevelA = kNoLevel;
        ASSERT_TRUE(
            waitUntil([&] { return values.byNumber(kFaulty).rfLevelA != kNoLevel; }, kWaitMs));
        EXPECT_EQ(values.byNumber(kFaulty).rfLevelA, expectedRfA(kFaulty));
        EXPECT_EQ(values.byNumber(kFaulty).mute, 0);
        EXPECT_EQ(table.byNumber(kFaulty).commState, kCommOk);
        EXPECT_EQ(simulator.acceptedConnections(kFaulty), 1);
        end(c);
    }

    // The neighbours never lost their connection and were polled all along.
    for (int n : {1, 3}) {
        EXPECT_TRUE(healthy(n)) << "receiver " << n;
        EXPECT_EQ(simulator.acceptedConnections(n), 1) << "receiver " << n;
        EXPECT_FALSE(engines[n - 1]->trace().list(kTraceListMessages).contains("DisConnect"));
    }
    EXPECT_GT(pollsAnswered(1) + pollsAnswered(3), othersPollsBefore);

    for (auto& engine : engines) {
        engine->post(kEvMonitorStop);
    }
    for (auto& engine : engines) {
        EXPECT_TRUE(waitUntil([&] { return engine->runState() == kMonitorStopped; }, kWaitMs));
        EXPECT_TRUE(engine->stop());
    }
}

TEST_P(ConfigFaultMatrix, ExchangeEndsWithItsResultAndTheEngineServesTheNextReceiver) {
    const FaultCase& c = faultCases()[GetParam()];
    MessageRecorder<> requester;
    CCommThreadConfig engine(&table, &requester, engineOptions());
    engine.start();
    ASSERT_TRUE(requester.waitFor(kEvConfigReady, 1, kWaitMs));

    int exchanges = 0;
    const auto download = [&](int number) {
        table.setMask = kDownloadSetMask;
        table.getMask = kDownloadGetMask;
        table.byNumber(number).name.clear();
        table.byNumber(number).setFrequencyText("0.000");
        ++exchanges;
        EXPECT_TRUE(engine.post(kEvConfigStart, number));
        if (!requester.waitFor(kEvConfigResult, exchanges, kWaitMs)) {
            return -1;
        }
        return static_cast<int>(requester.messages().back().value);
    };
    const auto downloadedIntact = [&](int number) {
        const ReceiverRecord& record = table.byNumber(number);
        return record.name == "STAGE" + std::to_string(number) &&
               record.freqKhz == 711000 + 25 * number;
    };

    begin(c);
    const int result = download(kFaulty);
    ASSERT_EQ(result, c.configResult);
    if (c.configText != nullptr) {
        EXPECT_TRUE(engine.messageText().startsWith(c.configText))
            << engine.messageText().toStdString();
    } else if (c.mishap == Mishap::Fault && (c.fault.kind == sim::FaultKind::LongLine ||
                                             c.fault.kind == sim::FaultKind::LargeBlock ||
                                             c.fault.kind == sim::FaultKind::ByteByByte ||
                                             c.fault.kind == sim::FaultKind::BlankLineFirst ||
                                             c.fault.kind == sim::FaultKind::ShortAnswer ||
                                             c.fault.kind == sim::FaultKind::Late)) {
        EXPECT_TRUE(downloadedIntact(kFaulty))
            << table.byNumber(kFaulty).name << " " << table.byNumber(kFaulty).freqKhz;
    }

    // The engine goes on with the next receiver, and with this one once it behaves.
    ASSERT_EQ(download(1), kConfigResultOk);
    EXPECT_TRUE(downloadedIntact(1));
    end(c);
    ASSERT_EQ(download(kFaulty), kConfigResultOk);
    EXPECT_TRUE(downloadedIntact(kFaulty));

    // Exactly one result per exchange, none straggling in late.
    runEventsFor(kAnswerTimeoutMs + kReconnectMs);
    EXPECT_EQ(requester.count(kEvConfigResult), exchanges);
    EXPECT_TRUE(engine.stop());
}

INSTANTIATE_TEST_SUITE_P(Faults, MonitorFaultMatrix,
                         ::testing::Range<size_t>(0, faultCases().size()), caseName);
INSTANTIATE_TEST_SUITE_P(Faults, ConfigFaultMatrix,
                         ::testing::Range<size_t>(0, faultCases().size()), caseName);
