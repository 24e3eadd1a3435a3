#include "sim/live_levels.h"

#include "sim/sim_hash.h"

#include <algorithm>
#include <cmath>

namespace tessaly::sim {

namespace {

// Channels of the hash, so that the quantities of one receiver are independent.
enum Channel : uint64_t {
    kChanRfBase = 1,
    kChanRfSlow,
    kChanRfFast,
    kChanDropout,
    kChanTalk,
    kChanSyllable,
    kChanPeak,
    kChanMute,
    kChanBattery,
};

constexpr int64_t kRfSlowPeriodMs = 3000;
constexpr int64_t kRfFastPeriodMs = 120;
constexpr int64_t kDropoutSlotMs = 1000;
constexpr double kDropoutChance = 0.025;
constexpr int64_t kPhraseSlotMs = 2500;
constexpr double kTalkChance = 0.7;
constexpr int64_t kSyllablePeriodMs = 160;
constexpr double kPeakChance = 0.04;
constexpr int64_t kMuteSlotMs = 20000;
constexpr double kMuteChance = 0.04;
constexpr int64_t kBatteryStepMs = 8 * 60 * 1000; // one bar every eight minutes
constexpr int64_t kBatterySwapMs = 60 * 1000;     // empty for a minute, then a fresh battery

int64_t floorDiv(int64_t value, int64_t divisor) {
    int64_t quotient = value / divisor;
    if ((value % divisor != 0) && ((value < 0) != (divisor < 0))) {
        --quotient;
    }
    return quotient;
}

// Smooth noise in [0, 1): hashed points every `periodMs`, joined by a smoothstep.
double smoothNoise(uint64_t seed, uint64_t key, uint64_t channel, int64_t ms, int64_t periodMs) {
    const int64_t slot = floorDiv(ms, periodMs);
    const double t = static_cast<double>(ms - slot * periodMs) / static_cast<double>(periodMs);
    const double a = unitOf(seed, key, channel, static_cast<uint64_t>(slot));
    const double b = unitOf(seed, key, channel, static_cast<uint64_t>(slot + 1));
    const double s = t * t * (3.0 - 2.0 * t);
    return a + (b - a) * s;
}

double rfLevel(uint64_t seed, uint64_t key, int64_t ms) {
    const double base = -72.0 + 16.0 * unitOf(seed, key, kChanRfBase);
    const double slow = (smoothNoise(seed, key, kChanRfSlow, ms, kRfSlowPeriodMs) - 0.5) * 24.0;
    const double fast = (smoothNoise(seed, key, kChanRfFast, ms, kRfFastPeriodMs) - 0.5) * 8.0;
    double level = base + slow + fast;

    const int64_t slot = floorDiv(ms, kDropoutSlotMs);
    if (unitOf(seed, key, kChanDropout, static_cast<uint64_t>(slot)) < kDropoutChance) {
        const int64_t length =
            200 + static_cast<int64_t>(400 * unitOf(seed, key, kChanDropout + 100, slot));
        if (ms - slot * kDropoutSlotMs < length) {
            level = kRfFloorDbm + 6.0 * unitOf(seed, key, kChanRfFast + 100, ms / 50);
        }
    }
    return std::clamp(level, kRfFloorDbm, kRfCeilingDbm);
}

double afLevel(uint64_t seed, uint64_t key, int64_t ms) {
    const int64_t phrase = floorDiv(ms, kPhraseSlotMs);
    const bool talking = unitOf(seed, key, kChanTalk, static_cast<uint64_t>(phrase)) < kTalkChance;
    if (!talking) {
        return kAfFloorDb + 5.0 * smoothNoise(seed, key, kChanSyllable, ms, 400);
    }
    const double envelope = smoothNoise(seed, key, kChanSyllable, ms, kSyllablePeriodMs);
    double level = -32.0 + 38.0 * envelope; // -32 … +6 dB
    const int64_t syllable = floorDiv(ms, kSyllablePeriodMs);
    const double peak = unitOf(seed, key, kChanPeak, static_cast<uint64_t>(syllable));
    if (peak < kPeakChance) {
        level = 12.0 + (kAfPeakDb - 12.0) * (peak / kPeakChance) + 1.0;
    }
    return std::clamp(level, kAfFloorDb, kAfPeakDb + 1.0);
}

} // namespace

LiveLevels levelsAt(uint64_t seed, int number, int64_t elapsedMs) {
    const uint64_t key = static_cast<uint64_t>(number);
    LiveLevels levels;
    levels.rfA = std::round(rfLevel(seed, key * 2, elapsedMs) * 10.0) / 10.0;
    levels.rfB = std::round(rfLevel(seed, key * 2 + 1, elapsedMs) * 10.0) / 10.0;
    levels.antennaSelect = levels.rfA >= levels.rfB ? kAntennaA : kAntennaB;

    const int64_t muteSlot = floorDiv(elapsedMs, kMuteSlotMs);
    const double muteDraw = unitOf(seed, key, kChanMute, static_cast<uint64_t>(muteSlot));
    const int64_t muteLength = 2000 + static_cast<int64_t>(3000 * muteDraw / kMuteChance);
    levels.mute =
        (muteDraw < kMuteChance && elapsedMs - muteSlot * kMuteSlotMs < muteLength) ? 1 : 0;
    levels.af = levels.mute ? kAfFloorDb : std::round(afLevel(seed, key, elapsedMs) * 10.0) / 10.0;

    // Each receiver starts at its own point of the cycle so that batteries do not all empty
    // together.
    const int64_t cycle = kBatteryFull * kBatteryStepMs + kBatterySwapMs;
    const int64_t phase = static_cast<int64_t>(unitOf(seed, key, kChanBattery) * cycle);
    const int64_t inCycle = (elapsedMs + phase) % cycle;
    levels.battery =
        std::max<int32_t>(0, kBatteryFull - static_cast<int32_t>(inCycle / kBatteryStepMs));
    return levels;
}

} // namespace tessaly::sim
