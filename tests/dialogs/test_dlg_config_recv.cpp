// The Receiver Configuration dialog with its Input IP Address and IP Search dialogs answered by
// the test, on a LAN the test describes and simulated receivers on loopback.

#include "chrome/ap_list_ctrl.h"
#include "dialogs/dlg_config_recv.h"
#include "dialogs/dlg_get_receiver_inf.h"
#include "dialogs/dlg_input_ip.h"
#include "dialogs/receiver_list_rows.h"
#include "tests/dialogs/dialog_test_support.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

struct InputCall {
    int mode;
    int number;
    int tableCount;
};

class ConfigRecvTest : public ::testing::Test {
protected:
    ConfigRecvTest() {
        dialogs->input = [this](int mode, int number, const ReceiverTable& table,
                                ReceiverRecord& record) {
            inputCalls.push_back({mode, number, table.count});
            initialRecord.copyFrom(record);
            if (!inputAccepts) {
                return false;
            }
            if (!typedName.empty()) {
                record.name = typedName;
            }
            if (!typedIp.empty()) {
                record.ip = typedIp;
            }
            return true;
        };
    }

    void fill(int count) {
        ReceiverTable& table = dialog.table();
        table.count = count;
        for (int n = 1; n <= count; ++n) {
            table.byNumber(n).ip = "10.0.0." + std::to_string(n);
            table.byNumber(n).name = "RX" + std::to_string(n);
            table.byNumber(n).setFrequencyText("710.125");
        }
    }
    void openDialog() {
        dialog.open();
        ASSERT_TRUE(waitUntil([&] { return dialog.ready(); }));
    }
    bool enabled(int id) const { return dialog.button(id)->isEnabled(); }
    void select(int row) { selectRow(*dialog.list(), row); }

    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    std::shared_ptr<FakeNeighbourFinder> lan = std::make_shared<FakeNeighbourFinder>();
    std::shared_ptr<ScriptedConfigDialogs> dialogs = std::make_shared<ScriptedConfigDialogs>();
    CDlgConfigRecv dialog{nullptr, lan, loopbackEngineOptions(), dialogs, prompts};
    std::vector<InputCall> inputCalls;
    ReceiverRecord initialRecord;
    bool inputAccepts = true;
    std::string typedName;
    std::string typedIp;
};

} // namespace

TEST_F(ConfigRecvTest, OpeningReconcilesAddressesWithoutCountingAsAChange) {
    fill(2);
    dialog.table().byNumber(1).mac = "0A-54-53-00-00-01";
    lan->setEntries(
        {neighbour("10.0.0.41", "0A-54-53-00-00-01"), neighbour("10.0.0.2", "0A-54-53-00-00-02")});
    EXPECT_FALSE(dialog.button(kIdOk)->isEnabled());
    openDialog();
    EXPECT_EQ(lan->sweeps, 1);
    CApListCtrl& list = *dialog.list();
    ASSERT_EQ(list.itemCount(), 2);
    EXPECT_EQ(list.itemText(0, kColumnIp), "10.0.0.41");
    EXPECT_EQ(list.itemText(1, kColumnMac), "0A-54-53-00-00-02");
    EXPECT_EQ(selectedRow(list), 0);
    EXPECT_EQ(dialog.changed(), 0);
    EXPECT_TRUE(enabled(kIdUp));
    EXPECT_TRUE(enabled(kIdOk));
}

TEST_F(ConfigRecvTest, AnEmptyTableIsNotSweptAndGovernsTheButtons) {
    openDialog();
    EXPECT_EQ(lan->sweeps, 0);
    for (int id : {kIdUp, kIdDown, kIdEdit, kIdDelete, kIdAllDelete, kIdUpload, kIdDownload}) {
        EXPECT_FALSE(enabled(id)) << id;
    }
    EXPECT_TRUE(enabled(kIdAdd));
    EXPECT_TRUE(enabled(kIdInsert));
}

