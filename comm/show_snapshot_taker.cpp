#include "comm/show_snapshot_taker.h"

namespace tessaly {

uint32_t rgbFromTableColour(uint32_t colour) {
    return ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}

show::ShowSnapshot
ShowSnapshotTaker::build(const ReceiverTable& table, const MonitorValueTable& values,
                         const std::vector<show::ReceiverObservation>& observations,
                         const show::AlarmModel& model, std::vector<show::AlarmEvent> events,
                         const show::ShowTime& time) {
    show::ShowSnapshot snapshot;
    snapshot.time = time;
    snapshot.monitoring = true;
    snapshot.refreshIntervalMs = refreshIntervalMs_;
    snapshot.activeAlarms = model.activeAlarms();
    snapshot.events = std::move(events);
    snapshot.receivers.reserve(observations.size());
    for (const show::ReceiverObservation& o : observations) {
        if (o.receiver < 1 || o.receiver > kMaxReceivers) {
            continue;
        }
        show::ReceiverSnapshot r;
        r.observation = o;
        r.state = model.receiver(o.receiver);
        const int32_t antenna = values.byNumber(o.receiver).antennaSelect;
        r.antenna = antenna == 0 || antenna == 1 ? antenna : -1;
        const ReceiverRecord& record = table.byNumber(o.receiver);
        {
            auto lock = table.lockTexts();
            r.comment = record.comment;
            r.colour = rgbFromTableColour(record.colors[0]);
        }
        for (const show::AlarmRecord& alarm : snapshot.activeAlarms) {
            if (alarm.receiver == o.receiver) {
                r.activeAlarms.push_back(alarm.kind);
            }
        }
        auto& last = lastLive_[static_cast<size_t>(o.receiver - 1)];
        if (r.state.liveness == show::Liveness::Live) {
            last = show::LastLiveValues{o.rfLevelA, o.rfLevelB, o.afLevel,
                                        o.battery,  o.mute,     r.antenna};
        }
        r.lastLive = last;
        snapshot.receivers.push_back(std::move(r));
    }
    return snapshot;
}

void ShowSnapshotTaker::take(const ReceiverTable& table, const MonitorValueTable& values,
                             const std::vector<show::ReceiverObservation>& observations,
                             const show::AlarmModel& model, std::vector<show::AlarmEvent> events,
                             const show::ShowTime& time) {
    hub_.publish(build(table, values, observations, model, std::move(events), time));
}

void ShowSnapshotTaker::stopped(std::vector<show::AlarmEvent> events, const show::ShowTime& time) {
    lastLive_.fill(std::nullopt);
    show::ShowSnapshot snapshot;
    snapshot.time = time;
    snapshot.monitoring = false;
    snapshot.refreshIntervalMs = refreshIntervalMs_;
    snapshot.events = std::move(events);
    hub_.publish(std::move(snapshot));
}

} // namespace tessaly
