#include "monitor/view_file_actions.h"

#include "chrome/menu_commands.h"
#include "chrome/user_prompts.h"
#include "core/app_message.h"
#include "dialogs/dlg_config_recv.h"
#include "dialogs/dlg_get_receiver_inf.h"
#include "monitor/monitor_control.h"
#include "protocol/environment_file.h"
#include "protocol/pending_changes.h"
#include "protocol/program_flags.h"

#include <QFile>
#include <QWidget>

namespace tessaly {

namespace {

std::string filePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

WindowRect windowRectOf(const QRect& outer) {
    return {outer.left(), outer.top(), outer.left() + outer.width(), outer.top() + outer.height()};
}

EngineOptions dialogEngineOptions() {
    EngineOptions options;
    options.commDebug = programSettings().commDebug != 0;
    return options;
}

ConfigDialogOutcome runConfigRecvDialog(QWidget* parent, const ReceiverTable& table,
                                        const std::shared_ptr<CUserPrompts>& prompts) {
    CDlgConfigRecv dialog(parent, systemNeighbourFinder(), dialogEngineOptions(), nullptr, prompts);
    dialog.table().copyFrom(table);
    const int result = dialog.exec();
    ConfigDialogOutcome outcome;
    outcome.changed = dialog.changed() != 0;
    if (result == QDialog::Accepted) {
        outcome.takeOver = true;
        outcome.table.copyFrom(dialog.table());
    } else if (dialog.applied() != 0) {
        outcome.takeOver = true;
        outcome.table.copyFrom(dialog.appliedTable());
    }
    return outcome;
}

ProgressOutcome runProgressDialog(QWidget* parent, int mode, const ReceiverTable& table) {
    CDlgGetReceiverInf dialog(parent, dialogEngineOptions());
    dialog.setMode(mode);
    dialog.table().copyFrom(table);
    const int result = dialog.exec();
    ProgressOutcome outcome;
    outcome.takeOver = result == QDialog::Accepted && dialog.dataChanged() != 0;
    outcome.table.copyFrom(dialog.table());
    return outcome;
}

class ViewFileDialogs : public IViewFileDialogs {
public:
    explicit ViewFileDialogs(std::shared_ptr<CUserPrompts> prompts)
        : prompts_(std::move(prompts)) {}

