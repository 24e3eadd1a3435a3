#pragma once

#include "chrome/dlg_menu_base.h"

namespace tessaly {

// The Help pop-up: About, Help and Remote View.
class CDlgMenuHelp : public CDlgMenuBase {
    Q_OBJECT

public:
    enum Item { About, Help, RemoteView };

    explicit CDlgMenuHelp(QWidget* owner);
};

} // namespace tessaly
