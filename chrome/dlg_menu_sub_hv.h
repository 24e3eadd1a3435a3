#pragma once

#include "chrome/dlg_menu_base.h"

namespace tessaly {

class CDlgMenuSubSL;

// The Horizontal/Vertical sub-menu of the View menu's Align Channels; each item opens its own
// Small/Large menu, whose choice this menu relays upwards.
class CDlgMenuSubHV : public CDlgMenuBase {
    Q_OBJECT

public:
    enum Item { Horizontal, Vertical };

    explicit CDlgMenuSubHV(QWidget* owner);

    CDlgMenuSubSL* subMenu(int index) const;

protected:
    void onMouseMove(int hit) override;
    void onLeftButtonUp(int hit) override;
    void onActivationChange(bool active) override;
    void onCancel() override {}
    bool onMessage(int code, int value) override;

private:
    int lastItem_ = -1;
};

// Where a sub-menu opens beside the item of its owner that opened it.
QPoint subMenuPosition(const QWidget* owner, const MenuItem& item);

} // namespace tessaly
