#include "show/coordination.h"

#include "protocol/ini_file.h"
#include "protocol/receiver_table.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

namespace tessaly {

namespace {

constexpr std::array<const char*, kConflictKindCount> kKindNames{"same", "spacing", "im3-2tx",
                                                                 "im5-2tx", "im3-3tx"};

// A whole number of kHz from 0 to the limit; anything else is no threshold.
bool parseThreshold(std::string_view text, int32_t& value) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) {
        text.remove_suffix(1);
    }
    if (text.empty() || text.size() > 6) {
        return false;
    }
    int32_t result = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        result = result * 10 + (c - '0');
    }
    if (result > kMaxThresholdKhz) {
        return false;
    }
    value = result;
    return true;
}

// Collects conflicts: counts every one, keeps the first kMaxListedConflicts.
class Collector {
public:
    explicit Collector(int onlyReceiver) : only_(onlyReceiver) {}

    void add(ConflictKind kind, std::initializer_list<int> receivers, bool hasProduct,
             int64_t product) {
        Conflict conflict;
        conflict.kind = kind;
        for (const int receiver : receivers) {
            conflict.receivers[static_cast<size_t>(conflict.receiverCount++)] = receiver;
        }
        if (only_ > 0 && !conflict.involves(only_)) {
            return;
        }
        conflict.hasProduct = hasProduct;
        conflict.productKhz = hasProduct ? product : 0;
        ++report_.counts.byKind[static_cast<size_t>(kind)];
        ++report_.counts.total;
        if (report_.conflicts.size() < kMaxListedConflicts) {
            report_.conflicts.push_back(conflict);
        }
    }

    ConflictReport take() {
        std::stable_sort(report_.conflicts.begin(), report_.conflicts.end(),
                         [](const Conflict& a, const Conflict& b) {
                             if (a.kind != b.kind) {
                                 return a.kind < b.kind;
                             }
                             return a.receivers < b.receivers;
                         });
        return std::move(report_);
    }

private:
    int only_;
    ConflictReport report_;
};

// Carriers sorted by frequency, for the victims near a product.
struct SortedPlan {
    std::vector<Carrier> byKhz;

    explicit SortedPlan(const std::vector<Carrier>& carriers) : byKhz(carriers) {
        std::sort(byKhz.begin(), byKhz.end(), [](const Carrier& a, const Carrier& b) {
            return a.khz != b.khz ? a.khz < b.khz : a.receiver < b.receiver;
        });
    }

    // Calls `hit` for every carrier with |khz - product| < threshold.
    template <typename Hit> void near(int64_t product, int32_t threshold, Hit&& hit) const {
        auto it = std::lower_bound(
            byKhz.begin(), byKhz.end(), product - threshold + 1,
            [](const Carrier& c, int64_t value) { return static_cast<int64_t>(c.khz) < value; });
        for (; it != byKhz.end() && static_cast<int64_t>(it->khz) < product + threshold; ++it) {
            hit(*it);
        }
    }
};

void findTwoTransmitterProducts(const std::vector<Carrier>& carriers, const SortedPlan& plan,
                                ConflictKind kind, int64_t a, int64_t b, int32_t threshold,
                                Collector& out) {
    if (threshold <= 0) {
        return;
    }
    for (const Carrier& i : carriers) {
        for (const Carrier& j : carriers) {
            if (i.khz == j.khz) {
                continue;
            }
            const int64_t product = a * i.khz - b * j.khz;
            plan.near(product, threshold, [&](const Carrier& victim) {
                if (victim.khz != i.khz && victim.khz != j.khz) {
                    out.add(kind, {i.receiver, j.receiver, victim.receiver}, true, product);
                }
            });
        }
    }
}

void findThreeTransmitterProducts(const std::vector<Carrier>& carriers, const SortedPlan& plan,
                                  int32_t threshold, Collector& out) {
    if (threshold <= 0) {
        return;
    }
    const size_t n = carriers.size();
    for (size_t x = 0; x < n; ++x) {
        for (size_t y = x + 1; y < n; ++y) {
            const Carrier& i =
                carriers[x].receiver < carriers[y].receiver ? carriers[x] : carriers[y];
            const Carrier& j = &i == &carriers[x] ? carriers[y] : carriers[x];
            if (i.khz == j.khz) {
                continue;
            }
            for (const Carrier& k : carriers) {
                if (k.khz == i.khz || k.khz == j.khz) {
                    continue;
                }
                const int64_t product = static_cast<int64_t>(i.khz) + j.khz - k.khz;
                plan.near(product, threshold, [&](const Carrier& victim) {
                    if (victim.khz != i.khz && victim.khz != j.khz && victim.khz != k.khz) {
                        out.add(ConflictKind::Im3ThreeTx,
                                {i.receiver, j.receiver, k.receiver, victim.receiver}, true,
                                product);
                    }
                });
            }
        }
    }
}

} // namespace

CoordinationThresholds readCoordinationThresholds(const IniFile& ini) {
    CoordinationThresholds thresholds;
    for (const ThresholdKey& key : kThresholdKeys) {
        int32_t value = 0;
        if (parseThreshold(ini.value(kCoordinationSection, key.key, "", 64), value)) {
            thresholds.*key.field = value;
        }
    }
    return thresholds;
}

CoordinationThresholds& coordinationThresholds() {
    static CoordinationThresholds thresholds;
    return thresholds;
}

void loadCoordinationThresholds(const std::string& settingsPath) {
    coordinationThresholds() = readCoordinationThresholds(IniFile::load(settingsPath));
}

const char* conflictKindName(ConflictKind kind) {
    return kKindNames[static_cast<size_t>(kind)];
}

