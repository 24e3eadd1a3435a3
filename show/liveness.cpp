#include "show/liveness.h"

namespace tessaly::show {

const char* livenessName(Liveness liveness) {
    switch (liveness) {
    case Liveness::Live:
        return "live";
    case Liveness::NoData:
        return "no-data";
    case Liveness::Offline:
        return "offline";
    case Liveness::Stopped:
        break;
    }
    return "stopped";
}

Liveness LivenessTracker::update(const LivenessInput& input, int64_t nowMs) {
    if (!input.running) {
        reset();
        return state_;
    }
    if (state_ == Liveness::Stopped) {
        startedMs_ = nowMs;
        state_ = Liveness::NoData;
    }
    // Only answers of this run count; an engine clears its stamp at Start, and one from before
    // the first update of this run is taken as this run's.
    if (input.lastAnswerMs != kNever) {
        lastAnswerMs_ = input.lastAnswerMs;
    }
    const int64_t freshFor = int64_t{input.pollIntervalMs} + input.answerTimeoutMs;
    const bool fresh =
        input.connected && lastAnswerMs_ != kNever && nowMs - lastAnswerMs_ < freshFor;
    if (fresh) {
        // After a failure only an answer that came after it brings the receiver back.
        if (state_ != Liveness::Offline || lastAnswerMs_ > failedAtMs_) {
            state_ = Liveness::Live;
            failedAtMs_ = kNever;
        }
    } else if (state_ != Liveness::Offline) {
        if (input.connected) {
            state_ = Liveness::NoData;
        } else {
            state_ = Liveness::Offline;
            failedAtMs_ = nowMs;
        }
    }
    return state_;
}

int64_t LivenessTracker::dataAgeMs(int64_t nowMs) const {
    return lastAnswerMs_ == kNever ? kNever : nowMs - lastAnswerMs_;
}

std::string ageText(int64_t ageMs) {
    if (ageMs < 0) {
        return {};
    }
    const int64_t seconds = ageMs / 1000;
    if (seconds < 60) {
        return std::to_string(seconds) + " s";
    }
    if (seconds < 3600) {
        return std::to_string(seconds / 60) + " min";
    }
    return std::to_string(seconds / 3600) + " h";
}

} // namespace tessaly::show
