// The receiver information display: the text of every value field, known and unknown values.

#include "dialogs/dlg_disp_receiver_inf.h"

#include <QLabel>

#include <gtest/gtest.h>

using namespace tessaly;

namespace {

ReceiverRecord recordWith(int afVolume, int lineMic, int antennaSwitch, int rxKeyLock, int squelch,
                          int rfPower, int micGain, int txKeyLock, int batteryKind) {
    ReceiverRecord r;
    r.afVolume = afVolume;
    r.lineMic = lineMic;
    r.antennaSwitch = antennaSwitch;
    r.rxKeyLock = rxKeyLock;
    r.squelch = squelch;
    r.rfPower = rfPower;
    r.micGain = micGain;
    r.txKeyLock = txKeyLock;
    r.batteryKind = batteryKind;
    return r;
}

} // namespace

TEST(DispReceiverInfTest, ShowsEachKnownValueInItsOwnWords) {
    ReceiverRecord r = recordWith(-4, 1, 1, 0, 26, 3, 12, 1, 1);
    r.name = "Lead";
    r.rxKeyLockPin = 4321;
    const CDlgDispReceiverInf dialog(nullptr, 5, r);
    EXPECT_EQ(dialog.windowTitle(), "Receiver Information (Lead)");
    EXPECT_EQ(dialog.valueText(kInfoGainId), "-4");
    EXPECT_EQ(dialog.valueText(kInfoLineMicId), "Line");
    EXPECT_EQ(dialog.valueText(kInfoAntennaSwitchId), "On");
    EXPECT_TRUE(dialog.valueField(kInfoAntennaSwitchId)->isEnabled());
    EXPECT_EQ(dialog.valueText(kInfoRxKeyLockId), "Off");
    EXPECT_EQ(dialog.valueText(kInfoSquelchId), "26");
    EXPECT_EQ(dialog.valueText(kInfoRfPowerId), "High");
    EXPECT_EQ(dialog.valueText(kInfoMicGainId), "12");
    EXPECT_EQ(dialog.valueText(kInfoTxKeyLockId), "On");
    EXPECT_EQ(dialog.valueText(kInfoBatteryId), "Ni-MH");
    EXPECT_EQ(dialog.valueField(kInfoBatteryId)->alignment(), Qt::AlignCenter);
    // The PIN is not shown anywhere.
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        EXPECT_FALSE(label->text().contains("4321"));
    }
}

TEST(DispReceiverInfTest, TheOtherEndsOfEachSet) {
    const CDlgDispReceiverInf dialog(nullptr, 1, recordWith(0, 0, 0, 1, 0, 0, 0, 0, 0));
    EXPECT_EQ(dialog.windowTitle(), "Receiver Information");
    EXPECT_EQ(dialog.valueText(kInfoLineMicId), "Mic");
    EXPECT_EQ(dialog.valueText(kInfoAntennaSwitchId), "Off");
    EXPECT_EQ(dialog.valueText(kInfoRxKeyLockId), "On");
    EXPECT_EQ(dialog.valueText(kInfoSquelchId), "Off");
    EXPECT_EQ(dialog.valueText(kInfoRfPowerId), "Off"); // a value the settings dialog lacks
    EXPECT_EQ(dialog.valueText(kInfoBatteryId), "Alkaline");

    const CDlgDispReceiverInf middle(nullptr, 1, recordWith(0, 0, 0, 0, 50, 2, 20, 0, 0));
    EXPECT_EQ(middle.valueText(kInfoRfPowerId), "Middle");
    EXPECT_EQ(middle.valueText(kInfoSquelchId), "50");
}

TEST(DispReceiverInfTest, UnknownValuesAreNamedAndTheAntennaFieldGreysOut) {
    const CDlgDispReceiverInf dialog(nullptr, 1, recordWith(-30, 2, 2, -1, 23, 4, -1, 7, 2));
    EXPECT_EQ(dialog.valueText(kInfoGainId), "-30");
    EXPECT_EQ(dialog.valueText(kInfoLineMicId), "Unknown(2)");
    EXPECT_EQ(dialog.valueText(kInfoAntennaSwitchId), "");
    EXPECT_FALSE(dialog.valueField(kInfoAntennaSwitchId)->isEnabled());
    EXPECT_EQ(dialog.valueText(kInfoRxKeyLockId), "Unknown(-1)");
    EXPECT_EQ(dialog.valueText(kInfoSquelchId), "23");
    EXPECT_EQ(dialog.valueText(kInfoRfPowerId), "Unknown(4)");
    EXPECT_EQ(dialog.valueText(kInfoMicGainId), "-1");
    EXPECT_EQ(dialog.valueText(kInfoTxKeyLockId), "Unknown(7)");
    EXPECT_EQ(dialog.valueText(kInfoBatteryId), "Unknown(2)");
}