    ConfigDialogOutcome runConfigDialog(QWidget* parent, const ReceiverTable& table) override {
        return runConfigRecvDialog(parent, table, prompts_);
    }
    ProgressOutcome runProgressDialog(QWidget* parent, int mode,
                                      const ReceiverTable& table) override {
        return tessaly::runProgressDialog(parent, mode, table);
    }
    void activateMainWindow(QWidget& view) override {
        QWidget* main = view.window();
        main->raise();
        main->activateWindow();
    }

private:
    std::shared_ptr<CUserPrompts> prompts_;
};

bool confirmed(CUserPrompts& prompts, QWidget* parent, const char* question) {
    return prompts.messageBox(parent, QString::fromLatin1(question), PromptButtons::OkCancel,
                              PromptIcon::Information) == PromptAnswer::Ok;
}

} // namespace

std::shared_ptr<IViewFileDialogs> viewFileDialogs(std::shared_ptr<CUserPrompts> prompts) {
    return std::make_shared<ViewFileDialogs>(std::move(prompts));
}

void preparePendingChanges(ReceiverTable& scratch, const ReceiverTable& current) {
    const int currentCount = current.count;
    for (int position = 0; position < kMaxReceivers; ++position) {
        ReceiverRecord& record = scratch.records[static_cast<size_t>(position)];
        if (position >= currentCount) {
            record.nameChanged = 1;
            record.freqChanged = 1;
            continue;
        }
        const ReceiverRecord& now = current.records[static_cast<size_t>(position)];
        record.nameChanged = now.nameChanged.load();
        record.freqChanged = now.freqChanged.load();
        if (record.name != now.name) {
            record.nameChanged = 1;
        }
        if (record.freqKhz != now.freqKhz) {
            record.freqChanged = 1;
        }
    }
}

CViewFileActions::CViewFileActions(QWidget& view, CMonitorControl& control,
                                   ReceiverTable& programTable, DisplayState& display,
                                   std::shared_ptr<IViewFileDialogs> dialogs,
                                   std::shared_ptr<CUserPrompts> prompts)
    : view_(view), control_(control), programTable_(programTable), display_(display),
      prompts_(std::move(prompts)),
      dialogs_(dialogs ? std::move(dialogs) : viewFileDialogs(prompts_)) {}

void CViewFileActions::initialUpdate(const std::string& defaultFreqText) {
    scratch_.fillDefaultFrequency(defaultFreqText);
}

bool CViewFileActions::handleCommand(int code, const QString& path, bool* done) {
    bool result = true;
    switch (code) {
    case kCmdOpenEnvironment:
        result = openEnvironment(path);
        break;
    case kCmdSaveEnvironment:
        result = saveEnvironment(path);
        break;
    case kCmdReceiverConfig:
        receiverConfiguration();
        break;
    case kCmdUpload:
        upload();
        break;
    case kCmdDownload:
        download();
        break;
    default:
        return false;
    }
    if (done != nullptr) {
        *done = result;
    }
    return true;
}

bool CViewFileActions::openEnvironment(const QString& path) {
    if (programFlags().modified != 0) {
        switch (prompts_->messageBox(&view_, QString::fromLatin1(kSaveChangesPrompt),
                                     PromptButtons::YesNoCancel, PromptIcon::Question)) {
        case PromptAnswer::No:
            break;
        case PromptAnswer::Yes: {
            // Opening after a save that did not happen would lose the changes: give up instead.
            const QString savePath =
                prompts_->saveFileName(&view_, QString::fromLatin1(kSaveDialogTitle),
                                       QString::fromLatin1(kEnvironmentDefaultSuffix),
                                       QString::fromLatin1(kEnvironmentFileFilter));
            if (savePath.isEmpty() || !saveEnvironment(savePath)) {
                return false;
            }
            break;
        }
        default:
            return false;
        }
    }

    currentEnvironmentPath() = filePath(path);
    readEnvironmentFile(filePath(path), scratch_, programSettings(), display_);
    programFlags().modified = 0;
    preparePendingChanges(scratch_, programTable_);
    runConfigDialog(true);

    if (openRequests_ == 0) {
        dialogs_->activateMainWindow(view_);
    }
    ++openRequests_;
    refreshMenus();
    return true;
}

bool CViewFileActions::saveEnvironment(const QString& path) {
    QWidget* main = view_.window();
    if (main != nullptr && main != &view_) {
        const WindowRect rect = windowRectOf(main->frameGeometry());
        if (control_.layoutMode() == kLayoutLargeHorizontal) {
            display_.posHor = rect;
        } else {
            display_.posVer = rect;
        }
    }
    display_.rfUnit = control_.rfUnit();
    currentEnvironmentPath() = filePath(path);
    if (!writeEnvironmentFile(filePath(path), programTable_, display_)) {
        prompts_->messageBox(&view_, QString::fromLatin1(kSaveErrorText), PromptButtons::Ok,
                             PromptIcon::Exclamation);
        return false;
    }
    programFlags().modified = 0;
    return true;
}

void CViewFileActions::receiverConfiguration() {
    scratch_.copyFrom(programTable_);
    runConfigDialog(false);
    refreshMenus();
}

void CViewFileActions::runConfigDialog(bool fromEnvironmentFile) {
    const ConfigDialogOutcome outcome = dialogs_->runConfigDialog(&view_, scratch_);
    if (!outcome.takeOver) {
        return;
    }
    if (outcome.changed) {
        programFlags().modified = 1;
    }
    control_.takeOverTable(outcome.table, fromEnvironmentFile);
}

void CViewFileActions::upload() {
    if (!confirmed(*prompts_, &view_, kUploadConfirmText)) {
        return;
    }
    dialogs_->runProgressDialog(&view_, kGetInfModeUpload, programTable_);
}

void CViewFileActions::download() {
    if (!confirmed(*prompts_, &view_, kDownloadConfirmText)) {
        return;
    }
    const ProgressOutcome outcome =
        dialogs_->runProgressDialog(&view_, kGetInfModeDownload, programTable_);
    // Whatever came of it, the panels start afresh from the table.
    ReceiverTable next;
    if (outcome.takeOver) {
        programFlags().modified = 1;
        next.copyFrom(outcome.table);
        knownReceiverValues().copyFrom(outcome.table); // what the receivers just reported
    } else {
        next.copyFrom(programTable_);
    }
    control_.takeOverTable(next, false);
}

void CViewFileActions::refreshMenus() {
    QWidget* main = view_.window();
    if (main != nullptr && main != &view_) {
        postAppMessage(main, kEvRefreshMenus, 0);
    }
}

} // namespace tessaly
