#pragma once

#include "chrome/dlg_menu_base.h"

namespace tessaly {

// The Help pop-up: About and Help.
class CDlgMenuHelp : public CDlgMenuBase {
    Q_OBJECT

public:
    enum Item { About, Help };

    explicit CDlgMenuHelp(QWidget* owner);
};

} // namespace tessaly
