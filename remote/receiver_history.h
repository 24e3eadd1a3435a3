#pragma once

// The remote board's memory of the last ten minutes: one row per receiver and second, made by
// the show history's SecondSummariser from the same snapshots the board shows, so that a second
// means the same here as in a recorded history file. Bounded: the latest kSeconds rows per
// receiver, and none from before the last kSeconds closed seconds.
//
//   {"receiver":3,"now":1765310645,"seconds":[{"time":1765310044,"state":"live",
//    "rf_a_min_dbm":-63.5,"rf_a_max_dbm":-61.0,"rf_b_min_dbm":-70.0,"rf_b_max_dbm":-69.5,
//    "af_max_db":-12.0,"battery":3},…]}
// "time" is the second's start in Unix seconds; "now" the latest second the board has seen.
// The values are null for a second in which the receiver was never live.
//
// Not thread-safe: the board source's thread (the server's) owns it.

#include "history/second_summariser.h"

#include <QJsonObject>

#include <array>
#include <cstddef>
#include <deque>

namespace tessaly::remote {

class ReceiverHistory {
public:
    static constexpr size_t kSeconds = 600;

    // Every snapshot in publishing order.
    void add(const show::ShowSnapshot& snapshot);
    // The object above for receiver `number` (an empty list when it has no rows).
    QJsonObject json(int number) const;

private:
    void keep(const history::HistoryRow& row);

    history::SecondSummariser summariser_;
    std::array<std::deque<history::HistoryRow>, show::kShowMaxReceivers + 1> rows_{};
    int64_t latestSecond_ = 0;
};

} // namespace tessaly::remote
