#include "chrome/dlg_menu_sub_sl.h"

#include "chrome/menu_commands.h"
#include "resources/resource_ids.h"

namespace tessaly {

CDlgMenuSubSL::CDlgMenuSubSL(QWidget* owner, int smallLayoutMode, int largeLayoutMode)
    : CDlgMenuBase(owner, kPngMenuSubSL) {
    addItem({6, 6, 64, 33}, QStringLiteral("Small"), kCmdLayoutMode, smallLayoutMode);
    addItem({6, 34, 64, 61}, QStringLiteral("Large"), kCmdLayoutMode, largeLayoutMode);
    redraw();
}

void CDlgMenuSubSL::onActivationChange(bool active) {
    postToOwner(kCmdSubSubMenuActive, active ? 1 : 0);
}

} // namespace tessaly
