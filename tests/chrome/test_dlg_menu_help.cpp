#include "chrome/dlg_menu_help.h"
#include "chrome/menu_commands.h"
#include "tests/support/menu_input.h"
#include "tests/support/message_recorder.h"

#include <QWidget>
#include <gtest/gtest.h>

using namespace tessaly;
using namespace tessaly::testing;

TEST(DlgMenuHelp, ItemsPostAboutAndHelp) {
    MessageRecorder<QWidget> owner;
    auto* menu = new CDlgMenuHelp(&owner);
    EXPECT_EQ(menu->size(), QSize(100, 106));
    EXPECT_EQ(menu->hitTest({94, 71}), CDlgMenuHelp::About);
    EXPECT_EQ(menu->hitTest({94, 72}), CDlgMenuHelp::Help);
    EXPECT_EQ(menu->hitTest({95, 72}), -1);

    for (const QPoint at : {QPoint(40, 60), QPoint(40, 85)}) {
        menu->popUpAt({50, 50});
        clickAt(menu, at);
    }
    deliverPosted();
    EXPECT_EQ(owner.messages(),
              (std::vector<RecordedMessage>{{kCmdAbout, 0, {}},
                                            {kCmdMenuClosed, CDlgMenuHelp::About, {}},
                                            {kCmdHelp, 0, {}},
                                            {kCmdMenuClosed, CDlgMenuHelp::Help, {}}}));
}
