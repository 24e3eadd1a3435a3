// The upload and download progress dialog against simulated receivers on loopback.

#include "chrome/ap_list_box.h"
#include "chrome/ap_list_ctrl.h"
#include "chrome/dlg_comm_config.h"
#include "dialogs/dlg_get_receiver_inf.h"
#include "dialogs/receiver_list_rows.h"
#include "protocol/frequency.h"
#include "tests/dialogs/dialog_test_support.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

constexpr int kRunLimitMs = 20000;

class GetReceiverInfTest : public ::testing::Test {
protected:
    void run(CDlgGetReceiverInf& dialog, int mode) {
        dialog.setMode(mode);
        dialog.table().copyFrom(receivers.table);
        dialog.open();
    }
    static bool closed(const CDlgGetReceiverInf& dialog) { return !dialog.isVisible(); }

    SimulatedReceivers receivers;
};

} // namespace

TEST_F(GetReceiverInfTest, DownloadWithoutFailureClosesByItselfAndDebugShowsTheTrace) {
    ASSERT_TRUE(receivers.start(2));
    EngineOptions options = loopbackEngineOptions();
    options.commDebug = true;
    CDlgGetReceiverInf dialog(nullptr, options);
    run(dialog, kGetInfModeDownload);
    ASSERT_TRUE(waitUntil([&] { return closed(dialog); }, kRunLimitMs));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.findChild<QLabel*>("progressLine")->text(), "Download Finished.");
    EXPECT_TRUE(dialog.lastFailureText().isEmpty());
    EXPECT_EQ(dialog.dataChanged(), 1);

    // comm/debug: the engine's "Comm Config" window showed itself and traced the exchanges.
    auto* trace = dialog.findChild<CDlgCommConfig*>();
    ASSERT_NE(trace, nullptr);
    EXPECT_EQ(trace->windowTitle(), "Comm Config");
    EXPECT_TRUE(trace->isVisible());
    EXPECT_GT(trace->traceList().lineCount(), 0);
}

TEST_F(GetReceiverInfTest, DownloadMarksTheSilentReceiverAndWaitsForClose) {
    ASSERT_TRUE(receivers.start(3));
    receivers.simulator.setFault(2, sim::makeFault(sim::FaultKind::Silent));
    CDlgGetReceiverInf dialog(nullptr, loopbackEngineOptions());
    run(dialog, kGetInfModeDownload);
    EXPECT_EQ(dialog.windowTitle(), "Download");
    EXPECT_EQ(dialog.findChild<QLabel*>("progressLine")->text(), "Getting ready for Download...");
    EXPECT_FALSE(dialog.findChild<QPushButton*>("stopButton")->isEnabled());
    ASSERT_TRUE(
        waitUntil([&] { return dialog.busy() == 0 && dialog.dataChanged() == 1; }, kRunLimitMs));

    // The failure keeps the dialog open with its reason until the operator closes it.
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.findChild<QLabel*>("progressLine")->text(), "Download Finished.");
    EXPECT_EQ(dialog.findChild<QPushButton*>("stopButton")->text(), "Close");
    dialog.findChild<QPushButton*>("stopButton")->click();
    ASSERT_TRUE(closed(dialog));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    CApListCtrl& list = *dialog.list();
    ASSERT_EQ(list.itemCount(), 3);
    EXPECT_EQ(list.itemText(0, kColumnStatus), "Synchronize");
    EXPECT_EQ(list.itemText(1, kColumnStatus), "Error");
    EXPECT_EQ(list.itemText(2, kColumnStatus), "Synchronize");
    EXPECT_EQ(list.itemText(2, kColumnName),
              QString::fromStdString(receivers.simulator.state(3).name));

    EXPECT_EQ(dialog.dataChanged(), 1);
    const ReceiverTable& table = dialog.table();
    EXPECT_EQ(table.byNumber(1).name, receivers.simulator.state(1).name);
    EXPECT_EQ(table.byNumber(3).freqKhz, receivers.simulator.state(3).freqKhz);
    EXPECT_EQ(table.byNumber(2).name, "OLD2");
    EXPECT_EQ(table.byNumber(2).statusText, "Error");

    // The reason for the failure is on the row and below the list.
    EXPECT_TRUE(dialog.lastFailureText().startsWith("OLD2\n"))
        << dialog.lastFailureText().toStdString();
    EXPECT_EQ(dialog.failureLine()->text(), dialog.lastFailureText());
    EXPECT_EQ(list.item(1, kColumnName)->toolTip(), dialog.lastFailureText());
    EXPECT_TRUE(list.item(0, kColumnName)->toolTip().isEmpty());
}

