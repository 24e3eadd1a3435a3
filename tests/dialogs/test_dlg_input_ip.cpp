// The Input IP Address dialog: validations in order, the MAC look-up and the band query.

#include "chrome/comb_color.h"
#include "chrome/key_in.h"
#include "dialogs/coordination_marks.h"
#include "dialogs/dlg_input_ip.h"
#include "protocol/settings.h"
#include "tests/dialogs/dialog_test_support.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

class InputIpTest : public ::testing::Test {
protected:
    InputIpTest() {
        ReceiverTable& table = dialog.table();
        table.count = 3; // two receivers and the one being added
        table.byNumber(1).ip = "10.0.0.5";
        table.byNumber(1).mac = "0A-54-53-00-00-05";
        table.byNumber(1).name = "RX1";
        table.byNumber(1).setFrequencyText("710.125");
        table.byNumber(2).ip = "10.0.0.6";
        table.byNumber(2).setFrequencyText("710.250");
        dialog.setMode(kInputModeAdd);
        dialog.setReceiverNumber(3);
        dialog.record().setFrequencyText("710.375");
    }

    void submit(const QString& ip) {
        if (!dialog.isVisible()) {
            dialog.open();
        }
        dialog.findChild<QLineEdit*>("ipEdit")->setText(ip);
        dialog.okButton()->click();
    }

    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    std::shared_ptr<FakeNeighbourFinder> lan = std::make_shared<FakeNeighbourFinder>();
    CDlgInputIP dialog{nullptr, lan, loopbackEngineOptions(), prompts};
};

} // namespace

TEST(IpOctetsTest, UnusableAddressesAreTold) {
    EXPECT_TRUE(isUnusableAddress(*parseIpOctets("0.0.0.0")));
    EXPECT_TRUE(isUnusableAddress(*parseIpOctets("192.168.1.255")));
    EXPECT_TRUE(isUnusableAddress(*parseIpOctets("255.1.1.1")));
    EXPECT_FALSE(isUnusableAddress(*parseIpOctets("10.0.0.5")));
    EXPECT_EQ(parseIpOctets("10.0.0.5"), (std::array<int, 4>{10, 0, 0, 5}));
    EXPECT_FALSE(parseIpOctets("10..0.5"));
    EXPECT_FALSE(parseIpOctets("010.0.0.5"));
    EXPECT_FALSE(parseIpOctets("10.0.0.256"));
    EXPECT_FALSE(parseIpOctets("10.0.0"));
    EXPECT_FALSE(parseIpOctets("a.b.c.d"));
}

TEST_F(InputIpTest, OpensOnTheRecordsChannelWithUsedChannelsMarked) {
    dialog.open();
    EXPECT_EQ(dialog.windowTitle(), "Receiver Setting");
    EXPECT_EQ(dialog.findChild<CCombColor*>("bandCombo")->currentText(), "JPN");
    EXPECT_EQ(dialog.findChild<CCombColor*>("channelCombo")->currentText(), "710.375");
    EXPECT_EQ(dialog.findChild<CCombColor*>("channelCombo")->itemColor(0),
              kUsedChannelColor); // receiver 1's
    EXPECT_EQ(dialog.findChild<CCombColor*>("channelCombo")->itemColor(2),
              kConflictChannelColor); // 125 kHz from 2's
    EXPECT_EQ(dialog.findChild<CCombColor*>("channelCombo")->itemColor(6), kFreeChannelColor);
    EXPECT_EQ(dialog.findChild<QPushButton*>("bandWidthButton")->isVisibleTo(&dialog),
              programSettings().dispBand != 0);
}

TEST_F(InputIpTest, AddressesAreCheckedInOrder) {
    submit("0.0.0.0");
    submit("192.168.1.255");
    submit("1..2.3");
    submit("10.0.0.5");
    EXPECT_EQ(prompts->shown, (QStringList{"Invalid  IP Address.", "Invalid  IP Address.",
                                           "Invalid  IP Address.", "IP address overlaps."}));
    EXPECT_TRUE(lan->pinged.empty()); // nothing looked up before the address is good
    EXPECT_TRUE(dialog.isVisible());

    // The neighbour table knows receiver 1's MAC address under the new address.
    lan->setEntries({neighbour("10.0.0.9", "0A-54-53-00-00-05")});
    submit("10.0.0.9");
    EXPECT_EQ(prompts->shown.last(), "MAC address overlaps. (receiver 1, RX1)");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(lan->pinged, std::vector<QString>{"10.0.0.9"});
}

TEST_F(InputIpTest, AcceptsWithTheMacAddressFoundOrNone) {
    lan->setEntries({neighbour("10.0.0.7", "0A-54-53-00-00-07")});
    dialog.open();
    dialog.findChild<CKeyIn*>("nameEdit")->setText("Guitar");
    dialog.findChild<CCombColor*>("channelCombo")->setCurrentIndex(4);
    submit("10.0.0.7");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.record().ip, "10.0.0.7");
    EXPECT_EQ(dialog.record().mac, "0A-54-53-00-00-07");
    EXPECT_EQ(dialog.record().name, "Guitar");
    EXPECT_EQ(dialog.record().freqKhz, 710625);
    EXPECT_EQ(dialog.record().freqText, "710.625");
}

TEST_F(InputIpTest, EditingKeepsItsOwnAddressAndAnUnknownHostHasNoMac) {
    dialog.table().count = 2;
    dialog.setMode(kInputModeEdit);
    dialog.setReceiverNumber(2);
    dialog.record().copyFrom(dialog.table().byNumber(2));
    lan->setEntries({}, 1); // no neighbour table
    submit("10.0.0.6");
    EXPECT_TRUE(prompts->shown.isEmpty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.record().mac, "");
}

TEST_F(InputIpTest, BandWidthAsksTheReceiverThroughItsOwnEngine) {
    SimulatedReceivers receivers;
    ASSERT_TRUE(receivers.start(1));
    ReceiverTable& table = dialog.table();
    table.portNumber = receivers.table.portNumber.load();
    table.answerTimeoutMs = 500;
    table.byNumber(3).ip = "127.0.0.1"; // the stored address is asked, not the typed one
    dialog.open();
    dialog.findChild<QLineEdit*>("ipEdit")->setText("10.9.9.9");
    dialog.findChild<QPushButton*>("bandWidthButton")->click();
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    dialog.reject();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_TRUE(waitUntil([&] { return dialog.okButton()->isEnabled(); }, 10000));
    EXPECT_EQ(dialog.findChild<QLabel*>("bandRangeLabel")->text(),
              QString::fromStdString(bandRangeText(receivers.simulator.state(1).band)));

    receivers.simulator.setFault(1, sim::makeFault(sim::FaultKind::Silent));
    dialog.findChild<QPushButton*>("bandWidthButton")->click();
    ASSERT_TRUE(waitUntil([&] { return dialog.okButton()->isEnabled(); }, 10000));
    ASSERT_EQ(prompts->shown.size(), 1);
    EXPECT_TRUE(prompts->shown[0].startsWith("Answer Timeout")) << prompts->shown[0].toStdString();
}
