// tessaly-cli monitor --history against simulated receivers on loopback, killed mid-run, and
// tessaly-cli history reading a file back as CSV with its filters.

#include "history/history_file.h"
#include "history/history_recorder.h"
#include "sim/simulator.h"
#include "tests/support/show_snapshots.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_until.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QProcess>

using namespace tessaly;
using namespace tessaly::history;
using tessaly::testing::TempDir;

namespace {

constexpr int kReceivers = 3;

TEST(CliHistory, AMonitorKilledWhileRecordingLeavesAReadableFile) {
    sim::Simulator simulator;
    sim::SimulatorOptions options;
    options.count = kReceivers;
    options.port = sim::findFreeLoopbackPort(QHostAddress("127.0.0.1"), kReceivers);
    ASSERT_NE(options.port, 0);
    ASSERT_TRUE(simulator.start(options));
    TempDir dir;
    dir.write("Tessaly.ini", "[comm]\r\nportno=" + std::to_string(simulator.port()) + "\r\n");
    std::string env = "[receiver]\r\ncnt=" + std::to_string(kReceivers) + "\r\n";
    for (int n = 1; n <= kReceivers; ++n) {
        env += "[recv" + std::to_string(n) + "]\r\nip=127.0.0." + std::to_string(n) +
               "\r\nname=RX" + std::to_string(n) + "\r\n";
    }
    dir.write("show.ini", env);
    const QString path = QString::fromStdString(dir.file("show.sqlite"));

    QProcess cli;
    cli.setWorkingDirectory(QString::fromStdString(dir.path()));
    cli.start(TESSALY_CLI_PATH, {"monitor", "show.ini", "--history", "show.sqlite"});
    ASSERT_TRUE(cli.waitForStarted());
    // Live rows of every receiver, in several batches, before the kill.
    const auto liveRows = [&] {
        if (!QFile::exists(path)) {
            return size_t{0};
        }
        HistoryReader reader(path);
        size_t live = 0;
        for (const HistoryRow& row : reader.rows(0, INT64_MAX / 2)) {
            live += row.state == HistoryState::Live && row.rfAMin.has_value() ? 1 : 0;
        }
        return live;
    };
    EXPECT_TRUE(tessaly::testing::waitUntil([&] { return liveRows() >= 4 * kReceivers; }, 20000));
    cli.kill();
    ASSERT_TRUE(cli.waitForFinished(5000));

    HistoryReader reader(path);
    ASSERT_TRUE(reader.isOpen()) << reader.errorText().toStdString();
    const auto receivers = reader.receivers();
    ASSERT_EQ(receivers.size(), size_t{kReceivers});
    EXPECT_EQ(receivers[1].name, "RX2");
    EXPECT_GE(liveRows(), size_t{4 * kReceivers});
}

// A file of receivers 1 and 2 over ten seconds from 21:00:00 local time today.
class CliHistoryCsv : public ::testing::Test {
protected:
    void SetUp() override {
        start_ = QDateTime(QDate::currentDate(), QTime(21, 0)).toMSecsSinceEpoch();
        HistoryOptions options;
        options.path = path();
        HistoryRecorder recorder(options);
        for (int i = 0; i < 100; ++i) {
            recorder.add(std::make_shared<show::ShowSnapshot>(tessaly::testing::showSnapshot(
                start_ + i * 100,
                {{.receiver = 1, .rfA = -600 - i, .name = "Lead, \"A\""}, {.receiver = 2}})));
        }
        ASSERT_TRUE(recorder.flush(5000));
    }
    QString path() const { return QString::fromStdString(dir_.file("h.sqlite")); }

    // Exit code and output lines of tessaly-cli history with these arguments.
    std::pair<int, QStringList> run(const QStringList& arguments) {
        QProcess cli;
        cli.start(TESSALY_CLI_PATH, QStringList{"history", path()} + arguments);
        EXPECT_TRUE(cli.waitForFinished(10000));
        const QString text = QString::fromUtf8(cli.readAllStandardOutput());
        return {cli.exitCode(), text.split("\r\n", Qt::SkipEmptyParts)};
    }

    TempDir dir_;
    int64_t start_ = 0;
};

TEST_F(CliHistoryCsv, PrintsEveryRowWithTheHeaderAndQuotedNames) {
    const auto [code, lines] = run({"--csv"});
    EXPECT_EQ(code, 0);
    ASSERT_EQ(lines.size(), 21); // header, 2 receivers x 10 seconds
    EXPECT_TRUE(lines[0].startsWith("time,receiver,name,state,rf_a_min"));
    EXPECT_EQ(lines[1], historyTimeText(start_ / 1000) +
                            ",1,\"Lead, \"\"A\"\"\",live,-60.9,-60.0,-65.0,-65.0,-20.0,4,A,0,0");
}

struct Filter {
    const char* name;
    QStringList arguments;
    int rows;
    int firstReceiver;
};

class CliHistoryFilter : public CliHistoryCsv, public ::testing::WithParamInterface<Filter> {};

TEST_P(CliHistoryFilter, KeepsTheRowsAsked) {
    const auto [code, lines] = run(QStringList{"--csv"} + GetParam().arguments);
    EXPECT_EQ(code, 0);
    ASSERT_EQ(lines.size(), GetParam().rows + 1);
    if (GetParam().rows > 0) {
        EXPECT_TRUE(lines[1].contains(QStringLiteral(",%1,").arg(GetParam().firstReceiver)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Filters, CliHistoryFilter,
    ::testing::Values(
        Filter{"receiver", {"--receiver", "2"}, 10, 2},
        Filter{"clockRangeInclusive", {"--from", "21:00:03", "--to", "21:00:05"}, 6, 1},
        Filter{"clockFromOnly", {"--from", "21:00:08", "--receiver", "1"}, 2, 1},
        Filter{"isoTo", {"--to", QDate::currentDate().toString("yyyy-MM-dd") + " 21:00"}, 2, 1},
        Filter{"nothingBefore", {"--to", "20:59"}, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliHistoryCsv, RefusesAnUnreadableTimeAndFile) {
    EXPECT_EQ(run({"--csv", "--from", "9pm"}).first, 2);
    EXPECT_EQ(run({"--csv", "--to", "25:00"}).first, 2);
    QProcess cli;
    cli.start(TESSALY_CLI_PATH, {"history", QString::fromStdString(dir_.file("none.sqlite"))});
    ASSERT_TRUE(cli.waitForFinished(10000));
    EXPECT_EQ(cli.exitCode(), 3);
}

} // namespace
