#include "show/coordination.h"

#include "protocol/ini_file.h"
#include "tests/support/coordination_reference.h"

#include <gtest/gtest.h>

using namespace tessaly;

namespace {

struct Expected {
    ConflictKind kind;
    std::vector<int> receivers;
    int64_t productKhz; // 0: none
};

struct RuleCase {
    const char* name;
    std::vector<int32_t> khz; // receivers 1, 2, ... in order
    CoordinationThresholds thresholds;
    std::vector<Expected> expected;
};

std::vector<Carrier> plan(const std::vector<int32_t>& khz) {
    std::vector<Carrier> carriers;
    for (size_t i = 0; i < khz.size(); ++i) {
        carriers.push_back({static_cast<int>(i) + 1, khz[i]});
    }
    return carriers;
}

CoordinationThresholds only(int32_t CoordinationThresholds::*field, int32_t value) {
    CoordinationThresholds t{0, 0, 0, 0};
    t.*field = value;
    return t;
}

class Rules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(Rules, FindExactlyTheHandCheckedConflicts) {
    const RuleCase& c = GetParam();
    const ConflictReport report = findConflicts(plan(c.khz), c.thresholds);
    ASSERT_EQ(report.conflicts.size(), c.expected.size());
    EXPECT_EQ(report.counts.total, static_cast<int64_t>(c.expected.size()));
    for (size_t i = 0; i < c.expected.size(); ++i) {
        const Conflict& got = report.conflicts[i];
        const Expected& want = c.expected[i];
        EXPECT_EQ(got.kind, want.kind) << i;
        EXPECT_EQ(
            std::vector<int>(got.receivers.begin(), got.receivers.begin() + got.receiverCount),
            want.receivers)
            << i;
        EXPECT_EQ(got.hasProduct, want.productKhz != 0) << i;
        EXPECT_EQ(got.productKhz, want.productKhz) << i;
    }
}

const CoordinationThresholds kDefaults;
constexpr auto kSpacing = &CoordinationThresholds::txSpacingKhz;
constexpr auto kIm3 = &CoordinationThresholds::im3TwoTxKhz;
constexpr auto kIm5 = &CoordinationThresholds::im5TwoTxKhz;
constexpr auto kIm3x3 = &CoordinationThresholds::im3ThreeTxKhz;

INSTANTIATE_TEST_SUITE_P(
    HandChecked, Rules,
    ::testing::Values(
        RuleCase{"same", {710125, 712000, 710125}, kDefaults, {{ConflictKind::Same, {1, 3}, 0}}},
        RuleCase{"sameEvenWithEveryCheckOff",
                 {710125, 710125},
                 {0, 0, 0, 0},
                 {{ConflictKind::Same, {1, 2}, 0}}},
        RuleCase{
            "spacingJustInside", {710125, 710374}, kDefaults, {{ConflictKind::Spacing, {1, 2}, 0}}},
        RuleCase{"spacingAtTheThreshold", {710125, 710375}, kDefaults, {}},
        RuleCase{"spacingOff", {710125, 710250}, only(kSpacing, 0), {}},
        // 710.125 is the midpoint of the other two, so each outer one is hit by the other.
        RuleCase{"im3TwoTx",
                 {710125, 710375, 709875},
                 kDefaults,
                 {{ConflictKind::Im3TwoTx, {1, 2, 3}, 709875},
                  {ConflictKind::Im3TwoTx, {1, 3, 2}, 710375}}},
        RuleCase{"im3TwoTxJustInside",
                 {710000, 710500, 709624},
                 only(kIm3, 125),
                 {{ConflictKind::Im3TwoTx, {1, 2, 3}, 709500},
                  {ConflictKind::Im3TwoTx, {1, 3, 2}, 710376}}},
        RuleCase{"im3TwoTxAtTheThreshold", {710000, 710500, 709625}, only(kIm3, 125), {}},
        RuleCase{"im3TwoTxOff", {710125, 710375, 709875}, only(kSpacing, 250), {}},
        RuleCase{"im5TwoTx",
                 {710000, 710500, 709000},
                 kDefaults,
                 {{ConflictKind::Im5TwoTx, {1, 2, 3}, 709000}}},
        RuleCase{"im5TwoTxJustInsideBelow",
                 {710000, 710500, 708876},
                 only(kIm5, 125),
                 {{ConflictKind::Im5TwoTx, {1, 2, 3}, 709000}}},
        RuleCase{"im5TwoTxAtTheThresholdBelow", {710000, 710500, 708875}, only(kIm5, 125), {}},
        // 710.000 + 711.000 = 712.500 + 708.500: each side's sum minus one hits the other.
        RuleCase{"im3ThreeTx",
                 {710000, 711000, 712500, 708500},
                 kDefaults,
                 {{ConflictKind::Im3ThreeTx, {1, 2, 3, 4}, 708500},
                  {ConflictKind::Im3ThreeTx, {1, 2, 4, 3}, 712500},
                  {ConflictKind::Im3ThreeTx, {3, 4, 1, 2}, 711000},
                  {ConflictKind::Im3ThreeTx, {3, 4, 2, 1}, 710000}}},
        RuleCase{
            "im3ThreeTxAtTheThreshold", {710000, 711000, 712500, 708625}, only(kIm3x3, 125), {}},
        RuleCase{"im3ThreeTxWiderThreshold",
                 {710000, 711000, 712500, 708625},
                 only(kIm3x3, 126),
                 {{ConflictKind::Im3ThreeTx, {1, 2, 3, 4}, 708500},
                  {ConflictKind::Im3ThreeTx, {1, 2, 4, 3}, 712375},
                  {ConflictKind::Im3ThreeTx, {3, 4, 1, 2}, 711125},
                  {ConflictKind::Im3ThreeTx, {3, 4, 2, 1}, 710125}}},
        // Two transmitters on one channel act as one: their products are the channel itself.
        RuleCase{"noProductsOfOneChannel",
                 {710125, 710125, 711000},
                 {0, 125, 125, 125},
                 {{ConflictKind::Same, {1, 2}, 0}}},
        RuleCase{"receiversWithoutFrequencyTakeNoPart", {}, kDefaults, {}}),
    [](const ::testing::TestParamInfo<RuleCase>& info) { return std::string(info.param.name); });

TEST(Coordination, FastCheckerAgreesWithTheRulesWrittenOut) {
    std::mt19937 random(20261209);
    for (int round = 0; round < 300; ++round) {
        const auto carriers = reference::randomPlan(random, 3 + round % 12);
        const CoordinationThresholds t{
            static_cast<int32_t>(random() % 400), static_cast<int32_t>(random() % 300),
            static_cast<int32_t>(random() % 300), static_cast<int32_t>(random() % 300)};
        const ConflictReport report = findConflicts(carriers, t);
        ASSERT_EQ(report.conflicts, reference::referenceConflicts(carriers, t))
            << "round " << round;
        ASSERT_FALSE(report.truncated());
        // The per-receiver view lists exactly the conflicts that involve the receiver.
        const int receiver = 1 + static_cast<int>(random() % carriers.size());
        std::vector<Conflict> involving;
        for (const Conflict& c : report.conflicts) {
            if (c.involves(receiver)) {
                involving.push_back(c);
            }
        }
        ASSERT_EQ(findConflicts(carriers, t, receiver).conflicts, involving);
    }
}

TEST(Coordination, CrowdedPlanIsCountedInFullButListedOnlyUpToTheLimit) {
    std::vector<int32_t> khz;
    for (int i = 0; i < 60; ++i) {
        khz.push_back(710125 + (i % 31) * 125);
    }
    const ConflictReport report = findConflicts(plan(khz), {250, 10000, 10000, 10000});
    EXPECT_TRUE(report.truncated());
    EXPECT_EQ(report.conflicts.size(), kMaxListedConflicts);
    EXPECT_GT(report.counts.byKind[static_cast<size_t>(ConflictKind::Im3ThreeTx)], 1000000);
}

TEST(Coordination, ThresholdsFromTheSettingsFile) {
    const IniFile ini = IniFile::fromText("[Coordination]\n"
                                          "TX_SPACING_KHZ = 300\n"
                                          "im3_2tx_khz=0\n"
                                          "im5_2tx_khz=-5\n"
                                          "im3_3tx_khz=abc\n");
    const CoordinationThresholds t = readCoordinationThresholds(ini);
    EXPECT_EQ(t.txSpacingKhz, 300);
    EXPECT_EQ(t.im3TwoTxKhz, 0); // 0 switches the check off
    EXPECT_EQ(t.im5TwoTxKhz, 125);
    EXPECT_EQ(t.im3ThreeTxKhz, 125);
    for (const char* hostile : {"10001", "99999999999", "", "12.5", "1e3"}) {
        const IniFile file =
            IniFile::fromText(std::string("[coordination]\ntx_spacing_khz=") + hostile + "\n");
        EXPECT_EQ(readCoordinationThresholds(file).txSpacingKhz, 250) << hostile;
    }
    EXPECT_EQ(readCoordinationThresholds(IniFile::fromText("")), CoordinationThresholds{});
}

TEST(Coordination, SummaryAndDescriptions) {
    ConflictCounts counts;
    EXPECT_EQ(conflictSummary(counts), "No conflicts");
    counts.byKind = {1, 0, 1, 0, 1};
    counts.total = 3;
    EXPECT_EQ(conflictSummary(counts), "3 conflicts: 1 same channel, 2 intermodulation");
    counts.byKind = {0, 1, 0, 0, 0};
    counts.total = 1;
    EXPECT_EQ(conflictSummary(counts), "1 conflict: 1 too close");

    const auto carriers = plan({710000, 711000, 712500, 708500});
    const ConflictReport report = findConflicts(carriers, {});
    EXPECT_EQ(describeConflict(report.conflicts.front(), carriers),
              "im3-3tx: 710.000 + 711.000 - 712.500 = 708.500 MHz (receivers 1, 2, 3) hits "
              "receiver 4 on 708.500");
    EXPECT_EQ(mhzText(-1500), "-1.500");
}

} // namespace
