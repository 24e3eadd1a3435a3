#include "show/plan_proposer.h"

#include "protocol/bands.h"
#include "protocol/receiver_table.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <tuple>

namespace tessaly {

namespace {

constexpr int kBandCount = kLastBand - kFirstBand + 1;
constexpr int kGridSize = kBandCount * kChannelsPerBand;

// Randomised passes after the deterministic ones. Fixed, not timed, so that the same input
// gives the same proposal on any machine; 60 receivers over three bands take well under a
// second.
constexpr int kRandomPasses = 600;
constexpr int kLeastBlockingEvery = 50; // the slower kind of pass, now and then
constexpr uint64_t kSeed = 0x7e55a1c0021d1a7eULL;
// Then a depth-first search over channel sets that tries to beat the best pass, given this
// many steps: bounded, so that its time is too.
constexpr int64_t kSearchSteps = 20000;

int64_t floorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

int64_t ceilDiv(int64_t a, int64_t b) {
    return -floorDiv(-a, b);
}

int gridIndex(int band, int channel) {
    return (band - kFirstBand) * kChannelsPerBand + channel;
}

int32_t gridKhz(int index) {
    const int band = kFirstBand + index / kChannelsPerBand;
    return bandLimits(band).lowestKhz + (index % kChannelsPerBand) * kChannelStepKhz;
}

// The channel of a band that a frequency is, or -1.
int channelOf(int band, int32_t khz) {
    const BandLimits limits = bandLimits(band);
    if (!limits.valid || khz < limits.lowestKhz || khz > limits.highestKhz ||
        (khz - limits.lowestKhz) % kChannelStepKhz != 0) {
        return -1;
    }
    return gridIndex(band, (khz - limits.lowestKhz) / kChannelStepKhz);
}

// The frequencies placed so far and, for every channel of the three bands, whether one more
// transmitter there would be part of a conflict. Conflicts depend on frequencies alone, so
// each distinct frequency is added once; every rule of the checker becomes "x lies within a
// threshold of a value made of the placed frequencies", solved for the channels at once.
class PlanState {
public:
    explicit PlanState(const CoordinationThresholds& thresholds) : t_(thresholds) {
        blocked_.fill(0);
    }

    bool blocked(int index) const { return blocked_[static_cast<size_t>(index)] != 0; }
    int blockedCount(const std::array<int, kBandCount>& demand) const {
        int count = 0;
        for (int index = 0; index < kGridSize; ++index) {
            count += blocked_[static_cast<size_t>(index)] != 0 &&
                     demand[static_cast<size_t>(index / kChannelsPerBand)] > 0;
        }
        return count;
    }

    void add(int64_t c) {
        if (std::find(values_.begin(), values_.end(), c) != values_.end()) {
            return;
        }
        markWhere(1, c, std::max<int32_t>(t_.txSpacingKhz, 1));
        for (const auto& [a, b, t] :
             {std::tuple<int64_t, int64_t, int32_t>{2, 1, t_.im3TwoTxKhz},
              std::tuple<int64_t, int64_t, int32_t>{3, 2, t_.im5TwoTxKhz}}) {
            if (t <= 0) {
                continue;
            }
            // The new channel x with c and v as the other two of (doubled, subtracted, victim).
            for (const int64_t v : values_) {
                markWhere(a, b * c + v, t);
                markWhere(a, b * v + c, t);
                markWhere(b, a * c - v, t);
                markWhere(b, a * v - c, t);
                markWhere(1, a * c - b * v, t);
                markWhere(1, a * v - b * c, t);
            }
        }
        if (const int32_t t = t_.im3ThreeTxKhz; t > 0) {
            // fi + fj - fk hits fl exactly when the two pairs' sums lie within t: x pairs with c,
            // u or w.
            for (size_t p = 0; p < values_.size(); ++p) {
                for (size_t q = p + 1; q < values_.size(); ++q) {
                    const int64_t u = values_[p];
                    const int64_t w = values_[q];
                    markWhere(1, u + w - c, t);
                    markWhere(1, c + w - u, t);
                    markWhere(1, c + u - w, t);
                }
            }
        }
        values_.push_back(c);
    }

private:
    // Blocks every channel x with |a*x - center| < t.
    void markWhere(int64_t a, int64_t center, int64_t t) {
        for (int band = kFirstBand; band <= kLastBand; ++band) {
            const int64_t low = bandLimits(band).lowestKhz;
            const int64_t step = a * kChannelStepKhz;
            const int64_t first = std::max<int64_t>(floorDiv(center - t - a * low, step) + 1, 0);
            const int64_t last =
                std::min<int64_t>(ceilDiv(center + t - a * low, step) - 1, kChannelsPerBand - 1);
            for (int64_t n = first; n <= last; ++n) {
                blocked_[static_cast<size_t>(gridIndex(band, static_cast<int>(n)))] = 1;
            }
        }
    }

