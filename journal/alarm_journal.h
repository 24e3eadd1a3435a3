#pragma once

// The alarm journal: one JSON object a line for every alarm start, acknowledge, clear,
// flapping mark and silence. The owner (the program's view, tessaly-cli monitor) creates one
// AlarmJournal, passes it the events it drains from show::AlarmModel::takeEvents() with
// append(), and lets it go at the end. Lines are written on the journal's own thread, each
// handed to the system at once, appended, never rewritten; a file that cannot be written is
// reported once through the error handler and the events keep coming.
//
// readJournal() reads a journal back, skipping a line torn by a crash.

#include "show/alarm_types.h"

#include <QByteArray>
#include <QDate>
#include <QJsonObject>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tessaly {

struct JournalOptions {
    QString path;      // one fixed file ([alarm] journal=); empty: the daily file
    QString directory; // of the daily files; empty: journalDirectory()
    QString station;   // empty: the host name
};

// $XDG_STATE_HOME/tessaly, or ~/.local/state/tessaly when XDG_STATE_HOME is unset or relative.
QString journalDirectory();
// directory + "/journal-YYYY-MM-DD.jsonl"
QString dailyJournalPath(const QString& directory, QDate date);
// ISO 8601 local time with milliseconds and offset: "2026-12-09T21:04:05.123+01:00".
QString journalTimeText(int64_t wallMs);
// One journal line's object: time, station, receiver, name, frequency, kind, severity, event,
// value (and until, for a silence with an end).
QJsonObject journalObject(const show::AlarmEvent& event, const QString& station);

class AlarmJournal {
public:
    explicit AlarmJournal(JournalOptions options = {});
    // Writes what is still queued, then ends the writer thread.
    ~AlarmJournal();
    AlarmJournal(const AlarmJournal&) = delete;
    AlarmJournal& operator=(const AlarmJournal&) = delete;

    // Queues the events; never waits for the disk.
    void append(const show::AlarmEvent& event);
    void append(const std::vector<show::AlarmEvent>& events);

    // Waits until every event appended so far was written (or failed); false on timeout.
    bool waitWritten(int timeoutMs);

    // Called once, on the writer thread, with the first failure's text. Set it before the
    // first append.
    void setErrorHandler(std::function<void(const QString&)> handler);
    // The first failure's text; empty while everything was written.
    QString errorText() const;

    QString station() const { return station_; }
    // The file an event at `wallMs` goes to.
    QString pathFor(int64_t wallMs) const;

private:
    struct Pending {
        QString path;
        QByteArray line;
    };
    void run();
    bool writeLine(const Pending& pending);
    void fail(const QString& path, const QString& reason);

    JournalOptions options_;
    QString station_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable written_;
    std::deque<Pending> queue_;
    uint64_t queued_ = 0;
    uint64_t done_ = 0;
    bool quit_ = false;
    QString error_;
    std::function<void(const QString&)> errorHandler_;
    // Writer thread only.
    int fd_ = -1;
    QString openPath_;
    std::thread thread_; // last: starts once everything above exists
};

struct JournalReadResult {
    bool opened = false;
    std::vector<QJsonObject> entries; // in file order
    int skippedLines = 0;             // torn or not JSON objects
};

JournalReadResult readJournal(const QString& path);

} // namespace tessaly
