#pragma once

// The show history's one row: what one receiver did during one second of wall-clock time.
// SecondSummariser makes rows from the per-refresh snapshots; HistoryRecorder stores them;
// HistoryReader reads them back. Levels are in tenths of dBm (RF) and dB (AF), as the engines
// poll them. A value is unset (std::nullopt, NULL in the file) when the receiver had no live
// values during that second.

#include <cstdint>
#include <optional>
#include <string>

namespace tessaly::history {

// Ordered from best to worst: a second's state is the worst state seen during it, so a short
// drop stays visible in a one-second row.
enum class HistoryState { Live = 0, NoData = 1, Offline = 2 };

// "live", "no-data", "offline": the liveness words of the journal and the JSON.
const char* historyStateName(HistoryState state);

struct HistoryRow {
    int receiver = 0;   // 1..60
    int64_t second = 0; // Unix time in seconds (UTC) of the second's start
    HistoryState state = HistoryState::Live;
    std::optional<int32_t> rfAMin; // lowest and highest RF of antenna A, tenths of dBm
    std::optional<int32_t> rfAMax;
    std::optional<int32_t> rfBMin; // the same for antenna B
    std::optional<int32_t> rfBMax;
    std::optional<int32_t> afMax;   // highest AF, tenths of dB
    std::optional<int32_t> battery; // the last battery level of the second (the receiver's scale)
    std::optional<int32_t> antenna; // the antenna in use at the end of the second: 0 A, 1 B
    int32_t antennaChanges = 0;     // switches from one known antenna to the other
    std::optional<bool> muted;      // muted at any time during the second
};

bool operator==(const HistoryRow& a, const HistoryRow& b);

// The receivers a history file knows, with the name and frequency they had last.
struct HistoryReceiver {
    int receiver = 0;
    std::string name;
    std::string freqText;
    int64_t firstSecond = 0; // the receiver's first and last row
    int64_t lastSecond = 0;
};

} // namespace tessaly::history
