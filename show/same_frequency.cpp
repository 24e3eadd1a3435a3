#include "show/same_frequency.h"

#include <cstddef>
#include <unordered_map>

namespace tessaly::show {

std::vector<int> sameFrequencyPartners(const std::vector<int32_t>& freqKhz) {
    std::unordered_map<int32_t, int> first; // frequency -> lowest receiver number using it
    std::unordered_map<int32_t, int> second;
    for (size_t i = 0; i < freqKhz.size(); ++i) {
        if (freqKhz[i] <= 0) {
            continue;
        }
        const int number = static_cast<int>(i) + 1;
        if (first.try_emplace(freqKhz[i], number).second == false) {
            second.try_emplace(freqKhz[i], number);
        }
    }
    std::vector<int> partners(freqKhz.size(), 0);
    for (size_t i = 0; i < freqKhz.size(); ++i) {
        const auto other = second.find(freqKhz[i]);
        if (freqKhz[i] <= 0 || other == second.end()) {
            continue;
        }
        const int number = static_cast<int>(i) + 1;
        const int lowest = first.at(freqKhz[i]);
        partners[i] = lowest != number ? lowest : other->second;
    }
    return partners;
}

} // namespace tessaly::show
