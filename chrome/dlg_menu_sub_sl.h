#pragma once

#include "chrome/dlg_menu_base.h"

namespace tessaly {

// The Small/Large sub-menu of the Align Channels cascade; its items post the layout mode.
class CDlgMenuSubSL : public CDlgMenuBase {
    Q_OBJECT

public:
    enum Item { Small, Large };

    CDlgMenuSubSL(QWidget* owner, int smallLayoutMode, int largeLayoutMode);

protected:
    void onActivationChange(bool active) override;
    void onCancel() override {}
};

} // namespace tessaly