TEST_F(ConfigRecvTest, AddingTheSixtiethReceiverDisablesAdd) {
    fill(59);
    openDialog();
    select(3);
    typedName = "NEW";
    dialog.button(kIdAdd)->click();
    ASSERT_EQ(inputCalls.size(), 1u);
    EXPECT_EQ(inputCalls[0].mode, kInputModeAdd);
    EXPECT_EQ(inputCalls[0].number, 60);
    EXPECT_EQ(inputCalls[0].tableCount, 60);
    EXPECT_NE(initialRecord.freqText, "710.125"); // a channel nobody uses
    EXPECT_EQ(dialog.table().count, 60);
    EXPECT_EQ(dialog.table().byNumber(60).name, "NEW");
    EXPECT_EQ(dialog.table().byNumber(60).nameChanged, 1);
    EXPECT_EQ(selectedRow(*dialog.list()), 59);
    for (int id : {kIdAdd, kIdInsert}) {
        EXPECT_FALSE(enabled(id)) << id;
        EXPECT_EQ(dialog.button(id)->toolTip(), kListFullTip) << id;
    }
    EXPECT_EQ(dialog.changed(), 1);
    dialog.addReceiver(); // full: nothing happens
    dialog.insertReceiver();
    EXPECT_EQ(inputCalls.size(), 1u);

    prompts->answers = {PromptAnswer::Ok};
    dialog.button(kIdDelete)->click();
    EXPECT_TRUE(enabled(kIdInsert));
    EXPECT_EQ(dialog.button(kIdInsert)->toolTip(), "");
}

TEST_F(ConfigRecvTest, EditWithNothingChangedIsNoChange) {
    fill(2);
    openDialog();
    select(1);
    dialog.button(kIdEdit)->click();
    EXPECT_EQ(dialog.changed(), 0);
    typedName = "RENAMED";
    dialog.button(kIdEdit)->click();
    EXPECT_EQ(dialog.changed(), 1);
    EXPECT_EQ(dialog.table().byNumber(2).nameChanged, 1);
}

TEST_F(ConfigRecvTest, EscapeAsksBeforeDiscardingEditsCancelDoesNot) {
    fill(2);
    openDialog();
    QTest::keyClick(&dialog, Qt::Key_Escape); // nothing changed: closes at once
    EXPECT_FALSE(dialog.isVisible());

    dialog.open();
    select(0);
    typedName = "NEW";
    dialog.button(kIdEdit)->click();
    prompts->answers = {PromptAnswer::Cancel};
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(prompts->shown, QStringList{kDiscardQuestion});

    dialog.button(kIdApply)->click(); // what Cancel hands back now holds the edit
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());

    dialog.open();
    typedName = "LATER";
    dialog.button(kIdEdit)->click();
    dialog.button(kIdCancel)->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(prompts->shown.size(), 1);
}

TEST_F(ConfigRecvTest, ColumnsShowAStatusANameAndAMacAddressWhole) {
    fill(1);
    dialog.table().byNumber(1).name = "WWWWWWWWWW";
    dialog.table().byNumber(1).mac = "0A-54-53-00-00-01";
    dialog.table().byNumber(1).statusText = "Synchronize";
    lan->setEntries({neighbour("10.0.0.1", "0A-54-53-00-00-01")});
    openDialog();
    expectColumnsShowWhole(*dialog.list());
}

