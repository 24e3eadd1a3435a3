#pragma once

#include "chrome/dlg_menu_base.h"

namespace tessaly {

// A receiver panel's pop-up (right click): acknowledge its alarms, silence or unsilence it, open
// the alarm journal or the receiver's history. Posts its commands to the owner, which knows the
// receiver it was opened on.
class CDlgMenuPanel : public CDlgMenuBase {
    Q_OBJECT

public:
    enum Item {
        Acknowledge,
        Silence15Min,
        Silence1Hour,
        SilenceUntilUnsilenced,
        Unsilence,
        Journal,
        History
    };

    static constexpr int kSilenceShortMinutes = 15;
    static constexpr int kSilenceLongMinutes = 60;

    explicit CDlgMenuPanel(QWidget* owner);

    // Grey items that would do nothing for the receiver: nothing to acknowledge, not silenced.
    void updateStates(bool hasUnacknowledged, bool silenced);

    int receiverNumber() const { return receiverNumber_; }
    // History... carries the receiver as its value.
    void setReceiverNumber(int number);

private:
    int receiverNumber_ = 0;
};

} // namespace tessaly
