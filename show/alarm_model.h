#pragma once

// The alarm model: one per monitoring window (the program's view, or tessaly-cli monitor).
// At each refresh the snapshot taker builds one ReceiverObservation per receiver in use from
// the engines' values and states and calls update() with one ShowTime; the model keeps each
// receiver's liveness, connection health, battery forecast and alarms, and queues an
// AlarmEvent for every start, acknowledge, clear, flapping mark and silence. The caller drains
// them with takeEvents() and hands them to the journal (and the CLI's output). Acknowledge
// and silence come from the operator between updates.
//
// Not thread-safe: one thread (the snapshot's) calls everything, or the caller serialises.

#include "show/alarm_label.h"
#include "show/alarm_settings.h"
#include "show/alarm_types.h"
#include "show/battery_forecast.h"
#include "show/connection_health.h"
#include "show/liveness.h"
#include "show/show_clock.h"

#include "protocol/receiver_table.h"

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace tessaly::show {

constexpr int kShowMaxReceivers = 60;

// What one refresh saw of one receiver. Levels are tenths of dBm / dB as the engines poll
// them; kNoLevel and -1 mean "nothing polled yet".
struct ReceiverObservation {
    int receiver = 0; // 1..60
    std::string name;
    std::string freqText;
    int32_t freqKhz = 0; // the table's frequency, for same-frequency checks
    LivenessInput link;
    int32_t rfLevelA = kNoLevel;
    int32_t rfLevelB = kNoLevel;
    int32_t afLevel = kNoLevel;
    int32_t battery = -1;
    int32_t mute = -1;
    int32_t clipRun = 0; // answers in a row with the AF at the PEAK level
    ConnectionHealth health;
};

// One receiver as the panels, the tooltips and the journal window show it.
struct ReceiverShowState {
    int receiver = 0;
    bool inUse = false;
    Liveness liveness = Liveness::Stopped;
    int64_t dataAgeMs = kNever;
    ConnectionHealth health;
    std::optional<int64_t> batteryRemainingMs;
    bool silenced = false;
    std::optional<int64_t> silencedUntilWallMs; // unset while silenced: until unsilenced
    PanelAlarmLabel label;
};

class AlarmModel {
public:
    explicit AlarmModel(AlarmSettings settings = {});

    const AlarmSettings& settings() const { return settings_; }

    // The show end (wall ms) for battery-forecast alarms; unset: no such alarms.
    void setShowEnd(std::optional<int64_t> wallMs) { showEndWallMs_ = wallMs; }
    std::optional<int64_t> showEnd() const { return showEndWallMs_; }

    // One refresh. Receivers not in `observations` count as not in use: their alarms clear.
    void update(const std::vector<ReceiverObservation>& observations, const ShowTime& now);

    // Acknowledges the active alarm `alarmId`; false when there is none such or it already was.
    bool acknowledge(uint64_t alarmId, const ShowTime& now);
    // Every unacknowledged active alarm of `receiver` (all receivers when 0); how many.
    int acknowledgeAll(const ShowTime& now, int receiver = 0);

    // Silences `receiver`'s alarms until `untilWallMs` (unset: until unsilenced). Its open
    // alarms clear, and none start while the silence lasts. Silencing again moves the end.
    void silence(int receiver, std::optional<int64_t> untilWallMs, const ShowTime& now);
    void unsilence(int receiver, const ShowTime& now);

    const ReceiverShowState& receiver(int number) const { return states_[number - 1]; }
    // The panel cue of one receiver; the same as receiver(number).label.
    const PanelAlarmLabel& label(int number) const { return states_[number - 1].label; }

    // Open alarms, newest first.
    std::vector<AlarmRecord> activeAlarms() const;
    // Cleared alarms, newest first (at most kHistoryLimit kept).
    std::vector<AlarmRecord> history() const;
    static constexpr size_t kHistoryLimit = 2000;
    int unacknowledgedCount() const;

    // Events since the last call, oldest first.
    std::vector<AlarmEvent> takeEvents();

private:
    struct KindState {
        int64_t clearedSinceMs = kNever; // condition absent since (while an alarm is held)
        int64_t clearedSinceWallMs = 0;
        std::deque<int64_t> appearances; // steady ms of the condition's appearances
        uint64_t openId = 0;             // the open alarm of this kind, 0: none
        bool lastPresent = false;
    };
    struct ReceiverRuntime {
        LivenessTracker liveness;
        BatteryForecaster forecast;
        int64_t rfLowSinceMs = kNever; // both antennas low since
        std::array<KindState, kAlarmKindCount> kinds;
        std::string name;
        std::string freqText;
    };

    void evaluate(const ReceiverObservation& o, int partner, const ShowTime& now);
    void setCondition(int receiver, AlarmKind kind, bool present, std::optional<double> value,
                      bool worseWhenHigher, const ShowTime& now);
    void startAlarm(int receiver, AlarmKind kind, std::optional<double> value, bool flapping,
                    const ShowTime& now);
    void clearAlarm(int receiver, AlarmKind kind, int64_t clearWallMs);
    AlarmRecord* findOpen(uint64_t id);
    void clearAll(int receiver, const ShowTime& now);
    void refreshLabel(int receiver);
    void queueEvent(AlarmEventType type, const AlarmRecord& alarm, int64_t wallMs);

    AlarmSettings settings_;
    std::optional<int64_t> showEndWallMs_;
    std::array<ReceiverShowState, kShowMaxReceivers> states_{};
    std::array<ReceiverRuntime, kShowMaxReceivers> runtime_{};
    std::vector<AlarmRecord> open_;
    std::deque<AlarmRecord> history_; // newest at the front
    std::vector<AlarmEvent> events_;
    uint64_t nextId_ = 1;
};

} // namespace tessaly::show
