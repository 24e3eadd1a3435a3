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

    // Rehearsal controls laid over the levels (tessaly-sim --control). A battery level holds
    // until changed; a drain takes one level every `secondsPerLevel` from the level at hand
    // (0 stops it where it is); unset RF or AF values return to the live levels.
    void setBatteryLevel(int32_t level);
    void setDrain(int secondsPerLevel);
    void setRfLevels(std::optional<double> dbmA, std::optional<double> dbmB);
    void setAfLevel(std::optional<double> db);
    void setMute(int32_t mute);

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
    LiveLevels uncontrolledLevelsLocked() const;

    const int number_;
    const uint64_t seed_;
    const Clock::time_point start_;

    mutable std::mutex mutex_;
    mutable std::condition_variable received_;
    ReceiverState state_;
    Fault fault_;
    std::optional<LiveLevels> levelOverride_;
    struct LevelControl {
        std::optional<int32_t> battery;
        int drainSecondsPerLevel = 0;
        Clock::time_point drainFrom;
        std::optional<double> rfA, rfB, af;
        std::optional<int32_t> mute;
    } control_;
    std::deque<std::string> lines_;
    size_t receivedCount_ = 0;
    int openConnections_ = 0;
    int acceptedConnections_ = 0;
};

} // namespace tessaly::sim