    const CoordinationThresholds& t_;
    std::vector<int64_t> values_;
    std::array<uint8_t, kGridSize> blocked_;
};

// splitmix64: the same numbers on every platform, unlike the standard distributions.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    template <typename T> void shuffle(std::vector<T>& items) {
        for (size_t i = items.size(); i > 1; --i) {
            std::swap(items[i - 1], items[static_cast<size_t>(next() % i)]);
        }
    }

private:
    uint64_t state_;
};

enum class Choice { FirstFree, LeastBlocking };

class Proposer {
public:
    Proposer(const std::vector<PlanReceiver>& receivers, const CoordinationThresholds& thresholds)
        : receivers_(receivers), base_(thresholds) {
        for (size_t i = 0; i < receivers_.size(); ++i) {
            const PlanReceiver& r = receivers_[i];
            if (r.assign && r.band >= kFirstBand && r.band <= kLastBand) {
                toAssign_.push_back(i);
            } else if (r.khz > 0) {
                base_.add(r.khz);
            }
        }
    }

    // One pass: the receivers in `order` (positions in toAssign_), each on a channel of its
    // band that is still free, tried in `channels` order.
    std::vector<int> pass(const std::vector<size_t>& order,
                          const std::array<std::vector<int>, kBandCount>& channels, Choice choice,
                          bool keepOwn) const {
        PlanState state = base_;
        std::vector<int> placed(toAssign_.size(), -1);
        std::array<int, kBandCount> demand{};
        for (const size_t position : order) {
            ++demand[static_cast<size_t>(bandOf(position) - kFirstBand)];
        }
        for (const size_t position : order) {
            const int band = bandOf(position);
            --demand[static_cast<size_t>(band - kFirstBand)];
            int chosen = -1;
            const int own = channelOf(band, receivers_[toAssign_[position]].khz);
            if (keepOwn && own >= 0 && !state.blocked(own)) {
                chosen = own;
            } else if (choice == Choice::FirstFree) {
                for (const int index : channels[static_cast<size_t>(band - kFirstBand)]) {
                    if (!state.blocked(index)) {
                        chosen = index;
                        break;
                    }
                }
            } else {
                int best = kGridSize + 1;
                for (const int index : channels[static_cast<size_t>(band - kFirstBand)]) {
                    if (state.blocked(index)) {
                        continue;
                    }
                    PlanState trial = state;
                    trial.add(gridKhz(index));
                    const int cost = trial.blockedCount(demand);
                    if (cost < best) {
                        best = cost;
                        chosen = index;
                    }
                }
            }
            if (chosen >= 0) {
                placed[position] = chosen;
                state.add(gridKhz(chosen));
            }
        }
        return placed;
    }

    // Depth-first over the channels in grid order, each taken or not, with room for as many as
    // the band has receivers to place: looks for a set larger than `best` channels. Returns
    // the channels per position like pass(), or nothing when it found no better set.
    std::vector<int> search(int best) const {
        std::array<int, kBandCount> demand{};
        for (size_t position = 0; position < toAssign_.size(); ++position) {
            ++demand[static_cast<size_t>(bandOf(position) - kFirstBand)];
        }
        std::vector<int> taken;
        std::vector<int> found;
        int64_t steps = kSearchSteps;
        searchFrom(base_, 0, demand, taken, best, found, steps);
        if (found.empty()) {
            return {};
        }
        std::vector<int> placed(toAssign_.size(), -1);
        for (const int index : found) {
            for (size_t position = 0; position < toAssign_.size(); ++position) {
                if (placed[position] < 0 &&
                    bandOf(position) == kFirstBand + index / kChannelsPerBand) {
                    placed[position] = index;
                    break;
                }
            }
        }
        return placed;
    }

