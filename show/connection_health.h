#pragma once

// How well a receiver's connection is doing, as the warning icon's tooltip and the journal
// window show it. The monitor engine keeps a RoundTripWindow of its poll round trips and
// publishes the last and the worst of the last minute; the snapshot copies them into a
// ConnectionHealth per receiver.

#include <array>
#include <cstdint>
#include <string>

namespace tessaly::show {

struct ConnectionHealth {
    int64_t lastAnswerAgeMs = -1;  // -1: no answer since Start
    int32_t roundTripLastMs = -1;  // -1: none measured
    int32_t roundTripWorstMs = -1; // the worst of the last minute
    int32_t reconnects = 0;        // connections made again after a failure, since Start
    bool operator==(const ConnectionHealth&) const = default;
};

// "last answer 0.1 s ago, round trip 4 ms (worst 12 ms in the last minute), 2 reconnects"
std::string healthText(const ConnectionHealth& health);

// The worst poll round trip of the last minute, kept in one-second buckets so that adding is
// constant time and no sample list grows. Used on one thread (the engine's).
class RoundTripWindow {
public:
    static constexpr int kBuckets = 60;

    void add(int64_t nowMs, int32_t roundTripMs);
    // -1 when nothing was added within the last minute.
    int32_t worst(int64_t nowMs) const;
    void reset() { *this = RoundTripWindow{}; }

private:
    std::array<int64_t, kBuckets> second_{}; // the second each bucket holds, 0: empty
    std::array<int32_t, kBuckets> worst_{};
};

} // namespace tessaly::show
