// The receiver settings dialog: what it shows for each record value, Storing in order with its
// refusals, the accepted flag across OK, Apply and Cancel, and the keys.

#include "chrome/key_in.h"
#include "comm/app_message.h"
#include "dialogs/dlg_set_recv_inf.h"
#include "protocol/bands.h"
#include "protocol/settings.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/wait_until.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

constexpr int kNumber = 2;

class SetRecvInfTest : public ::testing::Test {
protected:
    SetRecvInfTest() {
        table.count = 3;
        for (int n = 1; n <= 3; ++n) {
            table.byNumber(n).setFrequencyText("946.125"); // band 1: all three RF powers
        }
        table.byNumber(kNumber).name = "Vocal";
    }

    ReceiverRecord& edited() { return table.byNumber(kNumber); }

    // A dialog over the table as it stands now, shown without blocking.
    std::unique_ptr<CDlgSetRecvInf> openDialog() {
        auto dialog = std::make_unique<CDlgSetRecvInf>(nullptr, false, kNumber, table);
        dialog->open();
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return dialog;
    }

    ScriptedPrompts prompts;
    ReceiverTable table;
};

void choose(QComboBox* list, const QString& text) {
    list->setCurrentIndex(list->findText(text));
}

} // namespace

TEST_F(SetRecvInfTest, OffersTheValueSetsAndShowsTheRecord) {
    ReceiverRecord& r = edited();
    r.afVolume = -6;
    r.lineMic = 0;
    r.antennaSwitch = 1;
    r.rxKeyLock = 1;
    r.rxKeyLockPin = 7;
    r.squelch = 38;
    r.rfPower = 2;
    r.micGain = 14;
    r.txKeyLock = 1;
    r.batteryKind = 1;
    const auto dialog = openDialog();

    EXPECT_EQ(dialog->windowTitle(), "Receiver Information Setting (Vocal)");
    QComboBox* volume = dialog->list(kSetRecvVolumeListId);
    ASSERT_EQ(volume->count(), 11);
    EXPECT_EQ(volume->itemText(10), "-20");
    EXPECT_EQ(volume->itemData(10).toInt(), -20);
    QComboBox* squelch = dialog->list(kSetRecvSquelchListId);
    ASSERT_EQ(squelch->count(), 7);
    EXPECT_EQ(squelch->itemText(0), "OFF");
    EXPECT_EQ(squelch->itemData(0).toInt(), 0);
    EXPECT_EQ(squelch->itemText(6), "50");
    QComboBox* micGain = dialog->list(kSetRecvMicGainListId);
    ASSERT_EQ(micGain->count(), 11);
    EXPECT_EQ(micGain->itemText(0), "20");
    EXPECT_EQ(micGain->itemText(10), "0");

    EXPECT_EQ(volume->currentText(), "-6");
    EXPECT_TRUE(dialog->radio(kSetRecvMicId)->isChecked());
    EXPECT_TRUE(dialog->radio(kSetRecvAntennaOnId)->isChecked());
    EXPECT_TRUE(dialog->radio(kSetRecvRxLockOnId)->isChecked());
    EXPECT_EQ(dialog->pinEdit()->text(), "0007");
    EXPECT_EQ(squelch->currentText(), "38");
    EXPECT_TRUE(dialog->radio(kSetRecvRfMiddleId)->isChecked());
    EXPECT_TRUE(dialog->radio(kSetRecvRfMiddleId)->isEnabled()); // band 1 has a middle power
    EXPECT_EQ(micGain->currentText(), "14");
    EXPECT_TRUE(dialog->radio(kSetRecvTxLockOnId)->isChecked());
    EXPECT_TRUE(dialog->radio(kSetRecvNiMhId)->isChecked());

    // Stored unchanged, the PIN as the number it shows.
    dialog->button(kSetRecvOkId)->click();
    EXPECT_TRUE(prompts.shown.isEmpty());
    EXPECT_TRUE(dialog->accepted());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    const ReceiverRecord& stored = dialog->record();
    EXPECT_EQ(stored.afVolume, -6);
    EXPECT_EQ(stored.lineMic, 0);
    EXPECT_EQ(stored.antennaSwitch, 1);
    EXPECT_EQ(stored.rxKeyLock, 1);
    EXPECT_EQ(stored.rxKeyLockPin, 7);
    EXPECT_EQ(stored.squelch, 38);
    EXPECT_EQ(stored.rfPower, 2);
    EXPECT_EQ(stored.micGain, 14);
    EXPECT_EQ(stored.txKeyLock, 1);
    EXPECT_EQ(stored.batteryKind, 1);
    EXPECT_EQ(stored.rxtxChanged, 1);
}

