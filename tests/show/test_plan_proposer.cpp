#include "show/plan_proposer.h"

#include "protocol/bands.h"
#include "tests/support/coordination_reference.h"

#include <gtest/gtest.h>

using namespace tessaly;

namespace {

// `count` receivers spread over the three bands in turn, all on their band's lowest channel.
std::vector<PlanReceiver> crowd(int count) {
    std::vector<PlanReceiver> receivers;
    for (int number = 1; number <= count; ++number) {
        const int band = kFirstBand + (number - 1) % 3;
        receivers.push_back({number, bandLimits(band).lowestKhz, band, true});
    }
    return receivers;
}

void expectClean(const std::vector<PlanReceiver>& receivers, const PlanProposal& proposal,
                 const CoordinationThresholds& t) {
    const auto carriers = carriersAfter(receivers, proposal);
    EXPECT_EQ(findConflicts(carriers, t).counts.total, 0);
    EXPECT_EQ(reference::referenceConflicts(carriers, t).size(), 0u);
    for (const Assignment& a : proposal.assignment) {
        const PlanReceiver& r = receivers[static_cast<size_t>(a.receiver - 1)];
        EXPECT_TRUE(r.assign);
        EXPECT_EQ(bandOfFrequency(a.newKhz), r.band) << a.receiver;
        EXPECT_EQ(a.oldKhz, r.khz);
    }
    EXPECT_EQ(proposal.assignment.size() + proposal.unassigned.size(),
              static_cast<size_t>(std::count_if(receivers.begin(), receivers.end(),
                                                [](const PlanReceiver& r) { return r.assign; })));
}

TEST(PlanProposer, SixtyReceiversGetACleanDeterministicPlanNoWorseThanGreedy) {
    const CoordinationThresholds t;
    const auto receivers = crowd(60);
    const PlanProposal proposal = proposePlan(receivers, t);
    expectClean(receivers, proposal, t);
    EXPECT_FALSE(proposal.unassigned.empty()); // 20 a band do not fit at these thresholds
    const PlanProposal greedy = greedyPlan(receivers, t);
    expectClean(receivers, greedy, t);
    EXPECT_GE(proposal.assignment.size(), greedy.assignment.size());
    EXPECT_EQ(proposePlan(receivers, t), proposal);
}

TEST(PlanProposer, FixedReceiversStayAndOwnFreeChannelsAreKept) {
    const CoordinationThresholds t;
    // 1 and 2 fixed; 3 already sits on a free channel; 4 shares 1's channel.
    const std::vector<PlanReceiver> receivers{{1, 710125, kBandJpn, false},
                                              {2, 711000, kBandJpn, false},
                                              {3, 706000, kBandChn, true},
                                              {4, 710125, kBandJpn, true}};
    const PlanProposal proposal = proposePlan(receivers, t);
    expectClean(receivers, proposal, t);
    ASSERT_EQ(proposal.assignment.size(), 2u);
    EXPECT_EQ(proposal.assignment[0], (Assignment{3, 706000, 706000}));
    EXPECT_NE(proposal.assignment[1].newKhz, 710125);
    EXPECT_EQ(proposal.changedCount(), 1);
}

TEST(PlanProposer, RandomPlansWithSomeReceiversFixed) {
    std::mt19937 random(7);
    for (int round = 0; round < 15; ++round) {
        const CoordinationThresholds t{
            static_cast<int32_t>(random() % 400), static_cast<int32_t>(random() % 200),
            static_cast<int32_t>(random() % 200), static_cast<int32_t>(random() % 200)};
        std::vector<PlanReceiver> receivers;
        for (const Carrier& c : reference::randomPlan(random, 4 + round % 20)) {
            const int band =
                bandOfFrequency(c.khz) == kBandNone ? kBandJpn : bandOfFrequency(c.khz);
            receivers.push_back({c.receiver, c.khz, band, random() % 3 != 0});
        }
        // Fixed receivers may clash among themselves; the proposal must add nothing to that.
        std::vector<Carrier> fixed;
        for (const PlanReceiver& r : receivers) {
            if (!r.assign) {
                fixed.push_back({r.receiver, r.khz});
            }
        }
        const PlanProposal proposal = proposePlan(receivers, t);
        const auto after = carriersAfter(receivers, proposal);
        EXPECT_EQ(findConflicts(after, t).counts.total, findConflicts(fixed, t).counts.total)
            << "round " << round;
        EXPECT_GE(proposal.assignment.size(), greedyPlan(receivers, t).assignment.size());
    }
}

} // namespace
