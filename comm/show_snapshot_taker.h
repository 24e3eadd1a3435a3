#pragma once

// Builds the show snapshot of one refresh for the readers outside the view (remote board,
// broker, history) and publishes it on a SnapshotHub. The snapshot taker (the view's show
// watch, tessaly-cli's monitor loop) calls take() right after the alarm model's update, with
// the observations it fed the model and the events the model queued since the last call.

#include "protocol/receiver_table.h"
#include "show/snapshot_hub.h"

#include <array>
#include <optional>
#include <vector>

namespace tessaly {

class ShowSnapshotTaker {
public:
    explicit ShowSnapshotTaker(show::SnapshotHub& hub, int refreshIntervalMs = 100)
        : hub_(hub), refreshIntervalMs_(refreshIntervalMs) {}

    void setRefreshInterval(int ms) { refreshIntervalMs_ = ms; }

    // One refresh while monitoring. `observations` are those of the receivers in use, by number.
    void take(const ReceiverTable& table, const MonitorValueTable& values,
              const std::vector<show::ReceiverObservation>& observations,
              const show::AlarmModel& model, std::vector<show::AlarmEvent> events,
              const show::ShowTime& time);
    // Monitoring stopped: a snapshot without receivers, carrying the clears of the stop.
    void stopped(std::vector<show::AlarmEvent> events, const show::ShowTime& time);

    // What take() would publish, without publishing (tests, benches).
    show::ShowSnapshot build(const ReceiverTable& table, const MonitorValueTable& values,
                             const std::vector<show::ReceiverObservation>& observations,
                             const show::AlarmModel& model, std::vector<show::AlarmEvent> events,
                             const show::ShowTime& time);

    show::SnapshotHub& hub() { return hub_; }

private:
    show::SnapshotHub& hub_;
    int refreshIntervalMs_;
    std::array<std::optional<show::LastLiveValues>, kMaxReceivers> lastLive_{};
};

// 0x00BBGGRR, as the table keeps colours, to 0x00RRGGBB.
uint32_t rgbFromTableColour(uint32_t colour);

} // namespace tessaly
