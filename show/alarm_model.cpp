#include "show/alarm_model.h"

#include "show/same_frequency.h"

#include <algorithm>

namespace tessaly::show {

namespace {

// The order in which a panel's label names its open alarms.
constexpr std::array<AlarmKind, kAlarmKindCount> kLabelPriority{
    AlarmKind::Offline,    AlarmKind::BatteryCritical,   AlarmKind::RfLoss,
    AlarmKind::BatteryLow, AlarmKind::FrequencyConflict, AlarmKind::Clip,
    AlarmKind::Muted,      AlarmKind::BatteryForecast,
};

size_t kindIndex(AlarmKind kind) {
    return static_cast<size_t>(kind);
}

bool validReceiver(int number) {
    return number >= 1 && number <= kShowMaxReceivers;
}

} // namespace

AlarmModel::AlarmModel(AlarmSettings settings) : settings_(std::move(settings)) {
    for (int n = 1; n <= kShowMaxReceivers; ++n) {
        states_[n - 1].receiver = n;
    }
}

void AlarmModel::update(const std::vector<ReceiverObservation>& observations, const ShowTime& now) {
    for (auto& state : states_) {
        if (state.silenced && state.silencedUntilWallMs &&
            now.wallMs >= *state.silencedUntilWallMs) {
            unsilence(state.receiver, now);
        }
    }
    std::vector<int32_t> freqKhz(kShowMaxReceivers, 0);
    std::array<const ReceiverObservation*, kShowMaxReceivers> byNumber{};
    for (const auto& o : observations) {
        if (validReceiver(o.receiver)) {
            byNumber[o.receiver - 1] = &o;
            freqKhz[o.receiver - 1] = o.freqKhz;
        }
    }
    const std::vector<int> partners = sameFrequencyPartners(freqKhz);
    for (int n = 1; n <= kShowMaxReceivers; ++n) {
        if (byNumber[n - 1] != nullptr) {
            evaluate(*byNumber[n - 1], partners[n - 1], now);
        } else if (states_[n - 1].inUse) {
            clearAll(n, now);
            runtime_[n - 1].liveness.reset();
            runtime_[n - 1].forecast.reset();
            states_[n - 1].inUse = false;
            states_[n - 1].liveness = Liveness::Stopped;
            states_[n - 1].dataAgeMs = kNever;
            states_[n - 1].batteryRemainingMs.reset();
            refreshLabel(n);
        }
    }
}

void AlarmModel::evaluate(const ReceiverObservation& o, int partner, const ShowTime& now) {
    const int n = o.receiver;
    ReceiverRuntime& rt = runtime_[n - 1];
    ReceiverShowState& st = states_[n - 1];
    st.inUse = true;
    rt.name = o.name;
    rt.freqText = o.freqText;
    const Liveness liveness = rt.liveness.update(o.link, now.steadyMs);
    st.liveness = liveness;
    st.dataAgeMs = rt.liveness.dataAgeMs(now.steadyMs);
    st.health = o.health;
    st.health.lastAnswerAgeMs = st.dataAgeMs;
    const bool live = liveness == Liveness::Live;
    if (liveness == Liveness::Stopped) {
        rt.forecast.reset();
    } else if (live) {
        rt.forecast.observe(o.battery, now.steadyMs);
    }
    st.batteryRemainingMs = rt.forecast.remainingMs(now.steadyMs);

    if (liveness == Liveness::Stopped || st.silenced) {
        clearAll(n, now);
        rt.rfLowSinceMs = kNever;
        refreshLabel(n);
        return;
    }

    const int64_t sinceData = now.steadyMs - rt.liveness.lastDataMs();
    setCondition(n, AlarmKind::Offline, !live && sinceData >= settings_.offlineMs(),
                 (sinceData / 100) / 10.0, true, now);
    setCondition(n, AlarmKind::FrequencyConflict, partner != 0, o.freqKhz / 1000.0, true, now);

    // Without fresh values the value alarms neither start nor clear: they would only repeat
    // the offline alarm, and stale values prove nothing either way.
    if (!live) {
        rt.rfLowSinceMs = kNever;
        refreshLabel(n);
        return;
    }
    const bool batteryKnown = o.battery >= 0;
    setCondition(n, AlarmKind::BatteryLow, batteryKnown && o.battery <= settings_.batteryLow,
                 o.battery, false, now);
    setCondition(n, AlarmKind::BatteryCritical, batteryKnown && o.battery == 0, o.battery, false,
                 now);

    const int32_t rfLow = settings_.rfLowDbm * 10;
    const bool rfKnown = o.rfLevelA != kNoLevel && o.rfLevelB != kNoLevel;
    if (rfKnown && o.rfLevelA < rfLow && o.rfLevelB < rfLow) {
        if (rt.rfLowSinceMs == kNever) {
            rt.rfLowSinceMs = now.steadyMs;
        }
    } else {
        rt.rfLowSinceMs = kNever;
    }
    setCondition(n, AlarmKind::RfLoss,
                 rt.rfLowSinceMs != kNever && now.steadyMs - rt.rfLowSinceMs >= settings_.rfLowMs(),
                 std::max(o.rfLevelA, o.rfLevelB) / 10.0, false, now);

    setCondition(n, AlarmKind::Clip, o.clipRun >= settings_.clipPolls, o.afLevel / 10.0, true, now);
    setCondition(n, AlarmKind::Muted, settings_.muted && o.mute == 1, 1.0, true, now);

    const auto& remaining = st.batteryRemainingMs;
    const bool shortOfEnd = showEndWallMs_.has_value() && remaining.has_value() &&
                            rt.forecast.steps() > 0 && now.wallMs + *remaining < *showEndWallMs_;
    setCondition(n, AlarmKind::BatteryForecast, shortOfEnd,
                 remaining ? std::optional<double>(*remaining / 60000.0) : std::nullopt, false,
                 now);
    refreshLabel(n);
}

void AlarmModel::setCondition(int n, AlarmKind kind, bool present, std::optional<double> value,
                              bool worseWhenHigher, const ShowTime& now) {
    KindState& ks = runtime_[n - 1].kinds[kindIndex(kind)];
    if (present && !ks.lastPresent) {
        ks.appearances.push_back(now.steadyMs);
    }
    ks.lastPresent = present;
    while (!ks.appearances.empty() &&
           now.steadyMs - ks.appearances.front() > settings_.flapWindowMs()) {
        ks.appearances.pop_front();
    }
    const bool flapping = static_cast<int>(ks.appearances.size()) > settings_.flapCount;
    AlarmRecord* alarm = findOpen(ks.openId);

    if (present) {
        ks.clearedSinceMs = kNever;
        if (alarm == nullptr) {
            startAlarm(n, kind, value, flapping, now);
            return;
        }
        alarm->conditionPresent = true;
        if (value && (!alarm->worstValue || (worseWhenHigher ? *value > *alarm->worstValue
                                                             : *value < *alarm->worstValue))) {
            alarm->worstValue = value;
        }
        if (flapping && !alarm->flapping) {
            alarm->flapping = true;
            queueEvent(AlarmEventType::Flapping, *alarm, now.wallMs);
        }
        return;
    }
    if (alarm == nullptr) {
        return;
    }
    if (alarm->conditionPresent) {
        alarm->conditionPresent = false;
        ks.clearedSinceMs = now.steadyMs;
        ks.clearedSinceWallMs = now.wallMs;
    }
    // A flapping alarm stays open until its condition has kept away for a whole flap window.
    const int64_t hold = alarm->flapping ? settings_.flapWindowMs() : settings_.holdMs();
    if (now.steadyMs - ks.clearedSinceMs >= hold) {
        clearAlarm(n, kind, ks.clearedSinceWallMs);
    }
}

void AlarmModel::startAlarm(int n, AlarmKind kind, std::optional<double> value, bool flapping,
                            const ShowTime& now) {
    const ReceiverRuntime& rt = runtime_[n - 1];
    AlarmRecord alarm;
    alarm.id = nextId_++;
    alarm.receiver = n;
    alarm.kind = kind;
    alarm.severity = alarmSeverity(kind);
    alarm.name = rt.name;
    alarm.freqText = rt.freqText;
    alarm.startWallMs = now.wallMs;
    alarm.startValue = value;
    alarm.worstValue = value;
    alarm.flapping = flapping;
    open_.push_back(alarm);
    runtime_[n - 1].kinds[kindIndex(kind)].openId = alarm.id;
    queueEvent(AlarmEventType::Start, alarm, now.wallMs);
    if (flapping) {
        queueEvent(AlarmEventType::Flapping, alarm, now.wallMs);
    }
}

void AlarmModel::clearAlarm(int n, AlarmKind kind, int64_t clearWallMs) {
    KindState& ks = runtime_[n - 1].kinds[kindIndex(kind)];
    const auto it = std::find_if(open_.begin(), open_.end(),
                                 [&](const AlarmRecord& a) { return a.id == ks.openId; });
    ks.openId = 0;
    ks.clearedSinceMs = kNever;
    if (it == open_.end()) {
        return;
    }
    AlarmRecord alarm = *it;
    open_.erase(it);
    alarm.clearWallMs = clearWallMs;
    alarm.conditionPresent = false;
    queueEvent(AlarmEventType::Clear, alarm, clearWallMs);
    history_.push_front(std::move(alarm));
    if (history_.size() > kHistoryLimit) {
        history_.pop_back();
    }
}

void AlarmModel::clearAll(int n, const ShowTime& now) {
    for (size_t k = 0; k < kAlarmKindCount; ++k) {
        KindState& ks = runtime_[n - 1].kinds[k];
        if (ks.openId != 0) {
            clearAlarm(n, static_cast<AlarmKind>(k), now.wallMs);
        }
        ks.lastPresent = false;
    }
}

AlarmRecord* AlarmModel::findOpen(uint64_t id) {
    if (id == 0) {
        return nullptr;
    }
    for (auto& alarm : open_) {
        if (alarm.id == id) {
            return &alarm;
        }
    }
    return nullptr;
}

bool AlarmModel::acknowledge(uint64_t alarmId, const ShowTime& now) {
    AlarmRecord* alarm = findOpen(alarmId);
    if (alarm == nullptr || alarm->acknowledged()) {
        return false;
    }
    alarm->ackWallMs = now.wallMs;
    queueEvent(AlarmEventType::Ack, *alarm, now.wallMs);
    refreshLabel(alarm->receiver);
    return true;
}

int AlarmModel::acknowledgeAll(const ShowTime& now, int receiver) {
    std::vector<uint64_t> ids;
    for (const auto& alarm : open_) {
        if (!alarm.acknowledged() && (receiver == 0 || alarm.receiver == receiver)) {
            ids.push_back(alarm.id);
        }
    }
    std::sort(ids.begin(), ids.end());
    int count = 0;
    for (uint64_t id : ids) {
        count += acknowledge(id, now) ? 1 : 0;
    }
    return count;
}

void AlarmModel::silence(int n, std::optional<int64_t> untilWallMs, const ShowTime& now) {
    if (!validReceiver(n)) {
        return;
    }
    ReceiverShowState& st = states_[n - 1];
    st.silenced = true;
    st.silencedUntilWallMs = untilWallMs;
    clearAll(n, now);
    runtime_[n - 1].rfLowSinceMs = kNever;
    AlarmEvent event;
    event.type = AlarmEventType::Silence;
    event.wallMs = now.wallMs;
    event.receiver = n;
    event.name = runtime_[n - 1].name;
    event.freqText = runtime_[n - 1].freqText;
    event.silenceUntilWallMs = untilWallMs;
    events_.push_back(std::move(event));
    refreshLabel(n);
}

void AlarmModel::unsilence(int n, const ShowTime& now) {
    if (!validReceiver(n) || !states_[n - 1].silenced) {
        return;
    }
    ReceiverShowState& st = states_[n - 1];
    st.silenced = false;
    st.silencedUntilWallMs.reset();
    AlarmEvent event;
    event.type = AlarmEventType::Unsilence;
    event.wallMs = now.wallMs;
    event.receiver = n;
    event.name = runtime_[n - 1].name;
    event.freqText = runtime_[n - 1].freqText;
    events_.push_back(std::move(event));
    refreshLabel(n);
}

void AlarmModel::refreshLabel(int n) {
    ReceiverShowState& st = states_[n - 1];
    PanelAlarmLabel label;
    if (st.silenced) {
        label.text = kLabelSilenced;
        st.label = label;
        return;
    }
    const AlarmRecord* shown = nullptr;
    bool flapping = false;
    for (bool wantPresent : {true, false}) {
        for (AlarmKind kind : kLabelPriority) {
            const AlarmRecord* alarm = findOpen(runtime_[n - 1].kinds[kindIndex(kind)].openId);
            if (alarm == nullptr) {
                continue;
            }
            label.border = true;
            label.flash = label.flash || !alarm->acknowledged();
            flapping = flapping || alarm->flapping;
            if (shown == nullptr && alarm->conditionPresent == wantPresent) {
                shown = alarm;
            }
        }
    }
    if (shown != nullptr) {
        label.severity = shown->severity;
        if (flapping) {
            label.text = kLabelFlapping;
        } else if (shown->kind == AlarmKind::Offline && st.liveness == Liveness::NoData) {
            label.text = kLabelNoData;
        } else {
            label.text = alarmLabelText(shown->kind);
        }
    }
    st.label = label;
}

void AlarmModel::queueEvent(AlarmEventType type, const AlarmRecord& alarm, int64_t wallMs) {
    AlarmEvent event;
    event.type = type;
    event.wallMs = wallMs;
    event.receiver = alarm.receiver;
    event.name = alarm.name;
    event.freqText = alarm.freqText;
    event.kind = alarm.kind;
    event.severity = alarm.severity;
    event.value = type == AlarmEventType::Start ? alarm.startValue : alarm.worstValue;
    event.alarmId = alarm.id;
    events_.push_back(std::move(event));
}

std::vector<AlarmRecord> AlarmModel::activeAlarms() const {
    std::vector<AlarmRecord> alarms(open_.rbegin(), open_.rend());
    std::sort(alarms.begin(), alarms.end(),
              [](const AlarmRecord& a, const AlarmRecord& b) { return a.id > b.id; });
    return alarms;
}

std::vector<AlarmRecord> AlarmModel::history() const {
    return {history_.begin(), history_.end()};
}

int AlarmModel::unacknowledgedCount() const {
    return static_cast<int>(std::count_if(open_.begin(), open_.end(),
                                          [](const AlarmRecord& a) { return !a.acknowledged(); }));
}

std::vector<AlarmEvent> AlarmModel::takeEvents() {
    std::vector<AlarmEvent> events;
    events.swap(events_);
    return events;
}

} // namespace tessaly::show