bool Conflict::involves(int receiver) const {
    for (int i = 0; i < receiverCount; ++i) {
        if (receivers[static_cast<size_t>(i)] == receiver) {
            return true;
        }
    }
    return false;
}

std::vector<Carrier> carriersOf(const ReceiverTable& table) {
    std::vector<Carrier> carriers;
    const int count = std::clamp<int>(table.count, 0, kMaxReceivers);
    for (int number = 1; number <= count; ++number) {
        const int32_t khz = table.byNumber(number).freqKhz;
        if (khz > 0) {
            carriers.push_back({number, khz});
        }
    }
    return carriers;
}

ConflictReport findConflicts(const std::vector<Carrier>& carriers,
                             const CoordinationThresholds& thresholds, int onlyReceiver) {
    Collector out(onlyReceiver);
    const SortedPlan plan(carriers);
    const std::vector<Carrier>& sorted = plan.byKhz;
    // Neighbours in frequency order: nothing beyond the spacing (or beyond equality when the
    // spacing check is off) can clash.
    const int64_t reach = std::max<int32_t>(thresholds.txSpacingKhz, 1);
    for (size_t a = 0; a < sorted.size(); ++a) {
        for (size_t b = a + 1;
             b < sorted.size() && static_cast<int64_t>(sorted[b].khz) - sorted[a].khz < reach;
             ++b) {
            const int first = std::min(sorted[a].receiver, sorted[b].receiver);
            const int second = std::max(sorted[a].receiver, sorted[b].receiver);
            out.add(sorted[a].khz == sorted[b].khz ? ConflictKind::Same : ConflictKind::Spacing,
                    {first, second}, false, 0);
        }
    }
    findTwoTransmitterProducts(carriers, plan, ConflictKind::Im3TwoTx, 2, 1, thresholds.im3TwoTxKhz,
                               out);
    findTwoTransmitterProducts(carriers, plan, ConflictKind::Im5TwoTx, 3, 2, thresholds.im5TwoTxKhz,
                               out);
    findThreeTransmitterProducts(carriers, plan, thresholds.im3ThreeTxKhz, out);
    return out.take();
}

ConflictReport conflictsOfCandidate(const std::vector<Carrier>& carriers, int receiver, int32_t khz,
                                    const CoordinationThresholds& thresholds) {
    std::vector<Carrier> plan;
    plan.reserve(carriers.size() + 1);
    for (const Carrier& carrier : carriers) {
        if (carrier.receiver != receiver) {
            plan.push_back(carrier);
        }
    }
    plan.push_back({receiver, khz});
    std::sort(plan.begin(), plan.end(),
              [](const Carrier& a, const Carrier& b) { return a.receiver < b.receiver; });
    return findConflicts(plan, thresholds, receiver);
}

std::string conflictSummary(const ConflictCounts& counts) {
    if (counts.total == 0) {
        return "No conflicts";
    }
    std::string text =
        std::to_string(counts.total) + (counts.total == 1 ? " conflict: " : " conflicts: ");
    const std::pair<int64_t, const char*> groups[] = {
        {counts.sameChannel(), "same channel"},
        {counts.spacing(), "too close"},
        {counts.intermodulation(), "intermodulation"},
    };
    bool first = true;
    for (const auto& [count, label] : groups) {
        if (count == 0) {
            continue;
        }
        text += (first ? "" : ", ") + std::to_string(count) + " " + label;
        first = false;
    }
    return text;
}

std::string mhzText(int64_t khz) {
    const int64_t magnitude = khz < 0 ? -khz : khz;
    std::string fraction = std::to_string(magnitude % 1000);
    fraction.insert(0, 3 - fraction.size(), '0');
    return (khz < 0 ? "-" : "") + std::to_string(magnitude / 1000) + "." + fraction;
}

std::string describeConflict(const Conflict& conflict, const std::vector<Carrier>& carriers) {
    const auto khzOf = [&](int receiver) {
        for (const Carrier& carrier : carriers) {
            if (carrier.receiver == receiver) {
                return static_cast<int64_t>(carrier.khz);
            }
        }
        return int64_t{0};
    };
    const auto& r = conflict.receivers;
    const auto f = [&](int index) { return mhzText(khzOf(r[static_cast<size_t>(index)])); };
    const std::string name = conflictKindName(conflict.kind);
    switch (conflict.kind) {
    case ConflictKind::Same:
        return name + ": receivers " + std::to_string(r[0]) + " and " + std::to_string(r[1]) +
               " both on " + f(0) + " MHz";
    case ConflictKind::Spacing:
        return name + ": receivers " + std::to_string(r[0]) + " (" + f(0) + ") and " +
               std::to_string(r[1]) + " (" + f(1) + ") only " +
               std::to_string(std::abs(khzOf(r[0]) - khzOf(r[1]))) + " kHz apart";
    case ConflictKind::Im3TwoTx:
    case ConflictKind::Im5TwoTx: {
        const bool third = conflict.kind == ConflictKind::Im3TwoTx;
        return name + ": " + (third ? "2*" : "3*") + f(0) + (third ? " - " : " - 2*") + f(1) +
               " = " + mhzText(conflict.productKhz) + " MHz (receivers " + std::to_string(r[0]) +
               ", " + std::to_string(r[1]) + ") hits receiver " + std::to_string(r[2]) + " on " +
               f(2);
    }
    case ConflictKind::Im3ThreeTx:
        return name + ": " + f(0) + " + " + f(1) + " - " + f(2) + " = " +
               mhzText(conflict.productKhz) + " MHz (receivers " + std::to_string(r[0]) + ", " +
               std::to_string(r[1]) + ", " + std::to_string(r[2]) + ") hits receiver " +
               std::to_string(r[3]) + " on " + f(3);
    }
    return name;
}

} // namespace tessaly
