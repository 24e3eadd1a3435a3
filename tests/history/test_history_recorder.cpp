#include "history/history_file.h"
#include "history/history_recorder.h"
#include "tests/support/show_snapshots.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <atomic>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tessaly;
using namespace tessaly::history;
using tessaly::testing::ReceiverValues;
using tessaly::testing::showSnapshot;
using tessaly::testing::TempDir;

namespace {

constexpr int64_t kT0 = 1'765'310'400'000;

// Receiver r's values at refresh i: they move, so min and max differ within a second.
show::ShowSnapshot refresh(int i, int receivers) {
    show::ShowSnapshot s = showSnapshot(kT0 + int64_t{i} * 100, {});
    for (int r = 1; r <= receivers; ++r) {
        s.receivers.push_back(tessaly::testing::receiverSnapshot(
            {.receiver = r, .rfA = -600 - (i % 10) * 10 - r, .antenna = (i / 7) % 2}));
    }
    return s;
}

QString qpath(const TempDir& dir, const char* name) {
    return QString::fromStdString(dir.file(name));
}

HistoryOptions options(const QString& path, int batchMs, const QString& directory = {}) {
    HistoryOptions o;
    o.path = path;
    o.directory = directory;
    o.batchMs = batchMs;
    return o;
}

TEST(HistoryRecorder, WhatIsWrittenReadsBackAsTheSummariserMadeIt) {
    TempDir dir;
    const QString path = qpath(dir, "show.sqlite");
    SecondSummariser reference;
    std::vector<HistoryRow> expected;
    {
        show::SnapshotHub hub;
        HistoryRecorder recorder(options(path, 50));
        recorder.attach(hub);
        for (int i = 0; i < 35; ++i) {
            show::ShowSnapshot s = refresh(i, 3);
            auto closed = reference.add(s);
            expected.insert(expected.end(), closed.begin(), closed.end());
            hub.publish(std::move(s));
        }
        ASSERT_TRUE(recorder.flush(5000));
        EXPECT_TRUE(recorder.errorText().isEmpty()) << recorder.errorText().toStdString();
        EXPECT_EQ(recorder.rowsWritten(), 12u); // 3 receivers, 4 seconds (3.5 closed on flush)
    }
    auto open = reference.finish();
    expected.insert(expected.end(), open.begin(), open.end());
    std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
        return std::pair(a.receiver, a.second) < std::pair(b.receiver, b.second);
    });

    HistoryReader reader(path);
    ASSERT_TRUE(reader.isOpen()) << reader.errorText().toStdString();
    EXPECT_EQ(reader.rows(kT0 / 1000 - 10, kT0 / 1000 + 10), expected);
    const auto two = reader.rows(2, kT0 / 1000 + 1, kT0 / 1000 + 2);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].receiver, 2);
    EXPECT_EQ(two[0].second, kT0 / 1000 + 1);
    const auto receivers = reader.receivers();
    ASSERT_EQ(receivers.size(), 3u);
    EXPECT_EQ(receivers[2].receiver, 3);
    EXPECT_EQ(receivers[2].name, "Vocal");
    EXPECT_EQ(receivers[2].lastSecond, kT0 / 1000 + 3);
    const auto span = reader.span();
    ASSERT_TRUE(span.has_value());
    EXPECT_EQ(span->firstSecond, kT0 / 1000);
    EXPECT_EQ(span->lastSecond, kT0 / 1000 + 3);
}

// A child records as fast as it can, flushing and reporting each batch through a pipe until it
// is killed. Whatever it reported committed must read back.
TEST(HistoryRecorder, AKilledWriterLeavesAReadableFile) {
    TempDir dir;
    const QString path = qpath(dir, "killed.sqlite");
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        HistoryRecorder recorder(options(path, 20));
        for (int i = 0;; ++i) {
            recorder.add(std::make_shared<show::ShowSnapshot>(refresh(i, 60)));
            if (i % 10 == 9) {
                recorder.flush(5000);
                const uint64_t rows = recorder.rowsWritten();
                if (::write(fds[1], &rows, sizeof rows) != sizeof rows) {
                    ::_exit(1);
                }
            }
        }
    }
    ::close(fds[1]);
    uint64_t reported = 0;
    for (int n = 0; n < 8 && ::read(fds[0], &reported, sizeof reported) == sizeof reported;) {
        ++n;
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(fds[0]);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_GE(reported, 8u * 60);

    HistoryReader reader(path);
    ASSERT_TRUE(reader.isOpen()) << reader.errorText().toStdString();
    EXPECT_GE(reader.rows(0, INT64_MAX / 2).size(), reported);
    EXPECT_EQ(reader.receivers().size(), 60u);
}