TEST_F(SetRecvInfTest, ValuesOutsideTheSetsOpenOnTheirFallbacks) {
    ReceiverRecord& r = edited();
    r.name.clear();
    r.afVolume = 5;
    r.lineMic = 7;
    r.antennaSwitch = -1;
    r.rxKeyLock = 2;
    r.rxKeyLockPin = 12345;
    r.squelch = 23;
    r.rfPower = 0;
    r.micGain = -1;
    r.txKeyLock = 9;
    r.batteryKind = 3;
    auto dialog = openDialog();
    EXPECT_EQ(dialog->windowTitle(), "Receiver Information Setting");
    EXPECT_EQ(dialog->list(kSetRecvVolumeListId)->currentText(), "0");
    EXPECT_TRUE(dialog->radio(kSetRecvLineId)->isChecked());
    EXPECT_TRUE(dialog->radio(kSetRecvAntennaOffId)->isChecked());
    EXPECT_TRUE(dialog->radio(kSetRecvRxLockOffId)->isChecked());
    EXPECT_EQ(dialog->pinEdit()->text(), "0000");
    EXPECT_EQ(dialog->list(kSetRecvSquelchListId)->currentText(), "20");
    EXPECT_TRUE(dialog->radio(kSetRecvRfLowId)->isChecked());
    EXPECT_FALSE(dialog->radio(kSetRecvRfMiddleId)->isChecked());
    EXPECT_EQ(dialog->list(kSetRecvMicGainListId)->currentText(), "0");
    EXPECT_TRUE(dialog->radio(kSetRecvTxLockOffId)->isChecked());
    EXPECT_TRUE(dialog->radio(kSetRecvAlkalineId)->isChecked());

    r.rxKeyLockPin = -1;
    r.afVolume = -30;
    dialog = openDialog();
    EXPECT_EQ(dialog->pinEdit()->text(), "0000");
    EXPECT_EQ(dialog->list(kSetRecvVolumeListId)->currentText(), "0");
}

TEST_F(SetRecvInfTest, BandTwoRefusesTheMiddlePowerItCannotOffer) {
    edited().setFrequencyText("710.250");
    edited().rfPower = 2;
    edited().squelch = 44;
    const auto dialog = openDialog();
    QRadioButton* middle = dialog->radio(kSetRecvRfMiddleId);
    EXPECT_TRUE(middle->isChecked());
    EXPECT_FALSE(middle->isEnabled());

    choose(dialog->list(kSetRecvSquelchListId), "26");
    dialog->button(kSetRecvOkId)->click();
    EXPECT_EQ(prompts.shown, QStringList{"Invalid  RF Power."});
    EXPECT_EQ(prompts.icons.back(), PromptIcon::Exclamation);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->accepted());
    EXPECT_EQ(QApplication::focusWidget(), dialog->radio(kSetRecvRfLowId));
    // Fields before the refused one are stored, the ones after it are not.
    EXPECT_EQ(dialog->record().squelch, 26);
    EXPECT_EQ(dialog->record().rxtxChanged, 0);

    dialog->radio(kSetRecvRfHighId)->setChecked(true);
    dialog->button(kSetRecvOkId)->click();
    EXPECT_EQ(prompts.shown.size(), 1);
    EXPECT_TRUE(dialog->accepted());
    EXPECT_EQ(dialog->record().rfPower, 3);
}

TEST_F(SetRecvInfTest, AFrequencyInNoBandFollowsTheDefaultBand) {
    const int saved = programSettings().defaultBand;
    edited().setFrequencyText("800.000");
    programSettings().defaultBand = kBandJpn;
    EXPECT_FALSE(openDialog()->radio(kSetRecvRfMiddleId)->isEnabled());
    programSettings().defaultBand = kBandUsa;
    EXPECT_TRUE(openDialog()->radio(kSetRecvRfMiddleId)->isEnabled());
    programSettings().defaultBand = 7; // counts as band 2
    EXPECT_FALSE(openDialog()->radio(kSetRecvRfMiddleId)->isEnabled());
    programSettings().defaultBand = saved;
}

TEST_F(SetRecvInfTest, ApplyKeepsTheDialogOpenAndCancelKeepsWhatItStored) {
    edited().afVolume = 0;
    const auto dialog = openDialog();
    choose(dialog->list(kSetRecvVolumeListId), "-8");
    dialog->button(kSetRecvApplyId)->click();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->accepted());
    EXPECT_EQ(dialog->record().afVolume, -8);
    EXPECT_EQ(dialog->record().rxtxChanged, 1);

    // An entry made after Apply and then cancelled is not stored; the flag stays set.
    choose(dialog->list(kSetRecvVolumeListId), "-12");
    dialog->button(kSetRecvCancelId)->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(dialog->accepted());
    EXPECT_EQ(dialog->record().afVolume, -8);
}

