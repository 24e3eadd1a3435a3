#include "chrome/dlg_menu_help.h"

#include "chrome/menu_commands.h"
#include "resources/resource_ids.h"

namespace tessaly {

CDlgMenuHelp::CDlgMenuHelp(QWidget* owner) : CDlgMenuBase(owner, kPngMenuHelp) {
    setTitle(QStringLiteral("Help"), {11, 7, 41, 27});
    addItem({6, 47, 133, 71}, QStringLiteral("About"), kCmdAbout);
    addItem({6, 72, 133, 96}, QStringLiteral("Help"), kCmdHelp);
    addItem({6, 97, 133, 121}, QStringLiteral("Remote View\u2026"), kCmdRemoteView);
    redraw();
}

} // namespace tessaly