TEST(HistoryRecorder, AnUnopenablePathIsSaidOnceAndRecordingStops) {
    TempDir dir;
    std::atomic<int> said{0};
    QString text;
    {
        dir.write("plain-file", "a file where a folder goes");
        HistoryRecorder recorder(options(qpath(dir, "plain-file") + "/h.sqlite", 20));
        recorder.setErrorHandler([&](const QString& t) {
            ++said;
            text = t;
        });
        for (int batch = 0; batch < 3; ++batch) {
            for (int i = 0; i < 12; ++i) {
                recorder.add(std::make_shared<show::ShowSnapshot>(refresh(batch * 12 + i, 2)));
            }
            EXPECT_TRUE(recorder.flush(5000));
        }
        EXPECT_EQ(recorder.rowsWritten(), 0u);
    }
    EXPECT_EQ(said.load(), 1);
    EXPECT_TRUE(text.contains("plain-file")) << text.toStdString();
    EXPECT_TRUE(text.contains("Monitoring goes on")) << text.toStdString();
}

TEST(HistoryFiles, KeepDaysRemovesOnlyOurOldDailyFiles) {
    TempDir dir;
    const QDate today(2026, 12, 9);
    const char* const names[] = {"history-2026-12-09.sqlite",   "history-2026-11-09.sqlite",
                                 "history-2026-11-08.sqlite",   "history-2026-11-08.sqlite-wal",
                                 "history-2025-01-01.sqlite",   "history-2025-01-01.sqlite.bak",
                                 "journal-2025-01-01.jsonl",    "history-2025-13-01.sqlite",
                                 "my-history-2025-01-01.sqlite"};
    for (const char* name : names) {
        dir.write(name, "x");
    }
    const QString directory = QString::fromStdString(dir.path());
    EXPECT_TRUE(removeOldHistoryFiles(directory, today, 0).isEmpty()); // 0 keeps everything
    QStringList removed = removeOldHistoryFiles(directory, today, 30);
    removed.sort();
    EXPECT_EQ(removed, QStringList({"history-2025-01-01.sqlite", "history-2026-11-08.sqlite"}));
    QStringList left = QDir(directory).entryList(QDir::Files);
    left.sort();
    EXPECT_EQ(left, QStringList({"history-2025-01-01.sqlite.bak", "history-2025-13-01.sqlite",
                                 "history-2026-11-09.sqlite", "history-2026-12-09.sqlite",
                                 "journal-2025-01-01.jsonl", "my-history-2025-01-01.sqlite"}));
}

TEST(HistoryFiles, DailyFilesSitInTheDirectoryByLocalDate) {
    TempDir dir;
    const QString directory = QString::fromStdString(dir.path());
    // The day recorded is a year old, beyond keep_days: its file is kept while it is recorded.
    HistoryRecorder recorder(options({}, 20, directory));
    const int64_t second = kT0 / 1000;
    const QString expected = directory + "/history-" +
                             QDateTime::fromSecsSinceEpoch(second).date().toString("yyyy-MM-dd") +
                             ".sqlite";
    EXPECT_EQ(recorder.pathFor(second), expected);
    recorder.add(std::make_shared<show::ShowSnapshot>(refresh(0, 1)));
    ASSERT_TRUE(recorder.flush(5000));
    EXPECT_TRUE(QFile::exists(expected));
}

TEST(HistoryFiles, AReaderRefusesMissingAndForeignFiles) {
    TempDir dir;
    EXPECT_FALSE(HistoryReader(qpath(dir, "missing.sqlite")).isOpen());
    EXPECT_FALSE(QFile::exists(qpath(dir, "missing.sqlite"))); // not created
    dir.write("text.sqlite", "not a database at all, just some words\n");
    HistoryReader text(qpath(dir, "text.sqlite"));
    EXPECT_FALSE(text.isOpen());
    EXPECT_TRUE(text.rows(0, INT64_MAX / 2).empty());
}

} // namespace
