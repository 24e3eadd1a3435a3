#include "history/second_summariser.h"
#include "tests/support/show_snapshots.h"

#include <gtest/gtest.h>

using namespace tessaly;
using namespace tessaly::history;
using show::Liveness;
using tessaly::testing::ReceiverValues;
using tessaly::testing::showSnapshot;

namespace {

constexpr int64_t kT0 = 1'765'310'400'000; // a whole second

// Feeds the snapshots and returns every row, the open second's included.
std::vector<HistoryRow> summarise(const std::vector<show::ShowSnapshot>& snapshots) {
    SecondSummariser summariser;
    std::vector<HistoryRow> rows;
    for (const auto& s : snapshots) {
        auto closed = summariser.add(s);
        rows.insert(rows.end(), closed.begin(), closed.end());
    }
    auto open = summariser.finish();
    rows.insert(rows.end(), open.begin(), open.end());
    return rows;
}

TEST(SecondSummariser, KeepsLowestAndHighestOfTheSecondPerReceiver) {
    const auto rows = summarise({
        showSnapshot(kT0 + 0, {{.receiver = 1, .rfA = -600, .rfB = -700, .af = -300, .battery = 4},
                               {.receiver = 7, .rfA = -500}}),
        showSnapshot(kT0 + 400,
                     {{.receiver = 1, .rfA = -800, .rfB = -650, .af = -100, .battery = 3},
                      {.receiver = 7, .rfA = -450}}),
        showSnapshot(kT0 + 999,
                     {{.receiver = 1, .rfA = -700, .rfB = -690, .af = -200, .battery = 3}}),
        showSnapshot(kT0 + 1000, {{.receiver = 1, .rfA = -900}}),
    });
    ASSERT_EQ(rows.size(), 3u);
    const HistoryRow& first = rows[0];
    EXPECT_EQ(first.receiver, 1);
    EXPECT_EQ(first.second, kT0 / 1000);
    EXPECT_EQ(first.state, HistoryState::Live);
    EXPECT_EQ(first.rfAMin, -800);
    EXPECT_EQ(first.rfAMax, -600);
    EXPECT_EQ(first.rfBMin, -700);
    EXPECT_EQ(first.rfBMax, -650);
    EXPECT_EQ(first.afMax, -100);
    EXPECT_EQ(first.battery, 3); // the last of the second
    EXPECT_EQ(first.muted, false);
    EXPECT_EQ(rows[1].receiver, 7);
    EXPECT_EQ(rows[1].rfAMin, -500);
    EXPECT_EQ(rows[1].rfAMax, -450);
    EXPECT_EQ(rows[2].second, kT0 / 1000 + 1);
    EXPECT_EQ(rows[2].rfAMin, -900);
    EXPECT_EQ(rows[2].rfAMax, -900);
}

struct StateCase {
    const char* name;
    std::vector<Liveness> refreshes; // one second's refreshes
    HistoryState expected;
    bool hasValues;
};

class SecondState : public ::testing::TestWithParam<StateCase> {};

TEST_P(SecondState, IsTheWorstOfTheSecondAndValuesComeOnlyFromLiveRefreshes) {
    std::vector<show::ShowSnapshot> snapshots;
    int64_t t = kT0;
    for (Liveness l : GetParam().refreshes) {
        snapshots.push_back(showSnapshot(t, {{.liveness = l, .rfA = -555, .mute = 1}}));
        t += 100;
    }
    const auto rows = summarise(snapshots);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].state, GetParam().expected);
    EXPECT_EQ(rows[0].rfAMin.has_value(), GetParam().hasValues);
    EXPECT_EQ(rows[0].muted.has_value(), GetParam().hasValues);
    EXPECT_EQ(rows[0].battery.has_value(), GetParam().hasValues);
}

INSTANTIATE_TEST_SUITE_P(
    Transitions, SecondState,
    ::testing::Values(
        StateCase{"live", {Liveness::Live, Liveness::Live}, HistoryState::Live, true},
        StateCase{"dropout",
                  {Liveness::Live, Liveness::NoData, Liveness::Live},
                  HistoryState::NoData,
                  true},
        StateCase{
            "goesOffline", {Liveness::NoData, Liveness::Offline}, HistoryState::Offline, false},
        StateCase{"comesBack", {Liveness::Offline, Liveness::Live}, HistoryState::Offline, true},
        StateCase{
            "stoppedIgnored", {Liveness::Stopped, Liveness::NoData}, HistoryState::NoData, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SecondSummariser, CountsAntennaSwitchesAcrossSecondsAndSkipsUnknown) {
    const auto rows = summarise({
        showSnapshot(kT0 + 0, {{.antenna = 0}}),
        showSnapshot(kT0 + 300, {{.antenna = 1}}),
        showSnapshot(kT0 + 600, {{.antenna = 0}}),
        showSnapshot(kT0 + 1000, {{.antenna = 0}}),  // no switch at the second's start
        showSnapshot(kT0 + 1300, {{.antenna = -1}}), // unknown: neither a switch nor a reset
        showSnapshot(kT0 + 1600, {{.antenna = 1}}),
        showSnapshot(kT0 + 2000, {{.liveness = Liveness::Offline, .antenna = 0}}),
        showSnapshot(kT0 + 3000, {{.antenna = 1}}),
    });
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].antennaChanges, 2);
    EXPECT_EQ(rows[0].antenna, 0);
    EXPECT_EQ(rows[1].antennaChanges, 1);
    EXPECT_EQ(rows[1].antenna, 1);
    EXPECT_EQ(rows[2].antennaChanges, 0); // offline: its antenna is not taken
    EXPECT_EQ(rows[2].antenna, 1);        // the last known one is carried
    EXPECT_EQ(rows[3].antennaChanges, 0);
}

TEST(SecondSummariser, ClosesTheSecondWhenMonitoringStopsOrTheClockStepsBack) {
    SecondSummariser summariser;
    EXPECT_TRUE(summariser.add(showSnapshot(kT0 + 5000, {{.rfA = -500}})).empty());
    auto rows = summariser.add(showSnapshot(kT0 + 2000, {{.rfA = -600}})); // clock stepped back
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].second, kT0 / 1000 + 5);
    show::ShowSnapshot stopped;
    stopped.time = show::ShowTime{kT0 + 2100, kT0 + 2100};
    rows = summariser.add(stopped);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].second, kT0 / 1000 + 2);
    EXPECT_EQ(rows[0].rfAMax, -600);
    EXPECT_FALSE(summariser.openSecond().has_value());
    EXPECT_TRUE(summariser.finish().empty());
}

TEST(SecondSummariser, SecondsBefore1970RoundDown) {
    EXPECT_EQ(secondOf(-1), -1);
    EXPECT_EQ(secondOf(-1000), -1);
    EXPECT_EQ(secondOf(-1001), -2);
    EXPECT_EQ(secondOf(999), 0);
}

} // namespace
