#pragma once

#include "show/coordination.h"

#include <cstdint>
#include <vector>

namespace tessaly {

class ReceiverTable;

// One receiver as the plan proposer sees it: its frequency now, the band its channel must come
// from, and whether it is to get one (otherwise it stays where it is).
struct PlanReceiver {
    int receiver = 0; // 1-based number
    int32_t khz = 0;
    int band = 0; // 1 to 3
    bool assign = false;
};

struct Assignment {
    int receiver = 0;
    int32_t oldKhz = 0;
    int32_t newKhz = 0;
    bool operator==(const Assignment&) const = default;
};

struct PlanProposal {
    std::vector<Assignment> assignment; // every receiver that got a channel, in number order
    std::vector<int> unassigned;        // receivers that did not fit; they stay unchanged
    int changedCount() const;
    bool operator==(const PlanProposal&) const = default;
};

// The receivers of the table in use. Those in `selected` (all when it is empty) are to get a
// channel in the band of their frequency, or in the default band when it lies in none.
std::vector<PlanReceiver> planReceiversOf(const ReceiverTable& table, int defaultBand,
                                          const std::vector<int>& selected = {});

// Proposes channels for the receivers to assign, free of every conflict with each other and
// with the fixed receivers that have a frequency. When not all fit it places as many as it can
// finds, keeps receivers on their own channel where that is free, and lists the rest as
// unassigned. The same input always gives the same proposal.
PlanProposal proposePlan(const std::vector<PlanReceiver>& receivers,
                         const CoordinationThresholds& thresholds);

// The plain greedy pass: receivers in order, each on the lowest channel of its band that makes
// no conflict. The yardstick the proposer must at least match.
PlanProposal greedyPlan(const std::vector<PlanReceiver>& receivers,
                        const CoordinationThresholds& thresholds);

// The carriers of a plan after the proposal: fixed receivers as they are, assigned ones on
// their new channel, unassigned ones left out.
std::vector<Carrier> carriersAfter(const std::vector<PlanReceiver>& receivers,
                                   const PlanProposal& proposal);

} // namespace tessaly
