#pragma once

#include <cstdint>

namespace tessaly::sim {

// Stateless mixing: the same inputs always give the same bits, which makes every simulated
// quantity a pure function of the seed, the receiver and the time.
constexpr uint64_t mixBits(uint64_t value) {
    value += 0x9E3779B97F4A7C15ULL;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
    return value ^ (value >> 31);
}

constexpr uint64_t hashOf(uint64_t a, uint64_t b, uint64_t c = 0, uint64_t d = 0) {
    return mixBits(mixBits(mixBits(mixBits(a) ^ b) ^ c) ^ d);
}

// A value in [0, 1) from the hash of the inputs.
constexpr double unitOf(uint64_t a, uint64_t b, uint64_t c = 0, uint64_t d = 0) {
    return static_cast<double>(hashOf(a, b, c, d) >> 11) * (1.0 / 9007199254740992.0);
}

} // namespace tessaly::sim
