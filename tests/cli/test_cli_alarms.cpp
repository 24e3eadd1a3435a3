// Every alarm kind end to end: simulated receivers set up through the simulator's rehearsal
// control, tessaly-cli monitor --json --journal as a child process, all on loopback.

#include "journal/alarm_journal.h"
#include "sim/control_channel.h"
#include "sim/simulator.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTime>

#include <set>

using namespace tessaly;
using tessaly::testing::TempDir;

namespace {

constexpr int kReceivers = 10;
constexpr int kRunSeconds = 12;

// Receiver number and the alarm kind the control lines below give it.
const std::vector<std::pair<int, QString>> kExpected{
    {1, "battery-low"},
    {2, "battery-critical"},
    {3, "rf-loss"},
    {4, "clip"},
    {5, "muted"},
    {6, "frequency-conflict"},
    {7, "frequency-conflict"},
    {8, "offline"},
    {9, "battery-forecast"},
};

TEST(CliAlarms, EveryKindStartsAndClearsThroughTheJsonOutputAndTheJournal) {
    sim::Simulator simulator;
    sim::SimulatorOptions options;
    options.count = kReceivers;
    options.port = sim::findFreeLoopbackPort(QHostAddress("127.0.0.1"), kReceivers);
    ASSERT_NE(options.port, 0);
    ASSERT_TRUE(simulator.start(options));
    sim::ControlChannel control(simulator);
    for (const char* line :
         {"all battery 4", "all rf -60 -60", "all af -20", "all mute 0", "1 battery 1",
          "2 battery 0", "3 rf -95 -96", "4 af 19", "5 mute 1", "8 down", "9 drain 2"}) {
        ASSERT_EQ(control.handleLine(line), "ok") << line;
    }

    TempDir dir;
    dir.write("Tessaly.ini", "[comm]\r\nportno=" + std::to_string(simulator.port()) +
                                 "\r\ntimeout=1000\r\n[alarm]\r\nmuted=1\r\nhold_s=1\r\n"
                                 "station=TEST\r\n");
    const QString showEnd = QTime::currentTime().addSecs(2 * 3600).toString("HH:mm");
    std::string env = "[show]\r\nend=" + showEnd.toStdString() +
                      "\r\n[receiver]\r\ncnt=" + std::to_string(kReceivers) + "\r\n";
    for (int n = 1; n <= kReceivers; ++n) {
        const int mhz = n == 7 ? 706 : 700 + n; // 6 and 7 share a frequency
        env += "[recv" + std::to_string(n) + "]\r\nip=127.0.0." + std::to_string(n) +
               "\r\nname=RX" + std::to_string(n) + "\r\nfreq=" + std::to_string(mhz) + ".125\r\n";
    }
    dir.write("show.ini", env);

    QProcess cli;
    cli.setWorkingDirectory(QString::fromStdString(dir.path()));
    cli.start(TESSALY_CLI_PATH, {"monitor", "show.ini", "--seconds", QString::number(kRunSeconds),
                                 "--json", "--journal", "journal.jsonl"});
    ASSERT_TRUE(cli.waitForStarted());
    std::set<std::pair<int, QString>> started;
    std::set<std::pair<int, QString>> cleared;
    bool rfRestored = false;
    QDeadlineTimer deadline((kRunSeconds + 20) * 1000);
    while (cli.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        cli.waitForReadyRead(200);
        while (cli.canReadLine()) {
            const QJsonObject o = QJsonDocument::fromJson(cli.readLine()).object();
            if (o["type"].toString() != "alarm") {
                continue;
            }
            const std::pair<int, QString> key{o["receiver"].toInt(), o["kind"].toString()};
            EXPECT_TRUE(o["time"].toString().contains('T'));
            EXPECT_TRUE(o["severity"].toString() == "critical" ||
                        o["severity"].toString() == "warning");
            (o["event"].toString() == "start" ? started : cleared).insert(key);
            // RF comes back while monitoring runs: the alarm clears after the hold.
            if (key == std::pair<int, QString>{3, "rf-loss"} && !rfRestored) {
                ASSERT_EQ(control.handleLine("3 rf -60 -60"), "ok");
                rfRestored = true;
            }
        }
    }
    // Receiver 8 stays down to the end, which the exit status reports.
    ASSERT_EQ(cli.exitCode(), 1) << cli.readAllStandardError().toStdString();
    for (const auto& expected : kExpected) {
        EXPECT_TRUE(started.count(expected))
            << expected.first << " " << expected.second.toStdString();
        EXPECT_TRUE(cleared.count(expected))
            << expected.first << " " << expected.second.toStdString();
    }
    for (const auto& [number, kind] : started) {
        EXPECT_NE(number, kReceivers) << "the healthy receiver alarmed: " << kind.toStdString();
    }

    const JournalReadResult journal =
        readJournal(QString::fromStdString(dir.file("journal.jsonl")));
    EXPECT_EQ(journal.skippedLines, 0);
    std::set<std::pair<int, QString>> journaled;
    for (const QJsonObject& o : journal.entries) {
        EXPECT_EQ(o["station"].toString(), "TEST");
        if (o["event"].toString() == "start") {
            journaled.insert({o["receiver"].toInt(), o["kind"].toString()});
        }
    }
    EXPECT_EQ(journaled, started);
}

} // namespace