    // Receivers of a band are interchangeable: a receiver whose own channel is among those
    // chosen for its band keeps it, the others take the rest lowest first, in number order.
    PlanProposal proposal(const std::vector<int>& placed) const {
        PlanProposal result;
        std::array<std::vector<int>, kBandCount> chosen;
        for (size_t position = 0; position < toAssign_.size(); ++position) {
            if (placed[position] >= 0) {
                chosen[static_cast<size_t>(bandOf(position) - kFirstBand)].push_back(
                    placed[position]);
            }
        }
        std::vector<int32_t> newKhz(toAssign_.size(), 0);
        for (size_t position = 0; position < toAssign_.size(); ++position) {
            auto& pool = chosen[static_cast<size_t>(bandOf(position) - kFirstBand)];
            const int own = channelOf(bandOf(position), receivers_[toAssign_[position]].khz);
            const auto it = std::find(pool.begin(), pool.end(), own);
            if (own >= 0 && it != pool.end()) {
                newKhz[position] = gridKhz(own);
                pool.erase(it);
            }
        }
        for (auto& pool : chosen) {
            std::sort(pool.begin(), pool.end());
        }
        for (size_t position = 0; position < toAssign_.size(); ++position) {
            auto& pool = chosen[static_cast<size_t>(bandOf(position) - kFirstBand)];
            if (newKhz[position] == 0 && !pool.empty()) {
                newKhz[position] = gridKhz(pool.front());
                pool.erase(pool.begin());
            }
        }
        for (size_t i = 0; i < receivers_.size(); ++i) {
            const auto it = std::find(toAssign_.begin(), toAssign_.end(), i);
            if (it == toAssign_.end()) {
                if (receivers_[i].assign) {
                    result.unassigned.push_back(receivers_[i].receiver); // no band to place it in
                }
                continue;
            }
            const int32_t khz = newKhz[static_cast<size_t>(it - toAssign_.begin())];
            if (khz == 0) {
                result.unassigned.push_back(receivers_[i].receiver);
            } else {
                result.assignment.push_back({receivers_[i].receiver, receivers_[i].khz, khz});
            }
        }
        return result;
    }

    size_t assignCount() const { return toAssign_.size(); }

private:
    int bandOf(size_t position) const { return receivers_[toAssign_[position]].band; }

    void searchFrom(const PlanState& state, int index, std::array<int, kBandCount>& demand,
                    std::vector<int>& taken, int& best, std::vector<int>& found,
                    int64_t& steps) const {
        if (steps-- <= 0) {
            return;
        }
        if (static_cast<int>(taken.size()) > best) {
            best = static_cast<int>(taken.size());
            found = taken;
        }
        // What could still be added: per band, the free channels ahead, up to its demand.
        int bound = static_cast<int>(taken.size());
        for (int band = 0; band < kBandCount; ++band) {
            int free = 0;
            for (int i = std::max(index, band * kChannelsPerBand);
                 i < (band + 1) * kChannelsPerBand; ++i) {
                free += !state.blocked(i);
            }
            bound += std::min(free, demand[static_cast<size_t>(band)]);
        }
        if (bound <= best) {
            return;
        }
        for (int next = index; next < kGridSize; ++next) {
            int& room = demand[static_cast<size_t>(next / kChannelsPerBand)];
            if (room == 0 || state.blocked(next)) {
                continue;
            }
            PlanState with = state;
            with.add(gridKhz(next));
            --room;
            taken.push_back(next);
            searchFrom(with, next + 1, demand, taken, best, found, steps);
            taken.pop_back();
            ++room;
            if (steps <= 0) {
                return;
            }
        }
    }

    const std::vector<PlanReceiver>& receivers_;
    PlanState base_;
    std::vector<size_t> toAssign_; // indices into receivers_
};

std::array<std::vector<int>, kBandCount> channelsInOrder() {
    std::array<std::vector<int>, kBandCount> channels;
    for (int band = kFirstBand; band <= kLastBand; ++band) {
        for (int channel = 0; channel < kChannelsPerBand; ++channel) {
            channels[static_cast<size_t>(band - kFirstBand)].push_back(gridIndex(band, channel));
        }
    }
    return channels;
}

std::vector<size_t> inOrder(size_t count) {
    std::vector<size_t> order(count);
    std::iota(order.begin(), order.end(), size_t{0});
    return order;
}

