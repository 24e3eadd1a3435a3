#pragma once

// The coordination rules written out literally, loop for loop, to check the fast checker
// against; and random plans to check it on.

#include "show/coordination.h"

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

namespace tessaly::reference {

inline std::vector<Conflict> referenceConflicts(const std::vector<Carrier>& c,
                                                const CoordinationThresholds& t) {
    std::vector<Conflict> out;
    const auto add = [&](ConflictKind kind, std::vector<int> receivers, bool hasProduct,
                         int64_t product) {
        Conflict conflict;
        conflict.kind = kind;
        for (const int r : receivers) {
            conflict.receivers[static_cast<size_t>(conflict.receiverCount++)] = r;
        }
        conflict.hasProduct = hasProduct;
        conflict.productKhz = product;
        out.push_back(conflict);
    };
    const auto distinct = [](std::vector<int64_t> f) {
        std::sort(f.begin(), f.end());
        return std::adjacent_find(f.begin(), f.end()) == f.end();
    };
    const size_t n = c.size();
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = i + 1; j < n; ++j) {
            const int64_t gap = std::llabs(int64_t{c[i].khz} - c[j].khz);
            const std::vector<int> pair{std::min(c[i].receiver, c[j].receiver),
                                        std::max(c[i].receiver, c[j].receiver)};
            if (gap == 0) {
                add(ConflictKind::Same, pair, false, 0);
            } else if (gap < t.txSpacingKhz) {
                add(ConflictKind::Spacing, pair, false, 0);
            }
        }
    }
    for (const auto& [kind, a, b, limit] :
         {std::tuple{ConflictKind::Im3TwoTx, 2, 1, t.im3TwoTxKhz},
          std::tuple{ConflictKind::Im5TwoTx, 3, 2, t.im5TwoTxKhz}}) {
        for (size_t i = 0; i < n; ++i) {
            for (size_t j = 0; j < n; ++j) {
                for (size_t k = 0; k < n; ++k) {
                    const int64_t p = int64_t{a} * c[i].khz - int64_t{b} * c[j].khz;
                    if (i != j && k != i && k != j && std::llabs(c[k].khz - p) < limit &&
                        distinct({c[i].khz, c[j].khz, c[k].khz})) {
                        add(kind, {c[i].receiver, c[j].receiver, c[k].receiver}, true, p);
                    }
                }
            }
        }
    }
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = 0; j < n; ++j) {
            for (size_t k = 0; k < n; ++k) {
                for (size_t l = 0; l < n; ++l) {
                    const int64_t p = int64_t{c[i].khz} + c[j].khz - c[k].khz;
                    if (c[i].receiver < c[j].receiver && k != i && k != j && l != i && l != j &&
                        l != k && std::llabs(c[l].khz - p) < t.im3ThreeTxKhz &&
                        distinct({c[i].khz, c[j].khz, c[k].khz, c[l].khz})) {
                        add(ConflictKind::Im3ThreeTx,
                            {c[i].receiver, c[j].receiver, c[k].receiver, c[l].receiver}, true, p);
                    }
                }
            }
        }
    }
    std::sort(out.begin(), out.end(), [](const Conflict& x, const Conflict& y) {
        return x.kind != y.kind ? x.kind < y.kind : x.receivers < y.receivers;
    });
    return out;
}

// `count` receivers numbered 1.., each on a channel of a random band, some a few kHz off the
// channel grid, some sharing a channel.
inline std::vector<Carrier> randomPlan(std::mt19937& random, int count) {
    static constexpr int32_t kLowest[] = {946125, 710125, 704125};
    std::vector<Carrier> plan;
    for (int number = 1; number <= count; ++number) {
        int32_t khz = kLowest[random() % 3] + static_cast<int32_t>(random() % 31) * 125;
        if (random() % 5 == 0) {
            khz += static_cast<int32_t>(random() % 200) - 100;
        }
        plan.push_back({number, khz});
    }
    return plan;
}

} // namespace tessaly::reference
