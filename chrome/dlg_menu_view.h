#pragma once

#include "chrome/dlg_menu_base.h"

#include <QTimer>

namespace tessaly {

class CDlgMenuSubHV;

// The View pop-up: the Align Channels cascade, the RF unit switch and the monitor matrix.
class CDlgMenuView : public CDlgMenuBase {
    Q_OBJECT

public:
    enum Item { AlignChannels, RfMonitor, MonitorMatrix, AlarmJournal, ShowEndTime, ShowLock };

    // How long the cascade waits after a sub-menu lost activation before deciding whether the
    // pointer went somewhere else entirely.
    static constexpr int kCascadeCheckMs = 100;

    explicit CDlgMenuView(QWidget* owner);

    // The RF item always names the other unit: "RF Monitor dBm" while showing mW (1).
    void updateRfItem(int rfUnit);
    // "Lock for Show" while unlocked, "Unlock Show..." while locked.
    void updateLockItem(bool locked);

    CDlgMenuSubHV* alignChannelsMenu() const;
    int subMenuActive() const { return subMenuActive_; }

protected:
    void onMouseMove(int hit) override;
    void onActivationChange(bool active) override;
    bool onMessage(int code, int value) override;

private:
    void onCascadeCheck();

    int lastItem_ = -1;
    int subMenuActive_ = 0;
    int subSubMenuActive_ = 0;
    QTimer cascadeTimer_;
};

} // namespace tessaly
