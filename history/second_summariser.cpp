#include "history/second_summariser.h"

#include "protocol/receiver_table.h"

#include <algorithm>

namespace tessaly::history {

namespace {

std::optional<int32_t> level(int32_t tenths) {
    if (tenths == kNoLevel) {
        return std::nullopt;
    }
    return tenths;
}

void widen(std::optional<int32_t>& low, std::optional<int32_t>& high, std::optional<int32_t> v) {
    if (!v) {
        return;
    }
    low = low ? std::min(*low, *v) : *v;
    high = high ? std::max(*high, *v) : *v;
}

std::optional<HistoryState> stateOf(show::Liveness liveness) {
    switch (liveness) {
    case show::Liveness::Live:
        return HistoryState::Live;
    case show::Liveness::NoData:
        return HistoryState::NoData;
    case show::Liveness::Offline:
        return HistoryState::Offline;
    case show::Liveness::Stopped:
        break;
    }
    return std::nullopt;
}

} // namespace

const char* historyStateName(HistoryState state) {
    switch (state) {
    case HistoryState::Live:
        return "live";
    case HistoryState::NoData:
        return "no-data";
    case HistoryState::Offline:
        return "offline";
    }
    return "offline";
}

bool operator==(const HistoryRow& a, const HistoryRow& b) {
    return a.receiver == b.receiver && a.second == b.second && a.state == b.state &&
           a.rfAMin == b.rfAMin && a.rfAMax == b.rfAMax && a.rfBMin == b.rfBMin &&
           a.rfBMax == b.rfBMax && a.afMax == b.afMax && a.battery == b.battery &&
           a.antenna == b.antenna && a.antennaChanges == b.antennaChanges && a.muted == b.muted;
}

int64_t secondOf(int64_t wallMs) {
    return wallMs >= 0 ? wallMs / 1000 : -((-wallMs + 999) / 1000);
}

SecondSummariser::SecondSummariser() {
    lastAntenna_.fill(-1);
}

std::vector<HistoryRow> SecondSummariser::add(const show::ShowSnapshot& snapshot) {
    std::vector<HistoryRow> closed;
    if (!snapshot.monitoring) {
        return close();
    }
    const int64_t second = secondOf(snapshot.time.wallMs);
    if (openSecond_ && *openSecond_ != second) {
        closed = close();
    }
    openSecond_ = second;
    for (const auto& receiver : snapshot.receivers) {
        take(receiver);
    }
    return closed;
}

std::vector<HistoryRow> SecondSummariser::finish() {
    return close();
}

std::vector<HistoryRow> SecondSummariser::close() {
    std::vector<HistoryRow> rows;
    for (auto& open : open_) {
        if (open) {
            rows.push_back(*open);
            open.reset();
        }
    }
    openSecond_.reset();
    return rows;
}

void SecondSummariser::take(const show::ReceiverSnapshot& snapshot) {
    const int number = snapshot.observation.receiver;
    if (number < 1 || number > show::kShowMaxReceivers || !snapshot.state.inUse) {
        return;
    }
    const std::optional<HistoryState> state = stateOf(snapshot.state.liveness);
    if (!state) {
        return;
    }
    seen_[number] =
        HistoryReceiver{number, snapshot.observation.name, snapshot.observation.freqText, 0, 0};
    auto& open = open_[number];
    if (!open) {
        open = HistoryRow{};
        open->receiver = number;
        open->second = *openSecond_;
        open->state = *state;
        if (lastAntenna_[number] >= 0) {
            open->antenna = lastAntenna_[number];
        }
    }
    HistoryRow& row = *open;
    row.state = std::max(row.state, *state);
    if (*state != HistoryState::Live) {
        return;
    }
    const auto& o = snapshot.observation;
    widen(row.rfAMin, row.rfAMax, level(o.rfLevelA));
    widen(row.rfBMin, row.rfBMax, level(o.rfLevelB));
    std::optional<int32_t> unusedLow;
    widen(unusedLow, row.afMax, level(o.afLevel));
    if (o.battery >= 0) {
        row.battery = o.battery;
    }
    if (o.mute >= 0) {
        row.muted = row.muted.value_or(false) || o.mute != 0;
    }
    if (snapshot.antenna == 0 || snapshot.antenna == 1) {
        int32_t& last = lastAntenna_[number];
        if (last >= 0 && last != snapshot.antenna) {
            ++row.antennaChanges;
        }
        last = snapshot.antenna;
        row.antenna = snapshot.antenna;
    }
}

std::vector<HistoryReceiver> SecondSummariser::receivers() const {
    std::vector<HistoryReceiver> out;
    for (const auto& seen : seen_) {
        if (seen) {
            out.push_back(*seen);
        }
    }
    return out;
}

} // namespace tessaly::history
