#include "sim/receiver_core.h"

#include <algorithm>

namespace tessaly::sim {

ReceiverCore::ReceiverCore(int number, ReceiverState initial, uint64_t seed,
                           Clock::time_point start)
    : number_(number), seed_(seed), start_(start), state_(std::move(initial)) {}

LineOutcome ReceiverCore::runLine(const std::string& line) {
    LineOutcome outcome;
    {
        std::lock_guard lock(mutex_);
        lines_.push_back(line);
        if (lines_.size() > kMaxRecordedLines) {
            lines_.pop_front();
        }
        ++receivedCount_;
        if (fault_.kind != FaultKind::Silent) {
            outcome = interpretLine(line, state_, [this] { return levelsLocked(); });
        }
    }
    received_.notify_all();
    return outcome;
}

void ReceiverCore::rebooted() {
    std::lock_guard lock(mutex_);
    state_.remote = 0;
}

Fault ReceiverCore::fault() const {
    std::lock_guard lock(mutex_);
    return fault_;
}

void ReceiverCore::setFault(const Fault& fault) {
    std::lock_guard lock(mutex_);
    fault_ = fault;
}

ReceiverState ReceiverCore::state() const {
    std::lock_guard lock(mutex_);
    return state_;
}

void ReceiverCore::setState(const ReceiverState& state) {
    std::lock_guard lock(mutex_);
    state_ = state;
}

LiveLevels ReceiverCore::levels() const {
    std::lock_guard lock(mutex_);
    return levelsLocked();
}

void ReceiverCore::setLevelOverride(const std::optional<LiveLevels>& levels) {
    std::lock_guard lock(mutex_);
    levelOverride_ = levels;
}

void ReceiverCore::setBatteryLevel(int32_t level) {
    std::lock_guard lock(mutex_);
    control_.battery = level;
    control_.drainFrom = Clock::now(); // a running drain goes on from the new level
}

void ReceiverCore::setDrain(int secondsPerLevel) {
    std::lock_guard lock(mutex_);
    control_.battery = levelsLocked().battery;
    control_.drainSecondsPerLevel = secondsPerLevel;
    control_.drainFrom = Clock::now();
}

void ReceiverCore::setRfLevels(std::optional<double> dbmA, std::optional<double> dbmB) {
    std::lock_guard lock(mutex_);
    control_.rfA = dbmA;
    control_.rfB = dbmB;
}

void ReceiverCore::setAfLevel(std::optional<double> db) {
    std::lock_guard lock(mutex_);
    control_.af = db;
}

void ReceiverCore::setMute(int32_t mute) {
    std::lock_guard lock(mutex_);
    control_.mute = mute;
}

LiveLevels ReceiverCore::levelsLocked() const {
    LiveLevels levels = uncontrolledLevelsLocked();
    if (control_.battery) {
        levels.battery = *control_.battery;
        if (control_.drainSecondsPerLevel > 0) {
            const auto drained =
                std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - control_.drainFrom)
                    .count() /
                control_.drainSecondsPerLevel;
            levels.battery =
                static_cast<int32_t>(std::max<int64_t>(0, int64_t{*control_.battery} - drained));
        }
    }
    if (control_.rfA && control_.rfB) {
        levels.rfA = *control_.rfA;
        levels.rfB = *control_.rfB;
    }
    if (control_.af) {
        levels.af = *control_.af;
    }
    if (control_.mute) {
        levels.mute = *control_.mute;
    }
    return levels;
}

LiveLevels ReceiverCore::uncontrolledLevelsLocked() const {
    if (levelOverride_) {
        return *levelOverride_;
    }
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
    return levelsAt(seed_, number_, elapsed);
}

std::vector<std::string> ReceiverCore::receivedLines() const {
    std::lock_guard lock(mutex_);
    return std::vector<std::string>(lines_.begin(), lines_.end());
}

size_t ReceiverCore::receivedCount() const {
    std::lock_guard lock(mutex_);
    return receivedCount_;
}

void ReceiverCore::clearReceivedLines() {
    std::lock_guard lock(mutex_);
    lines_.clear();
    receivedCount_ = 0;
}

bool ReceiverCore::waitForReceivedCount(size_t count, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return received_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return receivedCount_ >= count; });
}

void ReceiverCore::connectionOpened() {
    std::lock_guard lock(mutex_);
    ++openConnections_;
    ++acceptedConnections_;
}

void ReceiverCore::connectionClosed() {
    std::lock_guard lock(mutex_);
    --openConnections_;
}

int ReceiverCore::openConnections() const {
    std::lock_guard lock(mutex_);
    return openConnections_;
}

int ReceiverCore::acceptedConnections() const {
    std::lock_guard lock(mutex_);
    return acceptedConnections_;
}

} // namespace tessaly::sim
