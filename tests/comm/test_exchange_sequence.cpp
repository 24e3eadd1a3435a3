// The upload, download and get-information sequences against simulated receivers on loopback.

#include "comm/exchange_sequence.h"
#include "protocol/command_builder.h"
#include "tests/support/simulated_receivers.h"
#include "tests/support/wait_until.h"

#include <gtest/gtest.h>

using namespace tessaly;
using tessaly::testing::waitUntil;

namespace {

struct Progress {
    std::vector<int> started;
    std::vector<std::pair<int, int>> results; // number, result
    std::vector<QString> details;
    bool finished = false;
    bool stopped = false;
};

class ExchangeSequenceTest : public ::testing::Test {
protected:
    void startSimulator(int count) {
        QString error;
        ASSERT_TRUE(receivers_.start(count, {}, &error)) << error.toStdString();
    }

    static EngineOptions fastOptions() {
        EngineOptions options;
        options.ping = [](const QString&, int, int) { return 1; };
        return options;
    }

    void watch(ExchangeSequence& sequence, Progress& progress) {
        QObject::connect(&sequence, &ExchangeSequence::exchangeStarted,
                         [&progress](int number, int, int) { progress.started.push_back(number); });
        QObject::connect(&sequence, &ExchangeSequence::exchangeFinished,
                         [&progress](int number, int result, const QString&, const QString& d) {
                             progress.results.emplace_back(number, result);
                             progress.details.push_back(d);
                         });
        QObject::connect(&sequence, &ExchangeSequence::finished, [&progress](bool stopped) {
            progress.finished = true;
            progress.stopped = stopped;
        });
    }

    tessaly::testing::SimulatedReceivers receivers_;
    sim::Simulator& simulator_ = receivers_.simulator;
    ReceiverTable& table_ = receivers_.table;
};

} // namespace

TEST_F(ExchangeSequenceTest, DownloadGoesOnPastASilentReceiver) {
    startSimulator(3);
    simulator_.setFault(2, sim::makeFault(sim::FaultKind::Silent));
    ExchangeSequence sequence(ExchangeKind::Download, table_, fastOptions());
    Progress progress;
    watch(sequence, progress);
    sequence.start();
    ASSERT_TRUE(waitUntil([&] { return progress.finished; }, 20000));

    EXPECT_FALSE(progress.stopped);
    EXPECT_EQ(progress.started, (std::vector<int>{1, 2, 3}));
    ASSERT_EQ(progress.results.size(), 3u);
    EXPECT_EQ(progress.results[1].second, 3); // the answer timeout
    EXPECT_TRUE(progress.details[1].startsWith("OLD2\nAnswer Timeout (:NAME?)"))
        << progress.details[1].toStdString();
    const ReceiverTable& result = sequence.table();
    EXPECT_EQ(result.byNumber(1).statusText, kStatusSynchronize);
    EXPECT_EQ(result.byNumber(2).statusText, kStatusError);
    EXPECT_EQ(result.byNumber(3).statusText, kStatusSynchronize);
    EXPECT_EQ(result.byNumber(1).name, simulator_.state(1).name);
    EXPECT_EQ(result.byNumber(3).freqKhz, simulator_.state(3).freqKhz);
    EXPECT_EQ(result.byNumber(2).name, "OLD2");
    EXPECT_TRUE(sequence.dataChanged());
    EXPECT_EQ(result.byNumber(1).nameChanged, 0);
    EXPECT_EQ(result.byNumber(2).nameChanged, 1); // a failed exchange clears nothing
    EXPECT_EQ(sequence.lastFailureText(), progress.details[1]);
    EXPECT_EQ(sequence.engine(), nullptr); // ended with the run
}

TEST_F(ExchangeSequenceTest, UploadKeepsTheNameSentAndTellsTheMismatch) {
    startSimulator(2);
    const std::string longName = "LEAD VOCAL " + std::string(30, 'X'); // the receiver keeps 32
    table_.byNumber(1).name = longName;
    ExchangeSequence sequence(ExchangeKind::Upload, table_, fastOptions());
    Progress progress;
    watch(sequence, progress);
    sequence.start();
    ASSERT_TRUE(waitUntil([&] { return progress.finished; }, 20000));

    ASSERT_EQ(progress.results.size(), 2u);
    EXPECT_EQ(progress.results[0].second, 0);
    EXPECT_EQ(sequence.table().byNumber(1).name, longName);
    EXPECT_EQ(sequence.table().byNumber(1).statusText, kStatusSynchronize);
    EXPECT_FALSE(sequence.dataChanged()); // an upload reads neither name nor frequency back
    EXPECT_EQ(simulator_.state(2).name, "OLD2");
    EXPECT_EQ(simulator_.state(2).freqKhz, 710125);
    EXPECT_EQ(progress.details[0].toStdString(),
              longName +
                  " Receiver Name dose not match\n Getting Name : " + longName.substr(0, 32));
    EXPECT_EQ(sequence.lastFailureText(), progress.details[0]);
}

TEST_F(ExchangeSequenceTest, StopEndsTheRunAfterTheExchangeInProgress) {
    startSimulator(10);
    ExchangeSequence sequence(ExchangeKind::Download, table_, fastOptions());
    Progress progress;
    watch(sequence, progress);
    QObject::connect(&sequence, &ExchangeSequence::exchangeStarted,
                     [&sequence](int number, int, int) {
                         if (number == 3) {
                             sequence.requestStop();
                         }
                     });
    sequence.start();
    ASSERT_TRUE(waitUntil([&] { return progress.finished; }, 20000));

    EXPECT_TRUE(progress.stopped);
    EXPECT_EQ(progress.started, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(progress.results.size(), 3u);
    EXPECT_EQ(sequence.table().byNumber(4).statusText, "");
    EXPECT_EQ(simulator_.receivedCount(4), 0u);
}

TEST_F(ExchangeSequenceTest, InformationStartsAtTheFirstNewReceiver) {
    startSimulator(3);
    ExchangeSequence sequence(ExchangeKind::Information, table_, fastOptions());
    Progress progress;
    watch(sequence, progress);
    sequence.start(2);
    ASSERT_TRUE(waitUntil([&] { return progress.finished; }, 20000));
    EXPECT_EQ(progress.started, (std::vector<int>{2, 3}));
    EXPECT_EQ(sequence.table().setMask, kInformationSetMask);
    EXPECT_EQ(sequence.table().getMask, kInformationGetMask);
    EXPECT_EQ(sequence.table().byNumber(1).name, "OLD1");
    EXPECT_EQ(sequence.table().byNumber(3).name, simulator_.state(3).name);
}
