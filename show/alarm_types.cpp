#include "show/alarm_types.h"

#include "show/alarm_label.h"

#include <array>

namespace tessaly::show {

namespace {

struct KindInfo {
    const char* name;
    const char* label;
    Severity severity;
    bool valueAlarm;
};

constexpr std::array<KindInfo, kAlarmKindCount> kKinds{{
    {"offline", "OFFLINE", Severity::Critical, false},
    {"battery-low", "BATT LOW", Severity::Warning, true},
    {"battery-critical", "BATT 0", Severity::Critical, true},
    {"rf-loss", "RF LOST", Severity::Critical, true},
    {"clip", "CLIP", Severity::Warning, true},
    {"muted", "MUTED", Severity::Warning, true},
    // Two transmitters on one frequency spoil both channels.
    {"frequency-conflict", "SAME FREQ", Severity::Critical, false},
    {"battery-forecast", "BATT < END", Severity::Warning, true},
}};

const KindInfo& info(AlarmKind kind) {
    return kKinds[static_cast<size_t>(kind)];
}

} // namespace

const char* alarmKindName(AlarmKind kind) {
    return info(kind).name;
}

std::optional<AlarmKind> alarmKindFromName(std::string_view name) {
    for (size_t i = 0; i < kKinds.size(); ++i) {
        if (name == kKinds[i].name) {
            return static_cast<AlarmKind>(i);
        }
    }
    return std::nullopt;
}

Severity alarmSeverity(AlarmKind kind) {
    return info(kind).severity;
}

const char* severityName(Severity severity) {
    return severity == Severity::Critical ? "critical" : "warning";
}

bool isValueAlarm(AlarmKind kind) {
    return info(kind).valueAlarm;
}

const char* alarmLabelText(AlarmKind kind) {
    return info(kind).label;
}

const char* alarmEventName(AlarmEventType type) {
    switch (type) {
    case AlarmEventType::Start:
        return "start";
    case AlarmEventType::Ack:
        return "ack";
    case AlarmEventType::Clear:
        return "clear";
    case AlarmEventType::Flapping:
        return "flapping";
    case AlarmEventType::Silence:
        return "silence";
    case AlarmEventType::Unsilence:
        break;
    }
    return "unsilence";
}

} // namespace tessaly::show
