#include "chrome/dlg_menu_file.h"
#include "chrome/menu_commands.h"
#include "tests/support/menu_input.h"
#include "tests/support/message_recorder.h"

#include <QWidget>
#include <gtest/gtest.h>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

class FileMenuTest : public ::testing::Test {
protected:
    MessageRecorder<QWidget> owner;
    CDlgMenuFile* menu = new CDlgMenuFile(&owner);

    void open() {
        menu->popUpAt(QPoint(100, 100));
        deliverPosted();
    }
};

} // namespace

TEST_F(FileMenuTest, HasTheSkinsSizeAndShape) {
    EXPECT_EQ(menu->size(), QSize(164, 214));
    EXPECT_TRUE(menu->regionReady());
    const QRegion shape = menu->mask();
    EXPECT_TRUE(shape.contains(QPoint(50, 100)));
    EXPECT_FALSE(shape.contains(QPoint(163, 100))); // the last column
}

TEST_F(FileMenuTest, HitTestTakesTheFirstOfOverlappingItems) {
    menu->updateFileState(0, 3);
    EXPECT_EQ(menu->hitTest({50, 157}), CDlgMenuFile::Upload);
    EXPECT_EQ(menu->hitTest({50, 160}), CDlgMenuFile::Download);
    EXPECT_EQ(menu->hitTest({6, 42}), CDlgMenuFile::OpenEnvironment); // inclusive corners
    EXPECT_EQ(menu->hitTest({153, 211}), CDlgMenuFile::Exit);
    EXPECT_EQ(menu->hitTest({154, 211}), -1);
    EXPECT_EQ(menu->hitTest({50, 95}), -1); // between the groups
    EXPECT_EQ(menu->hitTest({-1, 50}), -1);
}

TEST_F(FileMenuTest, FileStateFollowsMonitoringAndReceiverCount) {
    struct Case {
        int monitoring, receivers;
        bool open, transfer;
    };
    for (const Case c : {Case{0, 0, true, false}, Case{0, 2, true, true}, Case{1, 2, false, false},
                         Case{1, 0, false, false}}) {
        menu->updateFileState(c.monitoring, c.receivers);
        const auto& items = menu->items();
        EXPECT_EQ(items[CDlgMenuFile::OpenEnvironment].enabled, c.open);
        EXPECT_EQ(items[CDlgMenuFile::ReceiverConfiguration].enabled, c.open);
        EXPECT_EQ(items[CDlgMenuFile::Upload].enabled, c.transfer);
        EXPECT_EQ(items[CDlgMenuFile::Download].enabled, c.transfer);
        EXPECT_EQ(items[CDlgMenuFile::SaveEnvironment].enabled, 1);
        EXPECT_EQ(items[CDlgMenuFile::Exit].enabled, 1);
    }
}

TEST_F(FileMenuTest, ClickPostsTheCommandThenTheClose) {
    menu->updateFileState(0, 2);
    open();
    clickAt(menu, {50, 157});
    deliverPosted();
    ASSERT_EQ(owner.messages().size(), 2u);
    EXPECT_EQ(owner.messages()[0], (RecordedMessage{kCmdUpload, 0, {}}));
    EXPECT_EQ(owner.messages()[1], (RecordedMessage{kCmdMenuClosed, CDlgMenuFile::Upload, {}}));
    EXPECT_FALSE(menu->isVisible());
    EXPECT_FALSE(menu->isShownFlag());
}

TEST_F(FileMenuTest, DisabledItemIsNeitherHighlightedNorChosen) {
    menu->updateFileState(1, 2); // monitoring: Upload is grey
    open();
    moveTo(menu, {50, 140});
    EXPECT_EQ(menu->hoverIndex(), -1);
    clickAt(menu, {50, 140});
    deliverPosted();
    EXPECT_TRUE(owner.messages().empty());
    EXPECT_TRUE(menu->isVisible());
    // Save stays available while monitoring.
    clickAt(menu, {50, 80});
    deliverPosted();
    EXPECT_EQ(owner.codes(), (std::vector<int>{kCmdSaveEnvironment, kCmdMenuClosed}));
}

TEST_F(FileMenuTest, EscapeHidesWithoutTellingTheBar) {
    open();
    pressKey(menu, Qt::Key_Escape);
    deliverPosted();
    EXPECT_FALSE(menu->isVisible());
    EXPECT_FALSE(menu->isShownFlag());
    EXPECT_TRUE(owner.messages().empty());
}

TEST_F(FileMenuTest, LosingActivationClosesAndTellsTheBar) {
    open();
    moveTo(menu, {50, 80});
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    deliverPosted();
    if (menu->isActiveWindow()) {
        GTEST_SKIP() << "this platform does not move activation";
    }
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(owner.messages(),
              (std::vector<RecordedMessage>{{kCmdMenuClosed, CDlgMenuFile::SaveEnvironment, {}}}));
    EXPECT_EQ(menu->hoverIndex(), -1);
}
