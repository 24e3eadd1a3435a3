#include "chrome/dlg_menu_sub_hv.h"

#include "chrome/dlg_menu_sub_sl.h"
#include "chrome/menu_commands.h"
#include "protocol/settings.h"
#include "resources/resource_ids.h"

namespace tessaly {

namespace {
constexpr int kSubMenuOverlap = 5; // a sub-menu overlaps its owner's right edge
} // namespace

QPoint subMenuPosition(const QWidget* owner, const MenuItem& item) {
    const QRect frame = owner->frameGeometry();
    return {frame.x() + frame.width() - kSubMenuOverlap, frame.y() + item.rect.top};
}

CDlgMenuSubHV::CDlgMenuSubHV(QWidget* owner) : CDlgMenuBase(owner, kPngMenuSubHV) {
    addItem({6, 6, 120, 33}, QStringLiteral("Horizontal"), 0).subMenu =
        new CDlgMenuSubSL(this, kLayoutSmallHorizontal, kLayoutLargeHorizontal);
    addItem({6, 34, 120, 61}, QStringLiteral("Vertical"), 0).subMenu =
        new CDlgMenuSubSL(this, kLayoutSmallVertical, kLayoutLargeVertical);
    redraw();
}

CDlgMenuSubSL* CDlgMenuSubHV::subMenu(int index) const {
    return static_cast<CDlgMenuSubSL*>(items()[static_cast<size_t>(index)].subMenu);
}

void CDlgMenuSubHV::onMouseMove(int hit) {
    updateHover(hit);
    if (hit < 0) {
        if (lastItem_ >= 0) {
            closeSubMenus();
        }
    } else if (hit != lastItem_ || !item(hit).subMenu->isShownFlag()) {
        closeSubMenus();
        const MenuItem& hovered = item(hit);
        if (hovered.hasSubMenu()) {
            postToOwner(kCmdSubSubMenuActive, 1);
            hovered.subMenu->popUpAt(subMenuPosition(this, hovered));
        }
    }
    lastItem_ = hit;
}

void CDlgMenuSubHV::onLeftButtonUp(int /*hit*/) {} // its items only open sub-menus

void CDlgMenuSubHV::onActivationChange(bool active) {
    postToOwner(kCmdSubMenuActive, active ? 1 : 0);
}

bool CDlgMenuSubHV::onMessage(int code, int value) {
    if (code == kCmdSubSubMenuActive) {
        postToOwner(kCmdSubSubMenuActive, value);
        return true;
    }
    if (code == kCmdLayoutMode) {
        closeMenu(false);
        postToOwner(kCmdLayoutMode, value);
        return true;
    }
    return false;
}

} // namespace tessaly
