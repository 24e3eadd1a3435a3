#pragma once

// Receivers of the table tuned to the same frequency. A small stand-in for the frequency
// coordination rules: the alarm model only needs, per receiver, another receiver it clashes
// with.

#include <cstdint>
#include <vector>

namespace tessaly::show {

// `freqKhz[i]` is receiver i+1's frequency (0 or below: none). The result holds, for every
// receiver, the lowest other receiver number on the same frequency, or 0.
std::vector<int> sameFrequencyPartners(const std::vector<int32_t>& freqKhz);

} // namespace tessaly::show