TEST_F(SetRecvInfTest, AnEmptyPinAfterApplyLeavesTheEarlierFieldsOfTheFailedAttempt) {
    edited().rxKeyLockPin = 1234;
    edited().micGain = 10;
    const auto dialog = openDialog();
    dialog->button(kSetRecvApplyId)->click();
    ASSERT_TRUE(dialog->accepted());

    choose(dialog->list(kSetRecvVolumeListId), "-4");
    dialog->radio(kSetRecvRxLockOnId)->setChecked(true);
    choose(dialog->list(kSetRecvMicGainListId), "2");
    dialog->pinEdit()->clear();
    dialog->button(kSetRecvOkId)->click();
    EXPECT_EQ(prompts.shown, QStringList{"RX Key Lock Pin value is out of range."});
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), dialog->pinEdit());

    dialog->button(kSetRecvCancelId)->click();
    EXPECT_TRUE(dialog->accepted());
    const ReceiverRecord& stored = dialog->record();
    EXPECT_EQ(stored.afVolume, -4);
    EXPECT_EQ(stored.rxKeyLock, 1);
    EXPECT_EQ(stored.rxKeyLockPin, 1234); // as last stored
    EXPECT_EQ(stored.micGain, 10);
}

TEST_F(SetRecvInfTest, PastedPinTextIsStoredByItsLeadingDigits) {
    const auto dialog = openDialog();
    CKeyIn* pin = dialog->pinEdit();
    pin->clear();
    QTest::keyClicks(pin, QStringLiteral("a9")); // typing is filtered
    EXPECT_EQ(pin->text(), "9");

    for (const auto& [pasted, expected] : {std::pair{"12ab", 12}, std::pair{"ab", 0}}) {
        pin->clear();
        QApplication::clipboard()->setText(QString::fromLatin1(pasted));
        QTest::keyClick(pin, Qt::Key_V, Qt::ControlModifier);
        QApplication::processEvents();
        EXPECT_EQ(pin->text(), QString::fromLatin1(pasted)); // the dialog leaves it as pasted
        dialog->button(kSetRecvApplyId)->click();
        EXPECT_EQ(dialog->record().rxKeyLockPin, expected) << pasted;
    }
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(SetRecvInfTest, TheFirstRefusalInOrderIsTheOneShown) {
    const auto dialog = openDialog();
    dialog->list(kSetRecvVolumeListId)->setCurrentIndex(-1);
    dialog->list(kSetRecvSquelchListId)->setCurrentIndex(-1);
    dialog->button(kSetRecvOkId)->click();
    dialog->list(kSetRecvVolumeListId)->setCurrentIndex(0);
    dialog->button(kSetRecvOkId)->click();
    dialog->list(kSetRecvSquelchListId)->setCurrentIndex(0);
    dialog->list(kSetRecvMicGainListId)->setCurrentIndex(-1);
    dialog->button(kSetRecvOkId)->click();
    EXPECT_EQ(prompts.shown,
              (QStringList{"Volume value is out of range.", "Squelch value is out of range.",
                           "Mic Gain value is out of range."}));
    EXPECT_FALSE(dialog->accepted());
}

TEST_F(SetRecvInfTest, PinNotificationsMoveTheFocusOrCancel) {
    const auto dialog = openDialog();
    CKeyIn* pin = dialog->pinEdit();
    pin->setFocus();
    QTest::keyClick(pin, Qt::Key_Tab);
    waitUntil([&] { return !pin->hasFocus(); }, 1000);
    EXPECT_EQ(QApplication::focusWidget(), dialog->list(kSetRecvSquelchListId));

    // Enter inside the PIN edit, and Shift+Tab, are ignored.
    pin->setFocus();
    QTest::keyClick(pin, Qt::Key_Return);
    QTest::keyClick(pin, Qt::Key_Tab, Qt::ShiftModifier);
    QApplication::processEvents();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(pin->hasFocus());

    QTest::keyClick(pin, Qt::Key_Escape);
    waitUntil([&] { return !dialog->isVisible(); }, 1000);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_FALSE(dialog->accepted());
}

// Without a default button, Enter on a list or a radio button must not end the dialog as OK
// with nothing stored; on a push button it presses that button.
TEST_F(SetRecvInfTest, EnterActsOnlyOnPushButtons) {
    const auto dialog = openDialog();
    QComboBox* volume = dialog->list(kSetRecvVolumeListId);
    choose(volume, "-10");
    volume->setFocus();
    QTest::keyClick(volume, Qt::Key_Return);
    QRadioButton* mic = dialog->radio(kSetRecvMicId);
    mic->setFocus();
    QTest::keyClick(mic, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->accepted());

    QPushButton* apply = dialog->button(kSetRecvApplyId);
    apply->setFocus();
    QTest::keyClick(apply, Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->accepted());
    EXPECT_EQ(dialog->record().afVolume, -10);
}

TEST_F(SetRecvInfTest, RunsModallyAndReportsThroughTheAcceptedFlag) {
    CDlgSetRecvInf dialog(nullptr, false, kNumber, table);
    QTimer::singleShot(0, &dialog, [&] { dialog.button(kSetRecvOkId)->click(); });
    dialog.exec();
    EXPECT_TRUE(dialog.accepted());
    EXPECT_EQ(dialog.record().rxtxChanged, 1);
    EXPECT_EQ(table.byNumber(kNumber).rxtxChanged, 0); // the creator's table is untouched
}