TEST_F(GetReceiverInfTest, UploadShowsTheDifferenceSendsOnSendAndVerifiesEveryRow) {
    ASSERT_TRUE(receivers.start(2));
    const std::string longName = "LEAD VOCAL " + std::string(30, 'X'); // the receiver keeps 32
    receivers.table.byNumber(1).name = longName;
    CDlgGetReceiverInf dialog(nullptr, loopbackEngineOptions());
    run(dialog, kGetInfModeUpload);
    EXPECT_EQ(dialog.windowTitle(), "Upload");
    ASSERT_TRUE(waitUntil([&] { return dialog.reviewing(); }, kRunLimitMs));
    EXPECT_EQ(dialog.findChild<QLabel*>("progressLine")->text(),
              "2 of 2 receivers change. Press Send to upload.");
    EXPECT_EQ(dialog.list()->itemText(1, kColumnName), "RX2 -> OLD2");
    EXPECT_EQ(receivers.simulator.state(2).name, "RX2") << "nothing sent before Send";

    dialog.findChild<QPushButton*>("sendButton")->click();
    ASSERT_TRUE(waitUntil(
        [&] { return dialog.findChild<QLabel*>("progressLine")->text() == "Upload Finished."; },
        kRunLimitMs));
    EXPECT_TRUE(dialog.isVisible()); // the name mismatch is worth reading
    EXPECT_EQ(dialog.mismatches(), 1);
    EXPECT_TRUE(dialog.list()
                    ->itemText(0, kColumnStatus)
                    .startsWith("Mismatch: receiver reports \"LEAD VOCAL XXX"))
        << dialog.list()->itemText(0, kColumnStatus).toStdString();
    EXPECT_EQ(dialog.list()->itemText(1, kColumnStatus), "Verified");
    dialog.findChild<QPushButton*>("stopButton")->click();
    ASSERT_TRUE(closed(dialog));

    EXPECT_EQ(dialog.table().byNumber(1).name, longName);
    EXPECT_EQ(dialog.dataChanged(), 0);
    EXPECT_EQ(receivers.simulator.state(2).name, "OLD2");
}

TEST_F(GetReceiverInfTest, UploadHidesUnchangedRowsAndCatchesAnIgnoringReceiver) {
    ASSERT_TRUE(receivers.start(3));
    sim::ReceiverState same = receivers.simulator.state(1);
    same.name = "OLD1";
    same.freqKhz = 710125;
    receivers.simulator.setState(1, same);
    receivers.simulator.setFault(3, sim::makeFault(sim::FaultKind::IgnoreSet));
    CDlgGetReceiverInf dialog(nullptr, loopbackEngineOptions());
    run(dialog, kGetInfModeUpload);
    ASSERT_TRUE(waitUntil([&] { return dialog.reviewing(); }, kRunLimitMs));
    EXPECT_EQ(dialog.list()->itemText(0, kColumnStatus), "Unchanged");
    EXPECT_TRUE(dialog.list()->isRowHidden(0));
    EXPECT_FALSE(dialog.list()->isRowHidden(1));
    dialog.findChild<QCheckBox*>("showUnchangedBox")->setChecked(true);
    EXPECT_FALSE(dialog.list()->isRowHidden(0));

    dialog.findChild<QPushButton*>("sendButton")->click();
    ASSERT_TRUE(waitUntil([&] { return dialog.busy() == 0; }, kRunLimitMs));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.list()->itemText(0, kColumnStatus), "Verified");
    EXPECT_EQ(dialog.list()->itemText(2, kColumnStatus),
              "Mismatch: receiver reports \"RX3\" " +
                  QString::fromStdString(khzToText(receivers.simulator.state(3).freqKhz)));
    EXPECT_EQ(dialog.failureLine()->text(), "1 receiver(s) do not report what was sent.");
}

