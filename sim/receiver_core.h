#pragma once

#include "sim/command_interpreter.h"
#include "sim/fault.h"
#include "sim/live_levels.h"
#include "sim/receiver_state.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tessaly::sim {

constexpr size_t kMaxRecordedLines = 4096; // the oldest received lines go first

// The part of one simulated receiver that any thread may touch: its state, its fault, the
// lines it received and its level override, all under one lock. The network side lives on the
// simulator's thread and comes here for every command line.
class ReceiverCore {
public:
    using Clock = std::chrono::steady_clock;

    ReceiverCore(int number, ReceiverState initial, uint64_t seed, Clock::time_point start);

    int number() const { return number_; }

    // Records the line and, unless the receiver is silent, runs it.
    LineOutcome runLine(const std::string& line);

    // A reboot forgets the remote state.
    void rebooted();

    Fault fault() const;
    void setFault(const Fault& fault);

    ReceiverState state() const;
    void setState(const ReceiverState& state);

    LiveLevels levels() const;
    void setLevelOverride(const std::optional<LiveLevels>& levels);

    std::vector<std::string> receivedLines() const;
    size_t receivedCount() const; // every line ever received, also those no longer kept
    void clearReceivedLines();    // also restarts the count
    bool waitForReceivedCount(size_t count, int timeoutMs) const;

    void connectionOpened();
    void connectionClosed();
    int openConnections() const;
    int acceptedConnections() const;

private:
    LiveLevels levelsLocked() const;

    const int number_;
    const uint64_t seed_;
    const Clock::time_point start_;

    mutable std::mutex mutex_;
    mutable std::condition_variable received_;
    ReceiverState state_;
    Fault fault_;
    std::optional<LiveLevels> levelOverride_;
    std::deque<std::string> lines_;
    size_t receivedCount_ = 0;
    int openConnections_ = 0;
    int acceptedConnections_ = 0;
};

} // namespace tessaly::sim
