#include "chrome/dlg_menu_sub_hv.h"
#include "chrome/dlg_menu_sub_sl.h"
#include "chrome/dlg_menu_view.h"
#include "chrome/menu_commands.h"
#include "tests/support/menu_input.h"
#include "tests/support/message_recorder.h"

#include <QElapsedTimer>
#include <QThread>
#include <QWidget>
#include <gtest/gtest.h>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

constexpr QPoint kAlignChannels(60, 55);
constexpr QPoint kRfItem(60, 80);
constexpr QPoint kHorizontal(40, 15);
constexpr QPoint kVertical(40, 45);
constexpr QPoint kSmall(30, 15);
constexpr QPoint kLarge(30, 45);

class ViewMenuTest : public ::testing::Test {
protected:
    MessageRecorder<QWidget> owner;
    CDlgMenuView* menu = new CDlgMenuView(&owner);

    CDlgMenuSubHV* hv() const { return menu->alignChannelsMenu(); }

    void open() {
        menu->popUpAt(QPoint(100, 100));
        deliverPosted();
    }

    // Runs the event loop until `done` or about a second has passed.
    template <typename Done> bool waitFor(Done done) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < 1000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
        return done();
    }

    std::vector<RecordedMessage> commandsOnly() const {
        std::vector<RecordedMessage> result;
        for (const auto& message : owner.messages()) {
            if (message.code != kCmdMenuClosed) {
                result.push_back(message);
            }
        }
        return result;
    }
};

} // namespace

TEST_F(ViewMenuTest, CascadeMenusHaveTheirSkinSizes) {
    EXPECT_EQ(menu->size(), QSize(176, 221));
    EXPECT_EQ(hv()->size(), QSize(119, 65));
    EXPECT_EQ(hv()->subMenu(CDlgMenuSubHV::Horizontal)->size(), QSize(80, 65));
    EXPECT_EQ(hv()->subMenu(CDlgMenuSubHV::Vertical)->size(), QSize(80, 65));
    // The sub-menu arrow (5 x 9) sits 14 pixels from the item's right edge.
    const MenuItem& align = menu->items()[CDlgMenuView::AlignChannels];
    const QImage& plain = menu->background();
    const QImage& composed = menu->composedPicture();
    const QPoint arrowAt(align.rect.right - 5 - 14, align.rect.top + 8);
    bool arrowDrawn = false;
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 5; ++x) {
            arrowDrawn |=
                composed.pixel(arrowAt + QPoint(x, y)) != plain.pixel(arrowAt + QPoint(x, y));
        }
    }
    EXPECT_TRUE(arrowDrawn);
}

TEST_F(ViewMenuTest, RfItemAlwaysNamesTheOtherUnit) {
    menu->updateRfItem(0);
    EXPECT_EQ(menu->items()[CDlgMenuView::RfMonitor].label, QStringLiteral("RF Monitor mW"));
    menu->updateRfItem(1);
    EXPECT_EQ(menu->items()[CDlgMenuView::RfMonitor].label, QStringLiteral("RF Monitor dBm"));
    EXPECT_EQ(menu->items()[CDlgMenuView::RfMonitor].command, kCmdRfUnit);
    EXPECT_EQ(menu->items()[CDlgMenuView::RfMonitor].argument, kSwitchToggle);
}

TEST_F(ViewMenuTest, PointingAtAlignChannelsOpensTheCascadeBesideIt) {
    open();
    moveTo(menu, kAlignChannels);
    EXPECT_TRUE(hv()->isShownFlag());
    EXPECT_TRUE(hv()->isVisible());
    EXPECT_EQ(menu->subMenuActive(), 1);
    const QRect frame = menu->frameGeometry();
    EXPECT_EQ(hv()->pos(), QPoint(frame.right() + 1 - 5, frame.top() + 47));

    moveTo(hv(), kVertical);
    EXPECT_TRUE(hv()->subMenu(CDlgMenuSubHV::Vertical)->isShownFlag());
    EXPECT_FALSE(hv()->subMenu(CDlgMenuSubHV::Horizontal)->isShownFlag());

    // Back on another View item: the cascade closes.
    moveTo(menu, kRfItem);
    EXPECT_FALSE(hv()->isShownFlag());
    EXPECT_FALSE(hv()->subMenu(CDlgMenuSubHV::Vertical)->isShownFlag());
}

TEST_F(ViewMenuTest, EachLayoutChoiceReachesTheBarAndClosesTheCascade) {
    struct Case {
        QPoint orientation, size;
        int layoutMode;
    };
    for (const Case c : {Case{kHorizontal, kSmall, 3}, Case{kHorizontal, kLarge, 1},
                         Case{kVertical, kSmall, 2}, Case{kVertical, kLarge, 0}}) {
        owner.clear();
        open();
        moveTo(menu, kAlignChannels);
        moveTo(hv(), c.orientation);
        CDlgMenuSubSL* sl = hv()->subMenu(c.orientation == kHorizontal ? CDlgMenuSubHV::Horizontal
                                                                       : CDlgMenuSubHV::Vertical);
        ASSERT_TRUE(sl->isVisible());
        moveTo(sl, c.size);
        clickAt(sl, c.size);
        deliverPosted();
        EXPECT_EQ(commandsOnly(),
                  (std::vector<RecordedMessage>{{kCmdLayoutMode, c.layoutMode, {}}}))
            << "layout " << c.layoutMode;
        EXPECT_FALSE(sl->isVisible());
        EXPECT_FALSE(hv()->isVisible());
        EXPECT_FALSE(menu->isVisible());
        EXPECT_FALSE(menu->isShownFlag());
    }
}

TEST_F(ViewMenuTest, CascadeLeftForNowhereClosesAfterTheCheck) {
    open();
    moveTo(menu, kAlignChannels);
    deliverPosted();
    // The Horizontal/Vertical menu lost activation to another program.
    postAppMessage(menu, kCmdSubMenuActive, 0);
    ASSERT_TRUE(waitFor([&] { return !menu->isVisible(); }));
    EXPECT_FALSE(hv()->isVisible());
    EXPECT_EQ(owner.messages(), (std::vector<RecordedMessage>{{kCmdMenuClosed, 0, {}}}));
    EXPECT_EQ(menu->hoverIndex(), -1);
}

TEST_F(ViewMenuTest, CascadeStaysWhileFocusMovesWithinIt) {
    open();
    moveTo(menu, kAlignChannels);
    deliverPosted();
    postAppMessage(menu, kCmdSubMenuActive, 0);
    postAppMessage(menu, kCmdSubSubMenuActive, 1); // focus went on into Small/Large
    deliverPosted();
    QThread::msleep(CDlgMenuView::kCascadeCheckMs + 50);
    deliverPosted();
    EXPECT_TRUE(menu->isVisible());
    EXPECT_TRUE(owner.messages().empty());

    // Pointer resting on another item: the check leaves the menu to the other rules.
    postAppMessage(menu, kCmdSubSubMenuActive, 0);
    moveTo(menu, kRfItem);
    deliverPosted();
    QThread::msleep(CDlgMenuView::kCascadeCheckMs + 50);
    deliverPosted();
    EXPECT_TRUE(menu->isVisible());
}

TEST_F(ViewMenuTest, EscapeInTheSubMenusDoesNothing) {
    open();
    moveTo(menu, kAlignChannels);
    pressKey(hv(), Qt::Key_Escape);
    EXPECT_TRUE(hv()->isShownFlag());
    pressKey(menu, Qt::Key_Escape);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_FALSE(hv()->isShownFlag());
}
