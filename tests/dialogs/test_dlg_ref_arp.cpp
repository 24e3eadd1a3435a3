// IP Search on a LAN described by the test.

#include "chrome/ap_list_ctrl.h"
#include "dialogs/dlg_ref_arp.h"
#include "tests/dialogs/dialog_test_support.h"

#include <QLabel>
#include <QPushButton>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

std::vector<NeighbourEntry> receiversOnLan(int count) {
    std::vector<NeighbourEntry> entries;
    for (int n = 1; n <= count; ++n) {
        entries.push_back(
            neighbour(QString("192.168.1.%1").arg(n),
                      QString("0A-54-53-00-00-%1").arg(n, 2, 16, QChar('0')).toUpper()));
    }
    return entries;
}

class RefArpTest : public ::testing::Test {
protected:
    void openDialog() {
        dialog.open();
        ASSERT_FALSE(dialog.okButton()->isEnabled());
        ASSERT_FALSE(dialog.findChild<QPushButton*>("refreshButton")->isEnabled());
        dialog.reject(); // Cancel is not offered yet
        ASSERT_TRUE(dialog.isVisible());
        ASSERT_TRUE(waitUntil([&] { return dialog.ready(); }));
    }

    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    std::shared_ptr<FakeNeighbourFinder> lan = std::make_shared<FakeNeighbourFinder>();
    CDlgRefArp dialog{nullptr, lan, prompts};
};

} // namespace

TEST_F(RefArpTest, ListsTheNeighboursAfterASweepAndReturnsTheTickedOnes) {
    lan->setEntries(receiversOnLan(3));
    openDialog();
    EXPECT_EQ(lan->sweeps, 1);
    CApListCtrl& list = *dialog.list();
    ASSERT_EQ(list.itemCount(), 3);
    EXPECT_EQ(list.itemText(2, 0), "3");
    EXPECT_EQ(list.itemData(2), 3);
    EXPECT_EQ(list.itemText(1, 1), "192.168.1.2");
    EXPECT_EQ(list.itemText(1, 2), "0A-54-53-00-00-02");
    EXPECT_TRUE(dialog.okButton()->isEnabled());

    dialog.okButton()->click(); // nothing ticked
    EXPECT_EQ(prompts->shown, QStringList{"not selected."});
    EXPECT_TRUE(dialog.isVisible());

    list.setCheck(1, true);
    list.setCheck(2, true);
    dialog.okButton()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result().count, 2);
    EXPECT_EQ(dialog.result().byNumber(1).ip, "192.168.1.2");
    EXPECT_EQ(dialog.result().byNumber(2).mac, "0A-54-53-00-00-03");
    EXPECT_EQ(dialog.result().byNumber(1).name, "");
}

TEST_F(RefArpTest, SelectAllReturnsAtMostSixtyAndRefreshClearsTheTicks) {
    lan->setEntries(receiversOnLan(75));
    openDialog();
    dialog.findChild<QPushButton*>("selectAllButton")->click();
    EXPECT_TRUE(dialog.list()->check(74));
    dialog.findChild<QPushButton*>("selectNoneButton")->click();
    EXPECT_FALSE(dialog.list()->check(0));

    dialog.findChild<QPushButton*>("selectAllButton")->click();
    dialog.findChild<QPushButton*>("refreshButton")->click();
    EXPECT_EQ(lan->sweeps, 2);
    ASSERT_EQ(dialog.list()->itemCount(), 75);
    EXPECT_FALSE(dialog.list()->check(0));

    dialog.findChild<QPushButton*>("selectAllButton")->click();
    dialog.okButton()->click();
    ASSERT_EQ(dialog.result().count, 60);
    EXPECT_EQ(dialog.result().byNumber(60).ip, "192.168.1.60");
}

TEST_F(RefArpTest, ListsByAddressSaysHowManyAndShowsAddressesWhole) {
    lan->setEntries({neighbour("192.168.1.10", "0A-54-53-00-00-0A"),
                     neighbour("192.168.1.9", "0A-54-53-00-00-09"),
                     neighbour("10.0.0.200", "0A-54-53-00-00-01")});
    openDialog();
    QStringList listed;
    for (int row = 0; row < dialog.list()->itemCount(); ++row) {
        listed << dialog.list()->itemText(row, 0) + " " + dialog.list()->itemText(row, 1);
    }
    EXPECT_EQ(listed, (QStringList{"1 10.0.0.200", "2 192.168.1.9", "3 192.168.1.10"}));
    EXPECT_EQ(dialog.findChild<QLabel*>("statusLine")->text(), "3 receivers found.");
    expectColumnsShowWhole(*dialog.list());

    lan->setEntries({});
    dialog.findChild<QPushButton*>("refreshButton")->click();
    EXPECT_EQ(dialog.findChild<QLabel*>("statusLine")->text(), "No receiver found.");
}

TEST_F(RefArpTest, AnUnreadableNeighbourTableGivesAnEmptyList) {
    lan->setEntries(receiversOnLan(3), 1);
    openDialog();
    EXPECT_EQ(dialog.list()->itemCount(), 0);
    EXPECT_EQ(dialog.findChild<QLabel*>("statusLine")->text(), kNeighbourTableUnreadableText);
    dialog.okButton()->click();
    EXPECT_EQ(prompts->shown, QStringList{"not selected."});
    dialog.cancelButton()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result().count, 0);
}
