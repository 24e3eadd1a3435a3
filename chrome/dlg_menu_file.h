#pragma once

#include "chrome/dlg_menu_base.h"

namespace tessaly {

// The File pop-up: environment files, receiver configuration, upload, download and exit.
class CDlgMenuFile : public CDlgMenuBase {
    Q_OBJECT

public:
    enum Item { OpenEnvironment, SaveEnvironment, ReceiverConfiguration, Upload, Download, Exit };

    explicit CDlgMenuFile(QWidget* owner);

    // While monitoring runs, nothing that replaces or sends the table may be chosen; upload and
    // download need at least one receiver.
    void updateFileState(int monitoring, int receiverCount);
};

} // namespace tessaly
