#pragma once

// The show history's recorder. The owner (the program's view, tessaly-cli monitor) creates one
// while monitoring and attaches it to the SnapshotHub: the hub's listener only queues the
// snapshot pointer. The recorder's own thread summarises the snapshots into per-second rows
// (SecondSummariser) and writes them in one transaction every kBatchMs, on a QSqlDatabase
// connection made on that thread, into a write-ahead-logged SQLite file: a crash loses at most
// the last batch and the open second. A file that cannot be opened or written is reported
// once through the error handler; recording then stops and monitoring goes on untouched.
//
// The file is `[history] file=` or, by default, the daily file dailyHistoryPath() of the
// second's local date beside the alarm journal. On opening a daily file, daily files older than
// keep_days days are removed (see removeOldHistoryFiles()).

#include "history/history_row.h"
#include "history/second_summariser.h"
#include "show/snapshot_hub.h"

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace tessaly {
class IniFile;
}

namespace tessaly::history {

constexpr const char* kHistorySection = "history";
constexpr int kDefaultKeepDays = 30;

// The [history] section of Tessaly.ini: file= (empty: the daily files), keep_days= (0..3650,
// 0 keeps every file; anything else keeps the default).
struct HistorySettings {
    std::string file;
    int keepDays = kDefaultKeepDays;
};
HistorySettings readHistorySettings(const IniFile& ini);
HistorySettings readHistorySettingsFile(const std::string& path);

struct HistoryOptions {
    QString path;      // one fixed file; empty: the daily file
    QString directory; // of the daily files; empty: journalDirectory()
    int keepDays = kDefaultKeepDays;
    QString station; // empty: the host name
    // Commit interval. Snapshots beyond kQueueLimit waiting for the writer drop the oldest.
    int batchMs = 2000;
};

class HistoryRecorder {
public:
    static constexpr size_t kQueueLimit = 6000; // ten minutes of refreshes at 100 ms

    explicit HistoryRecorder(HistoryOptions options = {});
    // Detaches, writes what is queued and the open second, then ends the writer thread.
    ~HistoryRecorder();
    HistoryRecorder(const HistoryRecorder&) = delete;
    HistoryRecorder& operator=(const HistoryRecorder&) = delete;

    // Subscribes to the hub (at most one hub at a time); detach() or the destructor leaves it.
    void attach(show::SnapshotHub& hub);
    void detach();

    // Queues one snapshot; never waits for the disk. The hub's listener calls this.
    void add(const show::ShowSnapshotPtr& snapshot);

    // Writes everything queued so far, closing the open second; false on timeout.
    bool flush(int timeoutMs);

    // Called once, on the writer thread, with the first failure's text. Set it before attach().
    void setErrorHandler(std::function<void(const QString&)> handler);
    // The first failure's text; empty while everything was written.
    QString errorText() const;
    // Rows written so far, and snapshots dropped because the writer fell behind.
    uint64_t rowsWritten() const;
    uint64_t snapshotsDropped() const;

    // The file a row of `second` goes to.
    QString pathFor(int64_t second) const;

private:
    void run();
    void writeRows(std::vector<HistoryRow>& rows, bool finishing);
    bool openFor(const QString& path);
    void fail(const QString& path, const QString& reason);

    HistoryOptions options_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable flushed_;
    std::deque<show::ShowSnapshotPtr> queue_;
    uint64_t flushRequests_ = 0;
    uint64_t flushesDone_ = 0;
    bool quit_ = false;
    QString error_;
    std::function<void(const QString&)> errorHandler_;
    uint64_t rowsWritten_ = 0;
    uint64_t dropped_ = 0;
    show::SnapshotHub* hub_ = nullptr;
    int hubKey_ = 0;
    // Writer thread only.
    SecondSummariser summariser_;
    QString connection_;
    QString openPath_;
    bool stopped_ = false; // after a failure: nothing more is written
    std::thread thread_;   // last: starts once everything above exists
};

} // namespace tessaly::history
