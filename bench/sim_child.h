#pragma once

#include <QtGlobal>

#include <cstdint>
#include <sys/types.h>
#include <vector>

namespace tessaly::bench {

// A level that the simulator gave one receiver, and when (monotonic ns).
struct LevelChange {
    int number = 0;
    int32_t rfLevelA = 0; // tenths of dBm, as the engines store it
    int64_t atNs = 0;
};

// The receiver simulator in a child process, so that its CPU time and threads stay out of the
// figures of the process under measurement. It records when each poll line arrives and, on
// request, flips every receiver's RF level A between two values at a fixed period. Start it
// before the parent creates its application object or any thread.
class SimChild {
public:
    SimChild() = default;
    SimChild(const SimChild&) = delete;
    SimChild& operator=(const SimChild&) = delete;
    ~SimChild();

    bool start(int count);
    void stop();
    quint16 port() const { return port_; }

    // Arrival times (monotonic ns) of the poll lines received since the last call, per
    // receiver (index 0 is receiver 1).
    std::vector<std::vector<int64_t>> takePollArrivals();

    // Fixed levels for every receiver; from now on RF level A flips every `periodMs`.
    void startLevelFlips(int periodMs);
    std::vector<LevelChange> takeLevelChanges();

private:
    bool command(const char* text);
    bool readLine(std::vector<char>& line);

    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    quint16 port_ = 0;
    int count_ = 0;
    std::vector<char> pending_;
};

} // namespace tessaly::bench
