#include "show/same_frequency.h"

#include "show/coordination.h"

#include <cstddef>
#include <utility>

namespace tessaly {

std::vector<int> show::sameFrequencyPartners(const std::vector<int32_t>& freqKhz) {
    std::vector<Carrier> carriers;
    for (size_t i = 0; i < freqKhz.size(); ++i) {
        if (freqKhz[i] > 0) {
            carriers.push_back({static_cast<int>(i) + 1, freqKhz[i]});
        }
    }
    const CoordinationThresholds sameOnly{0, 0, 0, 0}; // the same-channel check cannot be off
    std::vector<int> partners(freqKhz.size(), 0);
    for (const Conflict& conflict : findConflicts(carriers, sameOnly).conflicts) {
        if (conflict.kind != ConflictKind::Same) {
            continue;
        }
        const int a = conflict.receivers[0];
        const int b = conflict.receivers[1];
        for (const auto& [self, other] : {std::pair{a, b}, std::pair{b, a}}) {
            int& partner = partners[static_cast<size_t>(self - 1)];
            if (partner == 0 || other < partner) {
                partner = other;
            }
        }
    }
    return partners;
}

} // namespace tessaly
