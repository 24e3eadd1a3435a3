#include "chrome/dlg_bar_menu.h"
#include "chrome/dlg_menu_file.h"
#include "chrome/dlg_menu_help.h"
#include "chrome/dlg_menu_view.h"
#include "chrome/menu_commands.h"
#include "protocol/receiver_table.h"
#include "tests/support/menu_input.h"
#include "tests/support/message_recorder.h"

#include <QWidget>
#include <gtest/gtest.h>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

constexpr QPoint kFileTitle(30, 15);
constexpr QPoint kViewTitle(75, 15);
constexpr QPoint kHelpTitle(120, 15);
constexpr QPoint kButton(140, 50);

class BarMenuTest : public ::testing::Test {
protected:
    MessageRecorder<QWidget> frame;
    CDlgBarMenu* bar = new CDlgBarMenu(&frame);

    BarMenuTest() {
        programReceiverTable().count = 0;
        bar->setTarget(&frame);
        frame.resize(1200, 600);
        bar->setGeometry(0, 0, 1200, bar->height());
        frame.show();
    }
    ~BarMenuTest() override { programReceiverTable().count = 0; }

    QImage buttonArea() const { return bar->barPicture().copy(bar->hitRect(3)); }
};

} // namespace

TEST_F(BarMenuTest, HitRectanglesAreInclusiveAndTheFirstWins) {
    EXPECT_EQ(bar->hitTest({54, 10}), CDlgBarMenu::TitleFile);
    EXPECT_EQ(bar->hitTest({55, 10}), CDlgBarMenu::TitleView);
    EXPECT_EQ(bar->hitTest({99, 32}), CDlgBarMenu::TitleView);
    EXPECT_EQ(bar->hitTest({144, 32}), CDlgBarMenu::TitleHelp);
    EXPECT_EQ(bar->hitTest({145, 32}), -1);
    EXPECT_EQ(bar->hitTest({9, 2}), -1);
    EXPECT_EQ(bar->hitTest({110, 39}), CDlgBarMenu::MonitorButton);
    EXPECT_EQ(bar->hitTest({170, 67}), CDlgBarMenu::MonitorButton); // 60 x 28 button
    EXPECT_EQ(bar->hitTest({171, 67}), -1);
    EXPECT_EQ(bar->hitTest({-1, 10}), -1);
}

TEST_F(BarMenuTest, BarAndLogoHaveTheirSkinSizes) {
    EXPECT_EQ(bar->height(), 70);
    EXPECT_EQ(bar->barPicture().height(), 70);
    EXPECT_EQ(bar->buttonFace().size(), QSize(60, 28));
    EXPECT_FALSE(bar->showsLogo(450)); // logo 280 wide plus 170
    EXPECT_TRUE(bar->showsLogo(451));
}

TEST_F(BarMenuTest, ButtonShowsOneOfThreeStates) {
    bar->updateMonitorState(0, 0);
    const QImage unavailable = buttonArea();
    EXPECT_FALSE(bar->lampOn());
    bar->updateMonitorState(1, 0);
    EXPECT_EQ(buttonArea(), unavailable); // no receivers: monitoring makes no difference
    EXPECT_FALSE(bar->lampOn());

    bar->updateMonitorState(0, 2);
    const QImage ready = buttonArea();
    EXPECT_FALSE(bar->lampOn());
    bar->updateMonitorState(1, 2);
    const QImage running = buttonArea();
    EXPECT_TRUE(bar->lampOn());

    EXPECT_NE(ready, unavailable);
    EXPECT_NE(running, ready);
    EXPECT_NE(running, unavailable);
    // Redrawing a state gives the same picture: the background is restored first.
    bar->updateMonitorState(0, 0);
    EXPECT_EQ(buttonArea(), unavailable);
}

TEST_F(BarMenuTest, ButtonTogglesMonitoringOnlyWithReceivers) {
    clickAt(bar, kButton);
    deliverPosted();
    EXPECT_TRUE(frame.messages().empty());

    programReceiverTable().count = 1;
    clickAt(bar, kButton);
    deliverPosted();
    EXPECT_EQ(frame.messages(),
              (std::vector<RecordedMessage>{{kCmdMonitorStartStop, kSwitchToggle, {}}}));
}

TEST_F(BarMenuTest, AlarmCountOpensTheJournalWhateverItReads) {
    for (const int count : {0, 1, 7}) {
        bar->setAlarmCount(count);
        clickAt(bar, bar->alarmCountRect().center());
    }
    deliverPosted();
    EXPECT_EQ(frame.codes(), (std::vector<int>(3, kCmdAlarmJournal)));
    EXPECT_EQ(bar->alarmCountText(), "7 ALARMS");
    bar->setAlarmCount(1);
    EXPECT_EQ(bar->alarmCountText(), "1 ALARM");
    bar->setAlarmCount(0);
    EXPECT_EQ(bar->alarmCountText(), "NO ALARMS");
}

TEST_F(BarMenuTest, RelaysEveryCodeButMenuClosed) {
    for (const int code : {kCmdOpenEnvironment, kCmdExit, kCmdLayoutMode, kCmdAbout}) {
        postAppMessage(bar, code, code == kCmdLayoutMode ? 2 : 0);
    }
    bar->openPopUp(CDlgBarMenu::TitleHelp);
    bar->closeAllPopUps();
    postAppMessage(bar, kCmdMenuClosed, 1);
    deliverPosted();
    EXPECT_EQ(frame.codes(),
              (std::vector<int>{kCmdOpenEnvironment, kCmdExit, kCmdLayoutMode, kCmdAbout}));
    EXPECT_EQ(frame.messages()[2].value, 2);
    EXPECT_EQ(bar->openIndex(), -1);
    EXPECT_EQ(bar->hoverIndex(), -1);
}

TEST_F(BarMenuTest, PopUpOpensOverItsTitle) {
    clickAt(bar, kFileTitle);
    EXPECT_EQ(bar->openIndex(), CDlgBarMenu::TitleFile);
    EXPECT_TRUE(bar->fileMenu()->isVisible());
    EXPECT_EQ(bar->fileMenu()->pos(), bar->mapToGlobal(QPoint(9, 3)));
}

TEST_F(BarMenuTest, MovingAlongTheTitlesSwitchesOpenPopUps) {
    clickAt(bar, kFileTitle);
    moveTo(bar, kHelpTitle);
    EXPECT_FALSE(bar->fileMenu()->isVisible());
    EXPECT_TRUE(bar->helpMenu()->isVisible());
    EXPECT_EQ(bar->openIndex(), CDlgBarMenu::TitleHelp);

    clickAt(bar, kViewTitle);
    EXPECT_FALSE(bar->helpMenu()->isVisible());
    EXPECT_TRUE(bar->viewMenu()->isVisible());

    moveTo(bar, kButton); // over the button none opens
    EXPECT_FALSE(bar->viewMenu()->isVisible());
    EXPECT_EQ(bar->openIndex(), -1);
    moveTo(bar, kFileTitle);
    EXPECT_FALSE(bar->fileMenu()->isVisible()); // nothing was open any more
    EXPECT_EQ(bar->hoverIndex(), CDlgBarMenu::TitleFile);
}

TEST_F(BarMenuTest, ClosingReportOfAReplacedPopUpKeepsTheNewOne) {
    clickAt(bar, kFileTitle);
    clickAt(bar, kViewTitle);
    postAppMessage(bar, kCmdMenuClosed, -1); // File's late report
    deliverPosted();
    EXPECT_EQ(bar->openIndex(), CDlgBarMenu::TitleView);
}
