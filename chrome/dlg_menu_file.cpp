#include "chrome/dlg_menu_file.h"

#include "chrome/menu_commands.h"
#include "protocol/receiver_table.h"
#include "resources/resource_ids.h"

namespace tessaly {

CDlgMenuFile::CDlgMenuFile(QWidget* owner) : CDlgMenuBase(owner, kPngMenuFile) {
    setTitle(QStringLiteral("File"), {11, 7, 41, 27});
    addItem({6, 42, 153, 66}, QStringLiteral("Open Environment"), kCmdOpenEnvironment);
    addItem({6, 67, 153, 91}, QStringLiteral("Save Environment"), kCmdSaveEnvironment);
    addItem({6, 101, 153, 125}, QStringLiteral("Receiver Configuration"), kCmdReceiverConfig);
    addItem({6, 135, 153, 159}, QStringLiteral("Upload"), kCmdUpload);
    addItem({6, 156, 153, 180}, QStringLiteral("Download"), kCmdDownload);
    addItem({6, 187, 153, 211}, QStringLiteral("Exit"), kCmdExit);
    updateFileState(0, programReceiverTable().count);
}

void CDlgMenuFile::updateFileState(int monitoring, int receiverCount) {
    const int idle = monitoring == 0 ? 1 : 0;
    const int canTransfer = idle != 0 && receiverCount > 0 ? 1 : 0;
    item(OpenEnvironment).enabled = idle;
    item(ReceiverConfiguration).enabled = idle;
    item(Upload).enabled = canTransfer;
    item(Download).enabled = canTransfer;
    item(SaveEnvironment).enabled = 1;
    item(Exit).enabled = 1;
    redraw();
}

} // namespace tessaly
