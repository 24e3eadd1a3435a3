#include "journal/alarm_journal.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QJsonDocument>

#include <csignal>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace tessaly;
using tessaly::testing::TempDir;

namespace {

show::AlarmEvent eventNumber(int i) {
    show::AlarmEvent e;
    e.type = show::AlarmEventType::Start;
    e.wallMs = 1'765'000'000'000 + i;
    e.receiver = i % 60 + 1;
    e.name = "Vocal \"lead\"";
    e.freqText = "606.500";
    e.kind = show::AlarmKind::BatteryLow;
    e.severity = show::Severity::Warning;
    e.value = i;
    return e;
}

// A child process appends events as fast as it can and reports each one written through a
// pipe until it is killed; returns how many it reported.
int killWriterMidRun(const QString& path, int reportsBeforeKill) {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        AlarmJournal journal({path, {}, "FOH"});
        for (int i = 0;; ++i) {
            journal.append(eventNumber(i));
            if (journal.waitWritten(5000) && ::write(fds[1], "x", 1) != 1) {
                ::_exit(1);
            }
        }
    }
    ::close(fds[1]);
    int reported = 0;
    char byte = 0;
    while (reported < reportsBeforeKill && ::read(fds[0], &byte, 1) == 1) {
        ++reported;
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(fds[0]);
    EXPECT_TRUE(WIFSIGNALED(status));
    return reported;
}

TEST(AlarmJournal, KilledWriterLosesNothingItWroteAndATornLineIsSkipped) {
    TempDir dir;
    const QString path = QString::fromStdString(dir.file("journal.jsonl"));
    const int reported = killWriterMidRun(path, 300);
    ASSERT_EQ(reported, 300);
    std::ofstream(path.toStdString(), std::ios::app) << R"({"time":"2026-12-09T21:0)";

    JournalReadResult read = readJournal(path);
    EXPECT_EQ(read.skippedLines, 1);
    ASSERT_GE(static_cast<int>(read.entries.size()), reported);
    for (size_t i = 0; i < read.entries.size(); ++i) {
        ASSERT_EQ(read.entries[i]["value"].toInt(), static_cast<int>(i)); // in order, no gaps
    }
    const size_t before = read.entries.size();

    // The next run appends after the torn line without gluing itself to it.
    {
        AlarmJournal journal({path, {}, "FOH"});
        journal.append(eventNumber(99'999));
        ASSERT_TRUE(journal.waitWritten(5000));
    }
    read = readJournal(path);
    EXPECT_EQ(read.skippedLines, 1);
    ASSERT_EQ(read.entries.size(), before + 1);
    const QJsonObject last = read.entries.back();
    EXPECT_EQ(last["value"].toInt(), 99'999);
    EXPECT_EQ(last["station"].toString(), "FOH");
    EXPECT_EQ(last["name"].toString(), "Vocal \"lead\"");
    EXPECT_EQ(last["frequency"].toString(), "606.500");
    EXPECT_EQ(last["kind"].toString(), "battery-low");
    EXPECT_EQ(last["severity"].toString(), "warning");
    EXPECT_EQ(last["event"].toString(), "start");
    EXPECT_EQ(last["receiver"].toInt(), 99'999 % 60 + 1);
    EXPECT_TRUE(last["time"].toString().contains(QRegularExpression(R"(T\d\d:\d\d:\d\d\.\d{3})")));
}

TEST(AlarmJournal, UnwritableJournalIsReportedOnceAndEventsKeepComing) {
    TempDir dir;
    dir.write("plain-file", "");
    AlarmJournal journal({QString::fromStdString(dir.file("plain-file/journal.jsonl")), {}, {}});
    std::atomic<int> reports{0};
    journal.setErrorHandler([&](const QString&) { ++reports; });
    for (int i = 0; i < 3; ++i) {
        journal.append(eventNumber(i));
    }
    ASSERT_TRUE(journal.waitWritten(5000));
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(journal.errorText().contains("plain-file/journal.jsonl"));
}

TEST(AlarmJournal, DailyFileUnderTheStateDirectory) {
    TempDir dir;
    const QString directory = QString::fromStdString(dir.path());
    AlarmJournal journal({{}, directory, {}});
    const show::AlarmEvent event = eventNumber(1);
    journal.append(event);
    ASSERT_TRUE(journal.waitWritten(5000));
    const QString expected =
        dailyJournalPath(directory, QDateTime::fromMSecsSinceEpoch(event.wallMs).date());
    EXPECT_TRUE(expected.endsWith(".jsonl"));
    EXPECT_EQ(readJournal(expected).entries.size(), 1u);
    EXPECT_FALSE(journal.station().isEmpty()); // the host name
}

} // namespace
