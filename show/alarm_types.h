#pragma once

// The words of the alarm model: kinds, severities, one alarm's record and the events that the
// journal and tessaly-cli write. AlarmModel produces them; readers only copy them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly::show {

enum class AlarmKind {
    Offline,
    BatteryLow,
    BatteryCritical,
    RfLoss,
    Clip,
    Muted,
    FrequencyConflict,
    BatteryForecast,
};
constexpr int kAlarmKindCount = 8;

enum class Severity { Critical, Warning };

// "offline", "battery-low", "battery-critical", "rf-loss", "clip", "muted",
// "frequency-conflict", "battery-forecast".
const char* alarmKindName(AlarmKind kind);
std::optional<AlarmKind> alarmKindFromName(std::string_view name);
Severity alarmSeverity(AlarmKind kind);
const char* severityName(Severity severity); // "critical", "warning"
// Whether the kind depends on the polled values, and so is held back while there are none.
bool isValueAlarm(AlarmKind kind);

// One alarm from its start to its clear. Values are in the kind's unit: seconds without data
// (offline), battery level, dBm of the stronger antenna (rf-loss), dB (clip), 1 (muted), MHz
// (frequency-conflict), minutes left (battery-forecast).
struct AlarmRecord {
    uint64_t id = 0; // unique within a model, in start order
    int receiver = 0;
    AlarmKind kind = AlarmKind::Offline;
    Severity severity = Severity::Critical;
    std::string name;     // the receiver's name at the start
    std::string freqText; // its frequency text at the start
    int64_t startWallMs = 0;
    std::optional<double> startValue;
    std::optional<double> worstValue;
    std::optional<int64_t> ackWallMs;
    std::optional<int64_t> clearWallMs;
    bool conditionPresent = true; // false while a cleared condition is held (hold_s)
    bool flapping = false;

    bool active() const { return !clearWallMs.has_value(); }
    bool acknowledged() const { return ackWallMs.has_value(); }
};

enum class AlarmEventType {
    Start,
    Ack,
    Clear,
    Flapping,  // an open alarm was marked flapping
    Silence,   // a receiver's alarms were silenced (until silenceUntilWallMs, or for good)
    Unsilence, // by hand, or because the silence's time was up
};

// "start", "ack", "clear", "flapping", "silence", "unsilence".
const char* alarmEventName(AlarmEventType type);

// One line of the journal: what happened, when, to which receiver.
struct AlarmEvent {
    AlarmEventType type = AlarmEventType::Start;
    int64_t wallMs = 0;
    int receiver = 0;
    std::string name;
    std::string freqText;
    // Unset for silences, which concern the receiver rather than one alarm.
    std::optional<AlarmKind> kind;
    std::optional<Severity> severity;
    std::optional<double> value;
    uint64_t alarmId = 0;                      // 0 for silences
    std::optional<int64_t> silenceUntilWallMs; // Silence only; unset: until unsilenced
};

} // namespace tessaly::show
