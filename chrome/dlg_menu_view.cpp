#include "chrome/dlg_menu_view.h"

#include "chrome/dlg_menu_sub_hv.h"
#include "chrome/menu_commands.h"
#include "protocol/settings.h"
#include "resources/resource_ids.h"

namespace tessaly {

namespace {
const char* rfItemLabel(int rfUnit) {
    return rfUnit == kRfUnitMw ? "RF Monitor dBm" : "RF Monitor mW";
}
constexpr const char* kLockItemLabel = "Lock for Show";
constexpr const char* kUnlockItemLabel = "Unlock Show...";
} // namespace

CDlgMenuView::CDlgMenuView(QWidget* owner) : CDlgMenuBase(owner, kPngMenuView) {
    setTitle(QStringLiteral("View"), {11, 7, 41, 27});
    addItem({6, 47, 175, 71}, QStringLiteral("Align Channels"), 0).subMenu =
        new CDlgMenuSubHV(this);
    addItem({6, 72, 165, 96}, QString::fromLatin1(rfItemLabel(kRfUnitDbm)), kCmdRfUnit,
            kSwitchToggle);
    addItem({6, 97, 165, 121}, QStringLiteral("Monitor Matrix..."), kCmdMonitorMatrix);
    addItem({6, 127, 165, 151}, QStringLiteral("Alarm Journal"), kCmdAlarmJournal);
    addItem({6, 152, 165, 176}, QStringLiteral("History\u2026"), kCmdHistory);
    addItem({6, 177, 165, 201}, QStringLiteral("Show End Time\u2026"), kCmdShowEndTime);
    addItem({6, 202, 165, 226}, QString::fromLatin1(kLockItemLabel), kCmdShowLock);
    cascadeTimer_.setSingleShot(true);
    cascadeTimer_.setInterval(kCascadeCheckMs);
    connect(&cascadeTimer_, &QTimer::timeout, this, &CDlgMenuView::onCascadeCheck);
    updateRfItem(displayState().rfUnit);
}

CDlgMenuSubHV* CDlgMenuView::alignChannelsMenu() const {
    return static_cast<CDlgMenuSubHV*>(items()[AlignChannels].subMenu);
}

void CDlgMenuView::updateRfItem(int rfUnit) {
    item(RfMonitor).label = QString::fromLatin1(rfItemLabel(rfUnit));
    item(AlignChannels).enabled = 1;
    item(RfMonitor).enabled = 1;
    redraw();
}

void CDlgMenuView::updateLockItem(bool locked) {
    item(ShowLock).label = QString::fromLatin1(locked ? kUnlockItemLabel : kLockItemLabel);
    redraw();
}

void CDlgMenuView::onMouseMove(int hit) {
    updateHover(hit);
    if (hit < 0) {
        if (lastItem_ >= 0) {
            closeSubMenus();
        }
    } else if (hit != lastItem_) {
        const MenuItem& hovered = item(hit);
        if (hovered.hasSubMenu()) {
            subMenuActive_ = 1;
            hovered.subMenu->popUpAt(subMenuPosition(this, hovered));
        } else {
            closeSubMenus();
        }
    } else if (item(hit).hasSubMenu()) {
        item(hit).subMenu->closeSubMenus();
    }
    lastItem_ = hit;
}

void CDlgMenuView::onActivationChange(bool active) {
    if (!active && isShownFlag() && anySubMenuShown()) {
        return; // focus went into the cascade
    }
    CDlgMenuBase::onActivationChange(active);
}

bool CDlgMenuView::onMessage(int code, int value) {
    switch (code) {
    case kCmdSubMenuActive:
        subMenuActive_ = value;
        cascadeTimer_.start();
        return true;
    case kCmdSubSubMenuActive:
        subSubMenuActive_ = value;
        cascadeTimer_.start();
        return true;
    case kCmdLayoutMode:
        closeMenu(false);
        postToOwner(kCmdLayoutMode, value);
        return true;
    default:
        return false;
    }
}

void CDlgMenuView::onCascadeCheck() {
    cascadeTimer_.stop();
    if (subMenuActive_ == 0 && subSubMenuActive_ == 0 && hoverIndex() == AlignChannels) {
        setShownFlag(false);
        closeSubMenus();
        hide();
        postToOwner(kCmdMenuClosed, 0);
        setHoverIndex(-1);
    }
}

} // namespace tessaly
