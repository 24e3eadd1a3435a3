#pragma once

// A history file: one SQLite database (through Qt SQL's SQLite driver) holding the per-second
// rows of a day of shows. Schema (user_version 1):
//
//   seconds(receiver, second, state, rf_a_min, rf_a_max, rf_b_min, rf_b_max, af_max, battery,
//           antenna, antenna_changes, muted)      -- one HistoryRow; PRIMARY KEY (receiver,
//                                                 -- second), WITHOUT ROWID, so the rows of one
//                                                 -- receiver lie together in time order
//   receivers(receiver PRIMARY KEY, name, frequency, first_second, last_second)
//   meta(key PRIMARY KEY, value)                  -- "station": who recorded
//
// Integers throughout, NULL for an unset value; state 0 live, 1 no-data, 2 offline; seconds are
// Unix seconds (UTC). The file is written in write-ahead-log mode, so readers may open it while
// the recorder writes.
//
// HistoryReader reads one file. Like every QSqlDatabase connection it belongs to the thread that
// made it: make, use and destroy a reader on one thread.

#include "history/history_row.h"

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

class QSqlDatabase;

namespace tessaly::history {

// journalDirectory() + "/history-YYYY-MM-DD.sqlite", the file of a local date.
QString dailyHistoryPath(const QString& directory, QDate date);
// The date in a daily history file's name ("history-2026-12-09.sqlite"); invalid for any other.
QDate dailyHistoryDate(const QString& fileName);
// Removes the daily history files (and their -wal, -shm companions) in `directory` dated more
// than keepDays days before `today`; keepDays 0 keeps every file. Other files are left alone.
// `spare` (a file name) is never removed: the file being recorded, whatever its date. Returns
// the names removed.
QStringList removeOldHistoryFiles(const QString& directory, QDate today, int keepDays,
                                  const QString& spare = {});

// Local time of a second as the CLI and CSV write it: "2026-12-09T21:04:05+01:00".
QString historyTimeText(int64_t second);

struct HistorySpan {
    int64_t firstSecond = 0;
    int64_t lastSecond = 0; // inclusive
};

class HistoryReader {
public:
    // Opens an existing file; it is never created or changed.
    explicit HistoryReader(const QString& path);
    ~HistoryReader();
    HistoryReader(const HistoryReader&) = delete;
    HistoryReader& operator=(const HistoryReader&) = delete;

    bool isOpen() const { return errorText_.isEmpty(); }
    // Why the file could not be read; empty while it could.
    QString errorText() const { return errorText_; }

    // The receivers with rows, by number.
    std::vector<HistoryReceiver> receivers();
    // The first and last second with a row of any receiver; unset for an empty file.
    std::optional<HistorySpan> span();
    // One receiver's rows with fromSecond <= second <= toSecond, in time order.
    std::vector<HistoryRow> rows(int receiver, int64_t fromSecond, int64_t toSecond);
    // Every receiver's rows in the range, by receiver and then time.
    std::vector<HistoryRow> rows(int64_t fromSecond, int64_t toSecond);

private:
    std::vector<HistoryRow> query(const QString& where, const QVariantList& values);
    void fail(const QString& reason);

    QString connection_;
    QString path_;
    QString errorText_;
};

// For the recorder and the tests: the schema on an open connection (idempotent, in WAL mode),
// and one batch of rows and labels in one transaction. false with `error` set on failure.
bool prepareHistoryDatabase(QSqlDatabase& db, const QString& station, QString& error);
bool writeHistoryBatch(QSqlDatabase& db, const std::vector<HistoryRow>& rows,
                       const std::vector<HistoryReceiver>& labels, QString& error);

} // namespace tessaly::history
