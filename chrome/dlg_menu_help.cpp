#include "chrome/dlg_menu_help.h"

#include "chrome/menu_commands.h"
#include "resources/resource_ids.h"

namespace tessaly {

CDlgMenuHelp::CDlgMenuHelp(QWidget* owner) : CDlgMenuBase(owner, kPngMenuHelp) {
    setTitle(QStringLiteral("Help"), {11, 7, 41, 27});
    addItem({6, 47, 94, 71}, QStringLiteral("About"), kCmdAbout);
    addItem({6, 72, 94, 96}, QStringLiteral("Help"), kCmdHelp);
    redraw();
}

} // namespace tessaly
