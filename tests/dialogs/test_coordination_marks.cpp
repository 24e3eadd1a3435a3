// Coordination in the dialogs: conflict marks and summary of Receiver Configuration, its
// Coordinate... proposal, the channel marks of the pickers, and the question before a
// frequency is moved.

#include "chrome/ap_list_ctrl.h"
#include "chrome/comb_color.h"
#include "dialogs/coordination_marks.h"
#include "dialogs/dlg_config_recv.h"
#include "dialogs/dlg_coordinate.h"
#include "dialogs/dlg_input_ip.h"
#include "dialogs/dlg_set_freq.h"
#include "dialogs/receiver_list_rows.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/wait_until.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

// Receivers 1 and 3 share 710.125; 710.125 lies midway between 2 (710.375) and 4 (709.875),
// so 1 and 3 each mix with 2 and 4 onto the other; 5 (712.500) is clear of all.
void fillClashingPlan(ReceiverTable& table) {
    const char* freqs[] = {"710.125", "710.375", "710.125", "709.875", "712.500"};
    table.count = 5;
    for (int n = 1; n <= 5; ++n) {
        table.byNumber(n).ip = "10.0.0." + std::to_string(n);
        table.byNumber(n).name = "RX" + std::to_string(n);
        table.byNumber(n).setFrequencyText(freqs[n - 1]);
    }
}

class CoordinationMarks : public ::testing::Test {
protected:
    CoordinationMarks() { coordinationThresholds() = {250, 125, 125, 0}; }
    ~CoordinationMarks() override { coordinationThresholds() = {}; }

    static QString tip(const CApListCtrl* list, int row, int column) {
        return list->item(row, column)->toolTip();
    }

    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    std::shared_ptr<FakeNeighbourFinder> lan = std::make_shared<FakeNeighbourFinder>();
};

TEST_F(CoordinationMarks, ReceiverListMarksEveryAffectedRowAndSumsUp) {
    auto dialogs = std::make_shared<ScriptedConfigDialogs>();
    CDlgConfigRecv dialog{nullptr, lan, loopbackEngineOptions(), dialogs, prompts};
    fillClashingPlan(dialog.table());
    dialog.open();
    ASSERT_TRUE(waitUntil([&] { return dialog.ready(); }));
    EXPECT_EQ(dialog.findChild<QLabel*>("conflictLine")->text(),
              "5 conflicts: 1 same channel, 4 intermodulation");
    const CApListCtrl* list = dialog.list();
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(list->item(row, kColumnName)->background().color(), QColor(kConflictRowTint));
        EXPECT_EQ(tip(list, row, kColumnFrequency), tip(list, row, kColumnNumber));
    }
    EXPECT_TRUE(tip(list, 0, kColumnNumber).startsWith("same: receivers 1 and 3"));
    EXPECT_TRUE(tip(list, 3, kColumnNumber).contains("hits receiver 4 on 709.875"));
    EXPECT_EQ(list->item(4, kColumnName)->background().style(), Qt::NoBrush);
    EXPECT_TRUE(tip(list, 4, kColumnNumber).isEmpty());

    // Coordinate...: the confirmed proposal becomes pending changes and the marks go.
    int offeredSelection = -1;
    dialogs->coordinate = [&](const ReceiverTable& table, int selected, PlanProposal& proposal) {
        offeredSelection = selected;
        proposal = proposePlan(planReceiversOf(table, kBandJpn), coordinationThresholds());
        return true;
    };
    selectRow(*dialog.list(), 2);
    dialog.button(kIdCoordinate)->click();
    EXPECT_EQ(offeredSelection, 3);
    EXPECT_EQ(dialog.findChild<QLabel*>("conflictLine")->text(), "No conflicts");
    EXPECT_EQ(dialog.changed(), 1);
    int moved = 0;
    for (int n = 1; n <= 5; ++n) {
        const ReceiverRecord& r = dialog.table().byNumber(n);
        EXPECT_EQ(dialog.list()->itemText(n - 1, kColumnFrequency),
                  QString::fromStdString(r.freqText));
        EXPECT_EQ(dialog.list()->item(n - 1, kColumnName)->background().style(), Qt::NoBrush);
        moved += r.freqChanged;
    }
    EXPECT_GE(moved, 2);
    EXPECT_EQ(dialog.table().byNumber(5).freqText, "712.500"); // was clear: kept
}

