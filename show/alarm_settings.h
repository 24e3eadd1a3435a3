#pragma once

// The [alarm] section of Tessaly.ini. readAlarmSettings() is called once at start-up (by the
// program and by tessaly-cli); a missing, empty, non-numeric or out-of-range value keeps its
// default, so a hostile file cannot switch the alarms off or make them fire on everything.

#include <cstdint>
#include <string>

namespace tessaly {
class IniFile;
}

namespace tessaly::show {

constexpr const char* kAlarmSection = "alarm";

// The AF level (tenths of a dB) at which the PEAK lamp lights; a clip is a run of answers there.
constexpr int32_t kClipLevelTenths = 180;

struct AlarmSettings {
    int32_t offlineS = 3;     // no fresh data this long: offline alarm
    int32_t batteryLow = 1;   // level at or below: battery-low
    int32_t rfLowDbm = -85;   // both antennas below this ...
    int32_t rfLowS = 1;       // ... this long: rf-loss
    int32_t clipPolls = 3;    // AF at PEAK this many answers in a row: clip
    bool muted = false;       // raise muted alarms
    int32_t holdS = 5;        // a condition back within this continues its alarm
    int32_t flapCount = 4;    // more starts than this ...
    int32_t flapWindowS = 60; // ... within this: flapping
    std::string station;      // journal station; empty: the host name
    std::string journal;      // journal file; empty: the daily file under XDG_STATE_HOME

    int64_t offlineMs() const { return int64_t{offlineS} * 1000; }
    int64_t rfLowMs() const { return int64_t{rfLowS} * 1000; }
    int64_t holdMs() const { return int64_t{holdS} * 1000; }
    int64_t flapWindowMs() const { return int64_t{flapWindowS} * 1000; }
    bool operator==(const AlarmSettings&) const = default;
};

AlarmSettings readAlarmSettings(const IniFile& ini);
// Reads the file at `path`; a missing file gives every default.
AlarmSettings readAlarmSettingsFile(const std::string& path);

} // namespace tessaly::show
