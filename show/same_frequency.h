#pragma once

// Receivers of the table tuned to the same frequency, as the frequency-conflict alarm needs
// them: per receiver, another receiver it clashes with. The rule is the coordination library's
// `same` check, so the alarm and Receiver Configuration never disagree.

#include <cstdint>
#include <vector>

namespace tessaly::show {

// `freqKhz[i]` is receiver i+1's frequency (0 or below: none). The result holds, for every
// receiver, the lowest other receiver number on the same frequency, or 0.
std::vector<int> sameFrequencyPartners(const std::vector<int32_t>& freqKhz);

} // namespace tessaly::show
