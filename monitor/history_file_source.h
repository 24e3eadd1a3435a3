#pragma once

// The History window's road to a recorder's file: the receivers first, each receiver's seconds
// when it is first shown, and later only the seconds recorded since.

#include "monitor/history_plot_data.h"

#include <QString>

#include <memory>

namespace tessaly {

namespace history {
class HistoryReader;
struct HistoryRow;
} // namespace history

HistorySecond historySecond(const history::HistoryRow& row);
// The row back from a second (antenna switches are not kept in a second: 0).
history::HistoryRow historyRow(const HistorySecond& second, int receiver);

class HistoryFileSource {
public:
    HistoryFileSource();
    ~HistoryFileSource();

    // Opens the file and fills `show` with its receivers (no seconds yet). False and `error`
    // when the file cannot be read; the source is then closed.
    bool open(const QString& path, HistoryShow& show, QString* error = nullptr);
    bool isOpen() const { return reader_ != nullptr; }

    // Reads the track's seconds if they were not read yet.
    bool load(HistoryTrack& track);
    // The receivers and seconds recorded since the last read: new receivers are added, loaded
    // tracks grow. False when the file could not be read this time (the next call opens it
    // again).
    bool readNew(HistoryShow& show);
    // One receiver's rows from fromMs to toMs, as the file holds them. False when the file could
    // not be read.
    bool rows(int receiver, int64_t fromMs, int64_t toMs, std::vector<history::HistoryRow>& out);

private:
    QString path_;
    std::unique_ptr<history::HistoryReader> reader_;
};

} // namespace tessaly