TEST_F(GetReceiverInfTest, UploadCancelledAtTheDifferenceSendsNothing) {
    ASSERT_TRUE(receivers.start(2));
    CDlgGetReceiverInf dialog(nullptr, loopbackEngineOptions());
    run(dialog, kGetInfModeUpload);
    ASSERT_TRUE(waitUntil([&] { return dialog.reviewing(); }, kRunLimitMs));
    EXPECT_EQ(dialog.findChild<QPushButton*>("stopButton")->text(), "Cancel");
    dialog.findChild<QPushButton*>("stopButton")->click();
    ASSERT_TRUE(closed(dialog));
    EXPECT_EQ(dialog.sent(), 0);
    for (int n = 1; n <= 2; ++n) {
        for (const std::string& line : receivers.simulator.receivedLines(n)) {
            EXPECT_EQ(line.find(":NAME \""), std::string::npos) << line;
        }
        EXPECT_EQ(receivers.simulator.state(n).name, "RX" + std::to_string(n));
    }
}

TEST_F(GetReceiverInfTest, StopDuringTheThirdOfTenFinishesItThenWaitsForClose) {
    ASSERT_TRUE(receivers.start(10));
    receivers.simulator.setFault(3, sim::makeFault(sim::FaultKind::Late, 20));
    CDlgGetReceiverInf dialog(nullptr, loopbackEngineOptions());
    run(dialog, kGetInfModeDownload);
    ASSERT_TRUE(waitUntil(
        [&] {
            return dialog.findChild<QLabel*>("progressLine")->text() ==
                   "Operation now in progress 127.0.0.3 [3/10]";
        },
        kRunLimitMs));
    EXPECT_EQ(dialog.progressPosition(), 3);
    EXPECT_EQ(dialog.findChild<QProgressBar*>("progressBar")->value(), 3);
    EXPECT_EQ(dialog.findChild<QProgressBar*>("progressBar")->minimum(), 1);
    EXPECT_EQ(dialog.findChild<QProgressBar*>("progressBar")->maximum(), 10);

    dialog.findChild<QPushButton*>("stopButton")->click();
    EXPECT_EQ(dialog.findChild<QLabel*>("progressLine")->text(),
              "Currently processing stop, Please wait a moment.");
    EXPECT_FALSE(dialog.findChild<QPushButton*>("stopButton")->isEnabled());
    dialog.reject(); // Esc during a run
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_TRUE(waitUntil([&] { return dialog.busy() == 0; }, kRunLimitMs));

    EXPECT_EQ(dialog.findChild<QLabel*>("progressLine")->text(), "Download Stopped.");
    EXPECT_EQ(dialog.progressPosition(), 4);
    EXPECT_EQ(dialog.findChild<QProgressBar*>("progressBar")->value(), 4);
    EXPECT_EQ(dialog.findChild<QPushButton*>("stopButton")->text(), "Close");
    EXPECT_TRUE(dialog.findChild<QPushButton*>("stopButton")->isEnabled());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.list()->itemText(2, kColumnStatus), "Synchronize");
    EXPECT_EQ(dialog.list()->itemText(3, kColumnStatus), "");
    EXPECT_EQ(dialog.table().byNumber(4).name, "OLD4");
    EXPECT_EQ(dialog.dataChanged(), 1); // the three downloaded are worth taking over
    dialog.reject();                    // the close box after the run: still nothing
    EXPECT_TRUE(dialog.isVisible());

    dialog.findChild<QPushButton*>("stopButton")->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}
