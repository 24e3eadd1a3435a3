#include "sim/live_levels.h"

#include <gtest/gtest.h>

using namespace tessaly::sim;

namespace {
constexpr int64_t kHourMs = 60LL * 60 * 1000;
}

TEST(LiveLevels, SameSeedReplaysTheSameStageAndOthersDiffer) {
    int differences = 0;
    for (int64_t ms = 0; ms < 60000; ms += 997) {
        const LiveLevels a = levelsAt(5, 3, ms);
        const LiveLevels b = levelsAt(5, 3, ms);
        EXPECT_EQ(a.rfA, b.rfA);
        EXPECT_EQ(a.af, b.af);
        EXPECT_EQ(a.battery, b.battery);
        const LiveLevels otherSeed = levelsAt(6, 3, ms);
        const LiveLevels otherReceiver = levelsAt(5, 4, ms);
        differences += otherSeed.rfA != a.rfA;
        differences += otherReceiver.rfA != a.rfA;
    }
    EXPECT_GT(differences, 100);
}

TEST(LiveLevels, AnHourOfAStageStaysInRangeAndShowsEveryBehaviour) {
    int dropouts = 0, peaks = 0, mutes = 0, antennaB = 0, batteryChanges = 0, swaps = 0;
    int lastBattery = levelsAt(1, 1, 0).battery;
    for (int64_t ms = 0; ms < kHourMs; ms += 20) {
        const LiveLevels l = levelsAt(1, 1, ms);
        ASSERT_GE(l.rfA, kRfFloorDbm);
        ASSERT_LE(l.rfA, kRfCeilingDbm);
        ASSERT_GE(l.rfB, kRfFloorDbm);
        ASSERT_LE(l.rfB, kRfCeilingDbm);
        ASSERT_GE(l.af, kAfFloorDb);
        ASSERT_LE(l.af, kAfPeakDb + 1.0);
        ASSERT_GE(l.battery, 0);
        ASSERT_LE(l.battery, kBatteryFull);
        ASSERT_EQ(l.antennaSelect, l.rfA >= l.rfB ? kAntennaA : kAntennaB);
        if (l.mute) {
            ++mutes;
            ASSERT_EQ(l.af, kAfFloorDb) << "a muted receiver shows no audio";
        }
        dropouts += l.rfA < -88.0;
        peaks += l.af >= 18.0;
        antennaB += l.antennaSelect == kAntennaB;
        if (l.battery != lastBattery) {
            ++batteryChanges;
            swaps += l.battery > lastBattery;
            if (l.battery < lastBattery) {
                ASSERT_EQ(l.battery, lastBattery - 1) << "batteries drain one bar at a time";
            } else {
                ASSERT_EQ(lastBattery, 0);
                ASSERT_EQ(l.battery, kBatteryFull) << "an empty battery is swapped for a full one";
            }
            lastBattery = l.battery;
        }
    }
    EXPECT_GT(dropouts, 0);
    EXPECT_GT(peaks, 0);
    EXPECT_GT(mutes, 0);
    EXPECT_GT(antennaB, 0);
    EXPECT_GE(batteryChanges, 4);
    EXPECT_GE(swaps, 1);
}
