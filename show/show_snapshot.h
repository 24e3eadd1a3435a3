#pragma once

// One refresh of the whole show as every reader outside the view sees it: the remote board,
// the broker publisher and the history recorder. The snapshot taker (the view's show watch,
// tessaly-cli's monitor loop) builds one per refresh, after the alarm model has run, and hands
// it to a SnapshotHub. A snapshot is immutable once published and shared by pointer, so readers
// on other threads never see it change under them.

#include "show/alarm_model.h"
#include "show/alarm_types.h"
#include "show/show_clock.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tessaly::show {

// The values a receiver showed at the last refresh at which it was live.
struct LastLiveValues {
    int32_t rfLevelA = kNoLevel; // tenths of dBm
    int32_t rfLevelB = kNoLevel;
    int32_t afLevel = kNoLevel; // tenths of dB
    int32_t battery = -1;
    int32_t mute = -1;
    int32_t antenna = -1;
};

struct ReceiverSnapshot {
    // The values as read at this refresh. They are meaningful only while state.liveness is
    // Live; a reader shows them otherwise only as the last known values, with their age.
    ReceiverObservation observation;
    // Liveness, data age, connection health, battery forecast, alarm label.
    ReceiverShowState state;
    int32_t antenna = -1; // the antenna in use, 0 (A) or 1 (B); -1 unknown
    std::string comment;  // lines separated by "\r\n"
    uint32_t colour = 0;  // the panel's main colour, 0x00RRGGBB
    std::vector<AlarmKind> activeAlarms;
    // Unset until the receiver was live once in this run; their age is state.dataAgeMs.
    std::optional<LastLiveValues> lastLive;
};

struct ShowSnapshot {
    ShowTime time;
    bool monitoring = false; // false once monitoring stopped: receivers is then empty
    int refreshIntervalMs = 100;
    uint64_t sequence = 0;                   // counts up by one per published snapshot
    std::vector<ReceiverSnapshot> receivers; // the receivers in use, by number
    std::vector<AlarmRecord> activeAlarms;
    std::vector<AlarmEvent> events; // what happened at this refresh, in order
};

using ShowSnapshotPtr = std::shared_ptr<const ShowSnapshot>;

} // namespace tessaly::show
