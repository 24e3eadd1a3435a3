#include "monitor/history_file_source.h"

#include "history/history_file.h"

#include <cmath>
#include <limits>
#include <string_view>

namespace tessaly {

namespace {
constexpr int64_t kMsPerSecond = 1000;
constexpr double kTenths = 10.0;

double tenths(const std::optional<int32_t>& value) {
    return value ? *value / kTenths : 0.0;
}

void updateTrack(HistoryTrack& track, const history::HistoryReceiver& receiver) {
    track.receiver = receiver.receiver;
    track.name = QString::fromStdString(receiver.name);
    track.freqText = QString::fromStdString(receiver.freqText);
    track.firstMs = receiver.firstSecond * kMsPerSecond;
    track.lastMs = receiver.lastSecond * kMsPerSecond;
}
} // namespace

HistorySecond historySecond(const history::HistoryRow& row) {
    HistorySecond s;
    s.wallMs = row.second * kMsPerSecond;
    s.live = row.state == history::HistoryState::Live && row.rfAMin && row.rfAMax && row.rfBMin &&
             row.rfBMax && row.afMax;
    s.state = history::historyStateName(row.state);
    s.rfAMin = tenths(row.rfAMin);
    s.rfAMax = tenths(row.rfAMax);
    s.rfBMin = tenths(row.rfBMin);
    s.rfBMax = tenths(row.rfBMax);
    s.afMax = tenths(row.afMax);
    s.battery = row.battery.value_or(-1);
    s.antenna = row.antenna.value_or(-1);
    s.muted = row.muted.value_or(false);
    return s;
}

history::HistoryRow historyRow(const HistorySecond& second, int receiver) {
    const auto tenthsOf = [](double value) {
        return static_cast<int32_t>(std::lround(value * kTenths));
    };
    history::HistoryRow row;
    row.receiver = receiver;
    row.second = second.wallMs / kMsPerSecond;
    const std::string_view state = second.state;
    row.state = state == "offline"   ? history::HistoryState::Offline
                : state == "no-data" ? history::HistoryState::NoData
                                     : history::HistoryState::Live;
    if (second.live) {
        row.rfAMin = tenthsOf(second.rfAMin);
        row.rfAMax = tenthsOf(second.rfAMax);
        row.rfBMin = tenthsOf(second.rfBMin);
        row.rfBMax = tenthsOf(second.rfBMax);
        row.afMax = tenthsOf(second.afMax);
        row.muted = second.muted;
    }
    if (second.battery >= 0) {
        row.battery = second.battery;
    }
    if (second.antenna >= 0) {
        row.antenna = second.antenna;
    }
    return row;
}

HistoryFileSource::HistoryFileSource() = default;
HistoryFileSource::~HistoryFileSource() = default;

bool HistoryFileSource::open(const QString& path, HistoryShow& show, QString* error) {
    path_ = path;
    reader_ = std::make_unique<history::HistoryReader>(path);
    std::vector<history::HistoryReceiver> receivers;
    if (reader_->isOpen()) {
        receivers = reader_->receivers();
    }
    if (!reader_->isOpen()) {
        if (error != nullptr) {
            *error = reader_->errorText();
        }
        reader_.reset();
        return false;
    }
    show = HistoryShow{};
    show.path = path;
    for (const history::HistoryReceiver& receiver : receivers) {
        updateTrack(show.tracks[receiver.receiver], receiver);
    }
    return true;
}

bool HistoryFileSource::load(HistoryTrack& track) {
    if (track.loaded) {
        return true;
    }
    if (reader_ == nullptr) {
        return false;
    }
    const std::vector<history::HistoryRow> rows =
        reader_->rows(track.receiver, 0, std::numeric_limits<int64_t>::max() / kMsPerSecond);
    if (!reader_->isOpen()) {
        return false;
    }
    track.seconds.clear();
    track.seconds.reserve(rows.size());
    for (const history::HistoryRow& row : rows) {
        track.seconds.push_back(historySecond(row));
    }
    track.loaded = true;
    return true;
}

bool HistoryFileSource::rows(int receiver, int64_t fromMs, int64_t toMs,
                             std::vector<history::HistoryRow>& out) {
    if (reader_ == nullptr || !reader_->isOpen()) {
        reader_ = std::make_unique<history::HistoryReader>(path_);
    }
    // The seconds whose start lies within fromMs..toMs.
    const int64_t from = (fromMs + kMsPerSecond - 1) / kMsPerSecond;
    out = reader_->rows(receiver, from, toMs / kMsPerSecond);
    return reader_->isOpen();
}

bool HistoryFileSource::readNew(HistoryShow& show) {
    if (path_.isEmpty()) {
        return false;
    }
    // A reader that failed once (the file was busy, or replaced) stays failed: take a new one.
    if (reader_ == nullptr || !reader_->isOpen()) {
        reader_ = std::make_unique<history::HistoryReader>(path_);
    }
    const std::vector<history::HistoryReceiver> receivers = reader_->receivers();
    if (!reader_->isOpen()) {
        return false;
    }
    for (const history::HistoryReceiver& receiver : receivers) {
        HistoryTrack& track = show.tracks[receiver.receiver];
        const int64_t lastMs = track.seconds.empty() ? -1 : track.seconds.back().wallMs;
        updateTrack(track, receiver);
        if (!track.loaded) {
            continue;
        }
        const int64_t from = lastMs < 0 ? 0 : lastMs / kMsPerSecond + 1;
        for (const history::HistoryRow& row :
             reader_->rows(receiver.receiver, from, receiver.lastSecond)) {
            track.seconds.push_back(historySecond(row));
        }
    }
    return reader_->isOpen();
}

} // namespace tessaly