TEST_F(ConfigRecvTest, InsertEditAndMovesChangeTheRowsNamed) {
    fill(3);
    openDialog();
    select(1);
    typedName = "INS";
    dialog.button(kIdInsert)->click();
    ASSERT_EQ(inputCalls.back().mode, kInputModeInsert);
    EXPECT_EQ(inputCalls.back().number, 2);
    EXPECT_EQ(inputCalls.back().tableCount, 4);
    EXPECT_EQ(dialog.table().count, 4);
    EXPECT_EQ(dialog.list()->itemText(1, kColumnName), "INS");
    EXPECT_EQ(dialog.list()->itemText(2, kColumnName), "RX2");
    EXPECT_EQ(dialog.list()->itemText(3, kColumnNumber), "4");

    select(3);
    typedName = "EDITED";
    dialog.button(kIdEdit)->click();
    EXPECT_EQ(inputCalls.back().mode, kInputModeEdit);
    EXPECT_EQ(initialRecord.name, "RX3");
    EXPECT_EQ(dialog.table().byNumber(4).name, "EDITED");
    EXPECT_EQ(dialog.table().byNumber(4).nameChanged, 1);
    EXPECT_EQ(dialog.table().byNumber(4).freqChanged, 0);

    dialog.button(kIdUp)->click();
    EXPECT_EQ(dialog.list()->itemText(2, kColumnName), "EDITED");
    EXPECT_EQ(selectedRow(*dialog.list()), 2);
    dialog.button(kIdDown)->click();
    EXPECT_EQ(dialog.table().byNumber(4).name, "EDITED");
    dialog.moveDown(); // already last
    EXPECT_EQ(selectedRow(*dialog.list()), 3);

    inputAccepts = false;
    select(0);
    dialog.button(kIdEdit)->click();
    EXPECT_EQ(dialog.table().byNumber(1).name, "RX1");
}

TEST_F(ConfigRecvTest, DeleteAsksWithTheNameAndAllDeleteKeepsTheHeader) {
    fill(2);
    dialog.table().portNumber = 6000;
    dialog.table().answerTimeoutMs = 1200;
    openDialog();
    select(1);
    prompts->answers = {PromptAnswer::Cancel, PromptAnswer::Ok};
    dialog.button(kIdDelete)->click();
    EXPECT_EQ(dialog.table().count, 2);
    dialog.button(kIdDelete)->click();
    EXPECT_EQ(prompts->shown,
              (QStringList{"Do you want to delete ? (RX2)", "Do you want to delete ? (RX2)"}));
    EXPECT_EQ(dialog.table().count, 1);
    EXPECT_EQ(selectedRow(*dialog.list()), 0);
    EXPECT_FALSE(enabled(kIdUp));

    prompts->answers = {PromptAnswer::Ok};
    dialog.button(kIdAllDelete)->click();
    EXPECT_EQ(prompts->shown.last(), "Do you want to delete All ?");
    EXPECT_EQ(dialog.table().count, 0);
    EXPECT_EQ(dialog.list()->itemCount(), 0);
    EXPECT_EQ(dialog.table().portNumber, 6000);
    EXPECT_EQ(dialog.table().answerTimeoutMs, 1200);
    for (int id : {kIdEdit, kIdDelete, kIdAllDelete, kIdUpload, kIdDownload}) {
        EXPECT_FALSE(enabled(id)) << id;
    }
}

TEST_F(ConfigRecvTest, DuplicateAddressesBlockOkAndApplyCancelAfterApplyKeepsTheApplied) {
    fill(3);
    // Receiver 3 answers at receiver 1's address now: both keep it after the reconciliation.
    for (int n = 1; n <= 3; ++n) {
        dialog.table().byNumber(n).mac = "0A-54-53-00-00-0" + std::to_string(n);
    }
    lan->setEntries(
        {neighbour("10.0.0.1", "0A-54-53-00-00-01"), neighbour("10.0.0.2", "0A-54-53-00-00-02"),
         neighbour("10.0.0.1", "0A-54-53-00-00-03"), neighbour("10.0.0.3", "0A-54-53-00-00-09")});
    openDialog();
    dialog.button(kIdOk)->click();
    EXPECT_EQ(prompts->shown, QStringList{"IP address overlaps. (10.0.0.1)"});
    EXPECT_TRUE(dialog.isVisible());
    dialog.button(kIdApply)->click();
    EXPECT_EQ(dialog.applied(), 0);

    select(2);
    typedIp = "10.0.0.3";
    dialog.button(kIdEdit)->click();
    dialog.button(kIdApply)->click();
    EXPECT_EQ(dialog.applied(), 1);
    typedIp.clear();
    typedName = "LATER";
    dialog.button(kIdEdit)->click();
    dialog.button(kIdCancel)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.appliedTable().byNumber(3).ip, "10.0.0.3");
    EXPECT_EQ(dialog.appliedTable().byNumber(3).name, "RX3");
}