bool better(const PlanProposal& candidate, const PlanProposal& best) {
    if (candidate.assignment.size() != best.assignment.size()) {
        return candidate.assignment.size() > best.assignment.size();
    }
    return candidate.changedCount() < best.changedCount();
}

} // namespace

int PlanProposal::changedCount() const {
    return static_cast<int>(
        std::count_if(assignment.begin(), assignment.end(),
                      [](const Assignment& a) { return a.oldKhz != a.newKhz; }));
}

std::vector<PlanReceiver> planReceiversOf(const ReceiverTable& table, int defaultBand,
                                          const std::vector<int>& selected) {
    std::vector<PlanReceiver> receivers;
    const int count = std::clamp<int>(table.count, 0, kMaxReceivers);
    for (int number = 1; number <= count; ++number) {
        PlanReceiver r;
        r.receiver = number;
        r.khz = table.byNumber(number).freqKhz;
        r.band = bandOfFrequency(r.khz);
        if (r.band == kBandNone) {
            r.band = effectiveDefaultBand(defaultBand);
        }
        r.assign = selected.empty() ||
                   std::find(selected.begin(), selected.end(), number) != selected.end();
        receivers.push_back(r);
    }
    return receivers;
}

PlanProposal greedyPlan(const std::vector<PlanReceiver>& receivers,
                        const CoordinationThresholds& thresholds) {
    const Proposer proposer(receivers, thresholds);
    const std::vector<int> placed =
        proposer.pass(inOrder(proposer.assignCount()), channelsInOrder(), Choice::FirstFree, false);
    // The plain pass keeps its own channel per receiver: no reshuffling within a band.
    PlanProposal result;
    size_t position = 0;
    for (const PlanReceiver& r : receivers) {
        if (!r.assign) {
            continue;
        }
        if (r.band < kFirstBand || r.band > kLastBand || placed[position] < 0) {
            result.unassigned.push_back(r.receiver);
        } else {
            result.assignment.push_back({r.receiver, r.khz, gridKhz(placed[position])});
        }
        position += r.band >= kFirstBand && r.band <= kLastBand;
    }
    return result;
}

PlanProposal proposePlan(const std::vector<PlanReceiver>& receivers,
                         const CoordinationThresholds& thresholds) {
    const Proposer proposer(receivers, thresholds);
    const size_t n = proposer.assignCount();
    const auto lowestFirst = channelsInOrder();
    PlanProposal best = greedyPlan(receivers, thresholds);
    const auto consider = [&](const std::vector<int>& placed) {
        PlanProposal candidate = proposer.proposal(placed);
        if (better(candidate, best)) {
            best = std::move(candidate);
        }
    };
    consider(proposer.pass(inOrder(n), lowestFirst, Choice::FirstFree, true));
    consider(proposer.pass(inOrder(n), lowestFirst, Choice::LeastBlocking, false));
    consider(proposer.pass(inOrder(n), lowestFirst, Choice::LeastBlocking, true));
    Random random(kSeed);
    for (int round = 0; round < kRandomPasses; ++round) {
        std::vector<size_t> order = inOrder(n);
        random.shuffle(order);
        auto channels = lowestFirst;
        for (auto& band : channels) {
            random.shuffle(band);
        }
        const bool keepOwn = round % 2 == 0;
        consider(proposer.pass(order, channels,
                               round % 4 < 2 ? Choice::FirstFree : Choice::LeastBlocking, keepOwn));
        if (best.unassigned.empty() && best.changedCount() == 0) {
            break; // nothing left to improve
        }
    }
    if (!best.unassigned.empty()) {
        const std::vector<int> placed = proposer.search(static_cast<int>(best.assignment.size()));
        if (!placed.empty()) {
            consider(placed);
        }
    }
    return best;
}

std::vector<Carrier> carriersAfter(const std::vector<PlanReceiver>& receivers,
                                   const PlanProposal& proposal) {
    std::vector<Carrier> carriers;
    for (const PlanReceiver& r : receivers) {
        const auto assigned =
            std::find_if(proposal.assignment.begin(), proposal.assignment.end(),
                         [&](const Assignment& a) { return a.receiver == r.receiver; });
        if (assigned != proposal.assignment.end()) {
            carriers.push_back({r.receiver, assigned->newKhz});
        } else if (!r.assign && r.khz > 0) {
            carriers.push_back({r.receiver, r.khz});
        }
    }
    return carriers;
}

} // namespace tessaly
