// The receiver settings dialog: what it shows for each record value, Storing in order with its
// refusals, the accepted flag across OK, Apply and Cancel, and the keys.

#include "chrome/key_in.h"
#include "core/app_message.h"
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

#include <array>

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
        auto dialog = std::make_unique<CDlgSetRecvInf>(nullptr, false, kNumber, table, prompts);
        dialog->open();
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return dialog;
    }

    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    ReceiverTable table;
};

void choose(QComboBox* list, const QString& text) {
    list->setCurrentIndex(list->findText(text));
}

// The ten settings in their protocol order.
template <typename Record> auto settings(Record& r) {
    return std::array{&r.afVolume, &r.lineMic, &r.antennaSwitch, &r.rxKeyLock, &r.rxKeyLockPin,
                      &r.squelch,  &r.rfPower, &r.micGain,       &r.txKeyLock, &r.batteryKind};
}

void setValues(ReceiverRecord& r, std::array<int, 10> values) {
    const auto fields = settings(r);
    for (size_t i = 0; i < values.size(); ++i) {
        *fields[i] = values[i];
    }
}

QString storedValues(const ReceiverRecord& r) {
    QStringList texts;
    for (const SharedInt* field : settings(r)) {
        texts << QString::number(field->load());
    }
    return texts.join(' ');
}

// What the dialog shows, in the same order: list texts, checked buttons, the PIN.
QString shownValues(const CDlgSetRecvInf& dialog) {
    QStringList texts;
    auto checked = [&](std::initializer_list<int> ids) {
        QStringList names;
        for (int id : ids) {
            if (dialog.radio(id)->isChecked()) {
                names << dialog.radio(id)->text();
            }
        }
        texts << names.join('+');
    };
    texts << dialog.list(kSetRecvVolumeListId)->currentText();
    checked({kSetRecvLineId, kSetRecvMicId});
    checked({kSetRecvAntennaOffId, kSetRecvAntennaOnId});
    checked({kSetRecvRxLockOffId, kSetRecvRxLockOnId});
    texts << dialog.findChild<CKeyIn*>("pinEdit")->text()
          << dialog.list(kSetRecvSquelchListId)->currentText();
    checked({kSetRecvRfLowId, kSetRecvRfMiddleId, kSetRecvRfHighId});
    texts << dialog.list(kSetRecvMicGainListId)->currentText();
    checked({kSetRecvTxLockOffId, kSetRecvTxLockOnId});
    checked({kSetRecvAlkalineId, kSetRecvNiMhId});
    return texts.join(' ');
}

QString listItems(const QComboBox* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << QStringLiteral("%1=%2").arg(list->itemText(i)).arg(list->itemData(i).toInt());
    }
    return texts.join(' ');
}

} // namespace

TEST_F(SetRecvInfTest, OffersTheValueSetsShowsTheRecordAndStoresItUnchanged) {
    setValues(edited(), {-6, 0, 1, 1, 7, 38, 2, 14, 1, 1});
    const auto dialog = openDialog();
    EXPECT_EQ(dialog->windowTitle(), "Receiver Information Setting (Vocal)");
    EXPECT_EQ(listItems(dialog->list(kSetRecvVolumeListId)),
              "0=0 -2=-2 -4=-4 -6=-6 -8=-8 -10=-10 -12=-12 -14=-14 -16=-16 -18=-18 -20=-20");
    EXPECT_EQ(listItems(dialog->list(kSetRecvSquelchListId)),
              "OFF=0 20=20 26=26 32=32 38=38 44=44 50=50");
    EXPECT_EQ(listItems(dialog->list(kSetRecvMicGainListId)),
              "20=20 18=18 16=16 14=14 12=12 10=10 8=8 6=6 4=4 2=2 0=0");
    EXPECT_EQ(shownValues(*dialog), "-6 Mic ON ON 0007 38 Middle 14 ON Ni-MH");
    EXPECT_TRUE(dialog->radio(kSetRecvRfMiddleId)->isEnabled()); // band 1 has a middle power

    dialog->button(kSetRecvOkId)->click();
    EXPECT_TRUE(prompts->shown.isEmpty());
    EXPECT_TRUE(dialog->accepted());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(storedValues(dialog->record()), "-6 0 1 1 7 38 2 14 1 1");
    EXPECT_EQ(dialog->record().rxtxChanged, 1);
}

TEST_F(SetRecvInfTest, ValuesOutsideTheSetsOpenOnTheirFallbacks) {
    edited().name.clear();
    setValues(edited(), {5, 7, -1, 2, 12345, 23, 0, -1, 9, 3});
    EXPECT_EQ(shownValues(*openDialog()), "0 Line OFF OFF 0000 20 Low 0 OFF Alkaline");
    EXPECT_EQ(openDialog()->windowTitle(), "Receiver Information Setting");
    setValues(edited(), {-30, 1, 0, 0, -1, 0, 3, 20, 0, 0});
    EXPECT_EQ(shownValues(*openDialog()), "0 Line OFF OFF 0000 OFF High 20 OFF Alkaline");
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
    EXPECT_EQ(prompts->shown, QStringList{"Invalid  RF Power."});
    EXPECT_EQ(prompts->icons.back(), PromptIcon::Exclamation);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->accepted());
    EXPECT_EQ(QApplication::focusWidget(), dialog->radio(kSetRecvRfLowId));
    // Fields before the refused one are stored, the ones after it are not.
    EXPECT_EQ(dialog->record().squelch, 26);
    EXPECT_EQ(dialog->record().rxtxChanged, 0);

    dialog->radio(kSetRecvRfHighId)->setChecked(true);
    dialog->button(kSetRecvOkId)->click();
    EXPECT_EQ(prompts->shown.size(), 1);
    EXPECT_TRUE(dialog->accepted());
    EXPECT_EQ(dialog->record().rfPower, 3);

    // A frequency in no band takes the default band's rule; a stored 7 counts as band 2.
    const int saved = programSettings().defaultBand;
    edited().setFrequencyText("800.000");
    programSettings().defaultBand = kBandUsa;
    EXPECT_TRUE(openDialog()->radio(kSetRecvRfMiddleId)->isEnabled());
    programSettings().defaultBand = 7;
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
    EXPECT_EQ(table.byNumber(kNumber).afVolume, 0); // the creator's table is untouched
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
    dialog->findChild<CKeyIn*>("pinEdit")->clear();
    dialog->button(kSetRecvOkId)->click();
    EXPECT_EQ(prompts->shown, QStringList{"RX Key Lock Pin value is out of range."});
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), dialog->findChild<CKeyIn*>("pinEdit"));

    dialog->button(kSetRecvCancelId)->click();
    EXPECT_TRUE(dialog->accepted());
    // Volume to RX key lock as now shown; the PIN and everything after it as last stored.
    EXPECT_EQ(storedValues(dialog->record()), "-4 1 0 1 1234 20 1 10 0 0");
}

TEST_F(SetRecvInfTest, PastedPinTextIsStoredByItsLeadingDigits) {
    const auto dialog = openDialog();
    CKeyIn* pin = dialog->findChild<CKeyIn*>("pinEdit");
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
    EXPECT_TRUE(prompts->shown.isEmpty());
}

TEST_F(SetRecvInfTest, PinNotificationsMoveTheFocusOrCancel) {
    const auto dialog = openDialog();
    CKeyIn* pin = dialog->findChild<CKeyIn*>("pinEdit");
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
