#include "chrome/dlg_menu_panel.h"

#include "chrome/menu_commands.h"
#include "resources/resource_ids.h"

namespace tessaly {

CDlgMenuPanel::CDlgMenuPanel(QWidget* owner) : CDlgMenuBase(owner, kPngMenuPanel) {
    addItem({6, 6, 193, 30}, QStringLiteral("Acknowledge"), kCmdPanelAcknowledge);
    addItem({6, 36, 193, 60}, QStringLiteral("Silence 15 min"), kCmdPanelSilence,
            kSilenceShortMinutes);
    addItem({6, 61, 193, 85}, QStringLiteral("Silence 1 h"), kCmdPanelSilence, kSilenceLongMinutes);
    addItem({6, 86, 193, 110}, QStringLiteral("Silence Until Unsilenced"), kCmdPanelSilence, 0);
    addItem({6, 111, 193, 135}, QStringLiteral("Unsilence"), kCmdPanelUnsilence);
    addItem({6, 141, 193, 165}, QStringLiteral("Alarm Journal"), kCmdAlarmJournal);
    addItem({6, 166, 193, 190}, QStringLiteral("History\u2026"), kCmdHistory);
    redraw();
}

void CDlgMenuPanel::setReceiverNumber(int number) {
    receiverNumber_ = number;
    item(History).argument = number;
}

void CDlgMenuPanel::updateStates(bool hasUnacknowledged, bool silenced) {
    item(Acknowledge).enabled = hasUnacknowledged ? 1 : 0;
    item(Unsilence).enabled = silenced ? 1 : 0;
    redraw();
}

} // namespace tessaly
