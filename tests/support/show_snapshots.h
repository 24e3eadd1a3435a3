#pragma once

// Show snapshots built by hand for the readers' tests (history, remote, broker).

#include "show/show_snapshot.h"

#include <cstdint>
#include <string>

namespace tessaly::testing {

struct ReceiverValues {
    int receiver = 1;
    show::Liveness liveness = show::Liveness::Live;
    int32_t rfA = -600; // tenths of dBm
    int32_t rfB = -650;
    int32_t af = -200; // tenths of dB
    int32_t battery = 4;
    int32_t antenna = 0;
    int32_t mute = 0;
    std::string name = "Vocal";
};

inline show::ReceiverSnapshot receiverSnapshot(const ReceiverValues& v) {
    show::ReceiverSnapshot r;
    r.observation.receiver = v.receiver;
    r.observation.name = v.name;
    r.observation.freqText = "606.500";
    r.observation.rfLevelA = v.rfA;
    r.observation.rfLevelB = v.rfB;
    r.observation.afLevel = v.af;
    r.observation.battery = v.battery;
    r.observation.mute = v.mute;
    r.state.receiver = v.receiver;
    r.state.inUse = true;
    r.state.liveness = v.liveness;
    r.antenna = v.antenna;
    return r;
}

// One refresh at `wallMs` (steady time follows the wall clock) with the given receivers.
inline show::ShowSnapshot showSnapshot(int64_t wallMs,
                                       std::initializer_list<ReceiverValues> receivers) {
    show::ShowSnapshot s;
    s.time = show::ShowTime{wallMs, wallMs};
    s.monitoring = true;
    for (const auto& r : receivers) {
        s.receivers.push_back(receiverSnapshot(r));
    }
    return s;
}

} // namespace tessaly::testing
