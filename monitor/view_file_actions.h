#pragma once

#include "chrome/user_prompts.h"
#include "protocol/receiver_table.h"
#include "protocol/settings.h"

#include <QString>

#include <memory>

class QWidget;

namespace tessaly {

class CMonitorControl;

constexpr const char* kSaveChangesPrompt = "Do you want save the changes?";
constexpr const char* kSaveDialogTitle = "Save File";
constexpr const char* kEnvironmentDefaultSuffix = "ini";
constexpr const char* kSaveErrorText = "Error Saveing File.";
constexpr const char* kUploadConfirmText =
    "Are you sure you want to override the configurations of the receivers ?";
constexpr const char* kDownloadConfirmText =
    "Are you sure you want to replace the contents of the table ?";

// What the view takes back from the Receiver Configuration dialog.
struct ConfigDialogOutcome {
    bool takeOver = false; // OK, or Cancel after an Apply
    bool changed = false;  // the dialog changed its table: set the modified flag
    ReceiverTable table;   // what to take over
};

// What the view takes back from an upload or download run.
struct ProgressOutcome {
    bool takeOver = false; // a download brought data worth taking over
    ReceiverTable table;
};

// The dialogs the file and configuration commands run, and how the main window comes to the
// front. Tests give their own to answer without dialogs.
class IViewFileDialogs {
public:
    virtual ~IViewFileDialogs() = default;

    // The Receiver Configuration dialog on a copy of `table`.
    virtual ConfigDialogOutcome runConfigDialog(QWidget* parent, const ReceiverTable& table) = 0;
    // The upload or download progress dialog (kGetInfModeUpload, kGetInfModeDownload).
    virtual ProgressOutcome runProgressDialog(QWidget* parent, int mode,
                                              const ReceiverTable& table) = 0;
    // Raises and activates the window that holds `view`.
    virtual void activateMainWindow(QWidget& view) = 0;
};

// The real dialogs, asking the operator through `prompts`.
std::shared_ptr<IViewFileDialogs>
viewFileDialogs(std::shared_ptr<CUserPrompts> prompts = systemPrompts());

// The names and frequencies of `scratch` that differ from `current` become pending changes, so
// that the engines send them when they connect; records beyond the current count get both.
// The flags the current table already had pending stay pending.
void preparePendingChanges(ReceiverTable& scratch, const ReceiverTable& current);

// The monitor view's file and configuration commands: open and save an environment file, the
// Receiver Configuration dialog, upload and download. Every command works on a copy of the
// program-wide table and hands what it takes back to the monitor control, which replaces the
// receiver table.
class CViewFileActions {
public:
    // `dialogs` null: the real ones, on the same prompts.
    CViewFileActions(QWidget& view, CMonitorControl& control, ReceiverTable& programTable,
                     DisplayState& display, std::shared_ptr<IViewFileDialogs> dialogs = nullptr,
                     std::shared_ptr<CUserPrompts> prompts = systemPrompts());

    // The view's first update: every scratch record gets the default frequency.
    void initialUpdate(const std::string& defaultFreqText);

    // 3001, 3002, 3003, 3008 and 3009; false for any other code. For 3001 and 3002 the result
    // tells whether the file was opened or written.
    bool handleCommand(int code, const QString& path, bool* done = nullptr);

    // Asks about unsaved changes first; false when the operator cancelled, or when the save
    // he asked for did not happen (the changes would otherwise be lost).
    bool openEnvironment(const QString& path);
    bool saveEnvironment(const QString& path);
    void receiverConfiguration();
    void upload();
    void download();

    int openRequests() const { return openRequests_; }

private:
    void runConfigDialog(bool fromEnvironmentFile);
    void refreshMenus();

    QWidget& view_;
    CMonitorControl& control_;
    ReceiverTable& programTable_;
    DisplayState& display_;
    ReceiverTable scratch_;
    int openRequests_ = 0;
    std::shared_ptr<CUserPrompts> prompts_;
    std::shared_ptr<IViewFileDialogs> dialogs_;
};

} // namespace tessaly
