#include "chrome/dlg_menu_help.h"
#include "chrome/menu_commands.h"
#include "tests/support/menu_input.h"
#include "tests/support/message_recorder.h"

#include <QWidget>
#include <gtest/gtest.h>

using namespace tessaly;
using namespace tessaly::testing;

TEST(DlgMenuHelp, ItemsPostAboutHelpAndRemoteView) {
    MessageRecorder<QWidget> owner;
    auto* menu = new CDlgMenuHelp(&owner);
    EXPECT_EQ(menu->size(), QSize(140, 131));
    EXPECT_EQ(menu->hitTest({133, 71}), CDlgMenuHelp::About);
    EXPECT_EQ(menu->hitTest({133, 72}), CDlgMenuHelp::Help);
    EXPECT_EQ(menu->hitTest({133, 97}), CDlgMenuHelp::RemoteView);
    EXPECT_EQ(menu->hitTest({134, 72}), -1);
    EXPECT_EQ(menu->hitTest({40, 122}), -1);

    for (const QPoint at : {QPoint(40, 60), QPoint(40, 85), QPoint(40, 110)}) {
        menu->popUpAt({50, 50});
        clickAt(menu, at);
    }
    deliverPosted();
    EXPECT_EQ(owner.messages(),
              (std::vector<RecordedMessage>{{kCmdAbout, 0, {}},
                                            {kCmdMenuClosed, CDlgMenuHelp::About, {}},
                                            {kCmdHelp, 0, {}},
                                            {kCmdMenuClosed, CDlgMenuHelp::Help, {}},
                                            {kCmdRemoteView, 0, {}},
                                            {kCmdMenuClosed, CDlgMenuHelp::RemoteView, {}}}));
}