TEST_F(ConfigRecvTest, IpSearchMergesAndAsksTheAppendedReceiversForTheirSettings) {
    SimulatedReceivers receivers;
    ASSERT_TRUE(receivers.start(3));
    dialog.table().copyFrom(receivers.table);
    dialog.table().count = 1;
    dialog.table().byNumber(1).mac = "0A-54-53-00-00-01";
    lan->setEntries({neighbour("127.0.0.1", "0A-54-53-00-00-01")});
    dialogs->search = [](ReceiverTable& found) {
        found.count = 2;
        found.byNumber(1).ip = "127.0.0.1";
        found.byNumber(1).mac = "0A-54-53-00-00-01";
        found.byNumber(2).ip = "127.0.0.2";
        found.byNumber(2).mac = "0A-54-53-00-00-02";
        return true;
    };
    openDialog();
    dialog.button(kIdIpSearch)->click();
    EXPECT_EQ(dialog.operationKind(), kOperationDownload);
    EXPECT_FALSE(enabled(kIdOk));
    dialog.reject(); // Cancel is not available while busy
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_TRUE(waitUntil([&] { return dialog.operationKind() == kOperationIdle; }, 20000));

    EXPECT_EQ(dialog.table().count, 2);
    EXPECT_EQ(dialog.table().byNumber(2).name, receivers.simulator.state(2).name);
    EXPECT_EQ(dialog.list()->itemText(1, kColumnStatus), "Synchronize");
    EXPECT_EQ(dialog.list()->itemText(0, kColumnStatus), ""); // not asked again
    EXPECT_EQ(dialog.changed(), 1);
    EXPECT_TRUE(enabled(kIdOk));
}

TEST_F(ConfigRecvTest, DownloadMarksTheSilentReceiverAndGoesOn) {
    SimulatedReceivers receivers;
    ASSERT_TRUE(receivers.start(3));
    receivers.simulator.setFault(2, sim::makeFault(sim::FaultKind::Silent));
    dialog.table().copyFrom(receivers.table);
    lan->setEntries({neighbour("127.0.0.1", "0A-54-53-00-00-01")});
    openDialog();
    prompts->answers = {PromptAnswer::Ok};
    dialog.button(kIdDownload)->click();
    EXPECT_EQ(prompts->shown.last(),
              "Are you sure you want to replace the contents of the table ?");
    ASSERT_TRUE(waitUntil([&] { return dialog.operationKind() == kOperationIdle; }, 20000));
    EXPECT_EQ(dialog.list()->itemText(0, kColumnStatus), "Synchronize");
    EXPECT_EQ(dialog.list()->itemText(1, kColumnStatus), "Error");
    EXPECT_EQ(dialog.list()->itemText(2, kColumnStatus), "Synchronize");
    EXPECT_TRUE(dialog.failureLine()->text().startsWith("OLD2\n"));
    EXPECT_EQ(dialog.table().byNumber(3).name, receivers.simulator.state(3).name);
}

TEST_F(ConfigRecvTest, UploadRunsTheCheckedUploadAndTakesItsStatusesBack) {
    SimulatedReceivers receivers;
    ASSERT_TRUE(receivers.start(2));
    dialog.table().copyFrom(receivers.table);
    lan->setEntries({});
    openDialog();
    prompts->answers = {PromptAnswer::Ok};
    // The progress dialog runs modally: answer its difference with Send once it shows it.
    bool sentFromProgress = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* progress = qobject_cast<CDlgGetReceiverInf*>(QApplication::activeModalWidget());
        if (progress != nullptr && progress->reviewing()) {
            sentFromProgress = true;
            progress->findChild<QPushButton*>("sendButton")->click();
        }
    });
    poll.start(20);
    dialog.button(kIdUpload)->click(); // returns when the progress dialog closed by itself
    poll.stop();
    EXPECT_TRUE(sentFromProgress);
    EXPECT_EQ(dialog.list()->itemText(0, kColumnStatus), "Synchronize");
    EXPECT_EQ(dialog.list()->itemText(1, kColumnStatus), "Synchronize");
    EXPECT_EQ(receivers.simulator.state(2).name, "OLD2");
}