TEST_F(CoordinationMarks, ProposalDialogListsOldAndNewAndCanKeepTheOthersFixed) {
    ReceiverTable table;
    fillClashingPlan(table);
    CDlgCoordinate dialog(nullptr, table, 3, coordinationThresholds(), kBandJpn);
    ASSERT_EQ(dialog.list()->itemCount(), 5);
    EXPECT_EQ(dialog.list()->itemText(4, kProposalColumnOld), "712.500");
    EXPECT_EQ(dialog.list()->itemText(4, kProposalColumnNew), "712.500");
    EXPECT_TRUE(dialog.okButton()->isEnabled());

    dialog.selectedOnly()->setChecked(true);
    ASSERT_EQ(dialog.list()->itemCount(), 1);
    EXPECT_EQ(dialog.list()->itemText(0, kProposalColumnNumber), "3");
    ASSERT_EQ(dialog.proposal().assignment.size(), 1u);
    EXPECT_NE(dialog.proposal().assignment[0].newKhz, 710125);
}

TEST_F(CoordinationMarks, PickerMarksChannelsThatWouldClashWithTheReason) {
    ReceiverTable table;
    fillClashingPlan(table);
    CDlgSetFreq picker(nullptr, false, 5, table, {}, prompts);
    const CCombColor* list = picker.channelList();
    const int used = list->findText("710.375");
    const int tooClose = list->findText("710.500");
    const int product = list->findText("710.625"); // 2 * 710.375 - 710.125
    const int clean = list->findText("713.875");
    EXPECT_EQ(list->itemColor(used), kUsedChannelColor);
    EXPECT_EQ(list->itemColor(tooClose), kConflictChannelColor);
    EXPECT_TRUE(list->itemData(tooClose, Qt::ToolTipRole).toString().startsWith("spacing"));
    EXPECT_EQ(list->itemColor(product), kConflictChannelColor);
    EXPECT_TRUE(list->itemData(product, Qt::ToolTipRole).toString().contains("hits receiver 5"));
    EXPECT_EQ(list->itemColor(clean), kFreeChannelColor);
    EXPECT_FALSE(list->itemData(clean, Qt::ToolTipRole).isValid());
}

TEST_F(CoordinationMarks, InputAddressAsksBeforeMovingAFrequencyOutsideTheBand) {
    for (const PromptAnswer answer : {PromptAnswer::Cancel, PromptAnswer::No, PromptAnswer::Yes}) {
        CDlgInputIP dialog{nullptr, lan, loopbackEngineOptions(), prompts};
        dialog.table().count = 1;
        dialog.setMode(kInputModeEdit);
        dialog.record().setFrequencyText("715.000");
        dialog.open();
        prompts->answers = {answer};
        dialog.findChild<QLineEdit*>("ipEdit")->setText("10.0.0.9");
        dialog.okButton()->click();
        EXPECT_TRUE(prompts->shown.last().startsWith("715.000 MHz is outside the band JPN.\n"
                                                     "Move the receiver to 710.125 MHz?"));
        EXPECT_EQ(dialog.isVisible(), answer == PromptAnswer::Cancel);
        EXPECT_EQ(dialog.record().freqKhz, answer == PromptAnswer::Yes ? 710125 : 715000);
    }
}

TEST_F(CoordinationMarks, PickerAsksBeforeMovingAFrequencyBetweenChannels) {
    ReceiverTable table;
    fillClashingPlan(table);
    table.byNumber(5).setFrequencyText("711.200");
    for (const PromptAnswer answer : {PromptAnswer::No, PromptAnswer::Yes}) {
        CDlgSetFreq picker(nullptr, false, 5, table, {}, prompts);
        picker.open();
        ASSERT_TRUE(waitUntil([&] { return picker.channelList()->view()->isVisible(); }, 2000));
        prompts->answers = {answer};
        QTest::keyClick(picker.channelList()->view(), Qt::Key_Escape);
        ASSERT_TRUE(waitUntil([&] { return !picker.isVisible(); }, 2000));
        EXPECT_EQ(prompts->shown.last(),
                  "711.200 MHz is not a channel of the band JPN.\nMove the receiver to 710.125 "
                  "MHz?");
        EXPECT_EQ(picker.result(),
                  answer == PromptAnswer::Yes ? QDialog::Accepted : QDialog::Rejected);
    }
}

} // namespace
