// The frequency picker: the band and channel it opens on, used channels in red, its placement,
// and the result of each way the list can close.

#include "chrome/comb_color.h"
#include "dialogs/coordination_marks.h"
#include "dialogs/dlg_set_freq.h"
#include "protocol/bands.h"
#include "protocol/settings.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/wait_until.h"

#include <QAbstractItemView>
#include <QTest>
#include <QTimer>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

class SetFreqTest : public ::testing::Test {
protected:
    SetFreqTest() {
        table.count = 3;
        table.byNumber(1).setFrequencyText("710.125");
        table.byNumber(2).setFrequencyText("710.125");
        table.byNumber(3).setFrequencyText("710.500");
    }

    std::unique_ptr<CDlgSetFreq> makePicker(int number, FreqPickerPlacement placement = {}) {
        return std::make_unique<CDlgSetFreq>(nullptr, false, number, table, placement, prompts);
    }

    // Opens the picker and waits for its list to drop down.
    static bool openDropped(CDlgSetFreq& picker) {
        picker.open();
        return waitUntil([&] { return picker.channelList()->view()->isVisible(); }, 2000);
    }

    static bool waitClosed(CDlgSetFreq& picker) {
        return waitUntil([&] { return !picker.isVisible(); }, 2000);
    }

    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    ReceiverTable table;
};

int indexOf(const CCombColor* list, const char* text) {
    return list->findText(QString::fromLatin1(text));
}

} // namespace

TEST_F(SetFreqTest, OpensOnTheOwnChannelWithOtherReceiversChannelsRed) {
    for (int number : {1, 2}) {
        const auto picker = makePicker(number);
        const CCombColor* list = picker->channelList();
        EXPECT_EQ(picker->band(), kBandJpn);
        ASSERT_EQ(list->count(), kChannelsPerBand);
        EXPECT_EQ(list->currentText(), "710.125");
        EXPECT_EQ(list->itemColor(indexOf(list, "710.125")), kUsedChannelColor) << number;
        EXPECT_EQ(list->itemColor(indexOf(list, "710.500")), kUsedChannelColor) << number;
        EXPECT_EQ(list->itemColor(indexOf(list, "710.250")), kConflictChannelColor) << number;
        EXPECT_EQ(list->itemColor(indexOf(list, "711.000")), kFreeChannelColor) << number;
    }
    const auto alone = makePicker(3);
    EXPECT_EQ(alone->channelList()->currentText(), "710.500");
    EXPECT_EQ(alone->channelList()->itemColor(indexOf(alone->channelList(), "710.500")),
              kFreeChannelColor);
}

TEST_F(SetFreqTest, ChoosingAnotherChannelClosesWithOk) {
    const auto picker = makePicker(3);
    ASSERT_TRUE(openDropped(*picker));
    QAbstractItemView* view = picker->channelList()->view();
    QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Return);
    ASSERT_TRUE(waitClosed(*picker));
    EXPECT_EQ(picker->result(), QDialog::Accepted);
    const ReceiverRecord& r = picker->record();
    EXPECT_EQ(r.freqText, "710.625");
    EXPECT_EQ(r.freqKhz, 710625);
    EXPECT_EQ(r.freqChanged, 1);
    EXPECT_EQ(table.byNumber(3).freqChanged, 0); // the creator's table is untouched
}

TEST_F(SetFreqTest, ChoosingTheChannelAlreadySetClosesWithCancel) {
    const auto picker = makePicker(3);
    ASSERT_TRUE(openDropped(*picker));
    QTest::keyClick(picker->channelList()->view(), Qt::Key_Return);
    ASSERT_TRUE(waitClosed(*picker));
    EXPECT_EQ(picker->result(), QDialog::Rejected);
    EXPECT_EQ(picker->record().freqText, "710.500");
}

// A frequency that is none of the band's channels opens on the first channel; closing the list
// without a choice stores it only when the operator agrees to the move.
TEST_F(SetFreqTest, AnyCloseOffersTheFirstChannelWhenNoneMatched) {
    const int saved = programSettings().defaultBand;
    programSettings().defaultBand = kBandUsa;
    table.byNumber(3).setFrequencyText("800.000");
    const auto picker = makePicker(3);
    EXPECT_EQ(picker->band(), kBandUsa);
    ASSERT_TRUE(openDropped(*picker));
    EXPECT_EQ(picker->channelList()->currentIndex(), 0);
    prompts->answers = {PromptAnswer::Yes};
    QTest::keyClick(picker->channelList()->view(), Qt::Key_Escape);
    ASSERT_TRUE(waitClosed(*picker));
    EXPECT_EQ(
        prompts->shown,
        QStringList{"800.000 MHz is outside the band USA.\nMove the receiver to 946.125 MHz?"});
    EXPECT_EQ(picker->result(), QDialog::Accepted);
    EXPECT_EQ(picker->record().freqText, "946.125");
    EXPECT_EQ(picker->record().freqKhz, 946125);
    programSettings().defaultBand = saved;

    // Between two channels of a band, closed by a click elsewhere, and the move refused.
    table.byNumber(3).setFrequencyText("711.2");
    const auto between = makePicker(3);
    EXPECT_EQ(between->band(), kBandJpn);
    ASSERT_TRUE(openDropped(*between));
    EXPECT_EQ(between->channelList()->currentIndex(), 0);
    prompts->answers = {PromptAnswer::No};
    between->channelList()->hidePopup();
    ASSERT_TRUE(waitClosed(*between));
    EXPECT_EQ(between->result(), QDialog::Rejected);
    EXPECT_EQ(between->record().freqText, "711.2");
}

TEST_F(SetFreqTest, PlacesItselfBesideTheAnchorAsTheVariantSays) {
    FreqPickerPlacement placement;
    placement.anchor = QPoint(300, 200);
    placement.width = 120;
    placement.height = 18;
    placement.fontHeight = 13;
    placement.variant = kFreqPickerVariantHorizontal;
    const auto right = makePicker(1, placement);
    EXPECT_EQ(right->pos(), QPoint(304, 200));
    EXPECT_EQ(right->width(), 120);
    EXPECT_EQ(right->size(), right->channelList()->size());
    EXPECT_EQ(right->channelList()->font().pixelSize(), 13);

    placement.variant = kFreqPickerVariantVertical;
    EXPECT_EQ(makePicker(1, placement)->pos(), QPoint(298, 200));
}

TEST_F(SetFreqTest, RunsModallyUntilTheListCloses) {
    const auto picker = makePicker(1);
    QAbstractItemView* view = picker->channelList()->view();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (view->isVisible()) {
            poll.stop();
            QTest::keyClick(view, Qt::Key_End);
            QTest::keyClick(view, Qt::Key_Return);
        }
    });
    poll.start(5);
    EXPECT_EQ(picker->exec(), QDialog::Accepted);
    EXPECT_EQ(picker->record().freqText, "713.875");
}
