#pragma once

// What a receiver panel draws for its alarm state: a short label, a thick border, and whether
// the border flashes (1 Hz while an alarm is unacknowledged). AlarmModel::label() computes it;
// the panels only draw it.

#include "show/alarm_types.h"

#include <string>

namespace tessaly::show {

struct PanelAlarmLabel {
    std::string text;                      // "" when there is nothing to show
    bool border = false;                   // an open alarm: draw the thick border
    bool flash = false;                    // an unacknowledged alarm: the border flashes
    Severity severity = Severity::Warning; // of the alarm the label names
    bool operator==(const PanelAlarmLabel&) const = default;
};

// "OFFLINE", "BATT LOW", "BATT 0", "RF LOST", "CLIP", "MUTED", "SAME FREQ", "BATT < END".
const char* alarmLabelText(AlarmKind kind);
constexpr const char* kLabelNoData = "NO DATA";
constexpr const char* kLabelFlapping = "FLAPPING";
constexpr const char* kLabelSilenced = "SILENCED";

} // namespace tessaly::show
