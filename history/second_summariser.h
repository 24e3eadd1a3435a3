#pragma once

// Turns the per-refresh show snapshots into one HistoryRow per receiver and wall-clock second.
// Feed every snapshot in publishing order with add(); it returns the rows of every second that
// the new snapshot closed (all receivers of the earlier second, by receiver number). finish()
// returns the rows of the second still open, for the end of a recording.
//
// Rules, per receiver and second:
// - Levels, battery and mute count only from refreshes where the receiver was live; a second
//   without a live refresh has no values, only its state.
// - The state is the worst seen: live, then no-data, then offline. Receivers not in use, or
//   stopped, give no row. A snapshot with monitoring false closes the open second.
// - Antenna changes count switches between known antennas (0 and 1) from one live refresh to
//   the next, across second boundaries too; an unknown antenna in between is not a switch.
// - A wall clock that steps back closes the open second and starts again; the store keeps the
//   later row of a second it has twice.
//
// Plain C++ on show/ types; not thread-safe (one owner thread feeds it). The remote board's
// ring of the last minutes uses it as the recorder does.

#include "history/history_row.h"
#include "show/show_snapshot.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace tessaly::history {

class SecondSummariser {
public:
    SecondSummariser();

    std::vector<HistoryRow> add(const show::ShowSnapshot& snapshot);
    std::vector<HistoryRow> finish();

    // The open second (Unix seconds), if a refresh is in it.
    std::optional<int64_t> openSecond() const { return openSecond_; }

    // Each receiver seen so far with its name and frequency at its last refresh; the seconds
    // are left 0 (the store keeps those).
    std::vector<HistoryReceiver> receivers() const;

private:
    void take(const show::ReceiverSnapshot& receiver);
    std::vector<HistoryRow> close();

    std::optional<int64_t> openSecond_;
    std::array<std::optional<HistoryRow>, show::kShowMaxReceivers + 1> open_{};
    // Kept across seconds: the last known antenna (-1 none) and the last name and frequency.
    std::array<int32_t, show::kShowMaxReceivers + 1> lastAntenna_{};
    std::array<std::optional<HistoryReceiver>, show::kShowMaxReceivers + 1> seen_{};
};

// Floor division of wall milliseconds to Unix seconds (correct before 1970 too).
int64_t secondOf(int64_t wallMs);

} // namespace tessaly::history
