#pragma once

#include <cstdint>

namespace tessaly::sim {

// One reading of the values the monitor poll reports.
struct LiveLevels {
    double rfA = -60.0;        // dBm, antenna A
    double rfB = -60.0;        // dBm, antenna B
    double af = -40.0;         // dB
    int32_t battery = 4;       // 0 … 4
    int32_t antennaSelect = 0; // 0 antenna A, 1 antenna B
    int32_t mute = 0;          // 0/1
};

constexpr double kRfFloorDbm = -95.0;
constexpr double kRfCeilingDbm = -45.0;
constexpr double kAfFloorDb = -40.0;
constexpr double kAfPeakDb = 19.0; // the top of the meter, where its PEAK label sits
constexpr int32_t kBatteryFull = 4;
constexpr int32_t kAntennaA = 0;
constexpr int32_t kAntennaB = 1;

// The levels of receiver `number` at `elapsedMs` after the simulator started, a pure function
// of its inputs so that a seed replays the same stage. Two antennas wander independently with
// short dropouts; the audio follows talk and pauses with occasional peaks; the battery drains
// 4 -> 0 over tens of minutes and is then swapped; the receiver mutes now and then.
LiveLevels levelsAt(uint64_t seed, int number, int64_t elapsedMs);

} // namespace tessaly::sim
