#pragma once

#include "chrome/user_prompts.h"

#include <QMainWindow>
#include <QString>
#include <QUrl>

#include <memory>

namespace tessaly {

class CDlgBarMenu;
class CCorvaneView;

constexpr const char* kMainCaption = "TESSALY";
constexpr const char* kSavePromptText = "Do you want save the changes?";
constexpr const char* kOpenFileTitle = "Open File";
constexpr const char* kSaveFileTitle = "Save File";
constexpr const char* kEnvironmentSuffix = "ini";
constexpr const char* kStartTitle = "Start";
constexpr const char* kPendingChangesText =
    "Monitoring sends these changes to the receivers as it connects to them:";
constexpr const char* kSendAndStart = "Send and Start";
constexpr const char* kStartWithoutSending = "Start without sending";
constexpr const char* kCancelStart = "Cancel";

// What the main window asks of the desktop: opening the help target and running the About box.
// Tests give their own to see what would have opened.
class IFrameDesktop {
public:
    virtual ~IFrameDesktop() = default;

    // False when nothing could open `url`.
    virtual bool openUrl(const QUrl& url) = 0;
    virtual void runAboutBox(QWidget* parent, const QString& fullVersion) = 0;
};

// The real desktop: QDesktopServices and the About dialog.
std::shared_ptr<IFrameDesktop> systemFrameDesktop();

// The main window: the skinned menu bar on top, the monitor view below. It turns the menus'
// commands into actions, mostly by forwarding them to the view.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    // Takes the view (a plain CCorvaneView on the same prompts when none is given).
    explicit CMainFrame(CCorvaneView* view = nullptr, QWidget* parent = nullptr,
                        std::shared_ptr<IFrameDesktop> desktop = systemFrameDesktop(),
                        std::shared_ptr<CUserPrompts> prompts = systemPrompts());
    ~CMainFrame() override;

    CCorvaneView* view() const { return view_; }

    // One command of the menus (code, value); unknown codes are ignored.
    void onCommand(int code, int value);

    // Save file dialog; on OK the view saves. True when the dialog was confirmed, whatever the
    // save's outcome.
    bool savePrompt();

    // The View menu's RF item follows the RF unit in use.
    void refreshRfItem();
    // Enabled states of the File menu and the monitor button, from the monitoring flag and
    // the receiver count.
    void refreshMenuStates();

    // Ctrl+L and View, Lock for Show: takes the show lock, or releases it after confirmation
    // (and the PIN of the settings, when one is set).
    void toggleShowLock();
    // The menu bar's lock badge and the View menu's item follow the lock.
    void refreshLockState();

    // A file named on the command line takes the File, Open road without the file dialog.
    void openFromCommandLine(const QString& path);

    // Brings the window forward for a second start of the program.
    void activateFromOtherInstance();

    // "TESSALY", or "TESSALY - [name.ini]" once a file was opened or saved.
    void setCaptionFile(const QString& path);

    const QString& fullVersion() const { return fullVersion_; }
    const QString& shortVersion() const { return shortVersion_; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    bool confirmClose();
    // Start with pending changes asks what to do with them; false when cancelled.
    bool confirmStart();
    // The commands the show lock refuses; true (after the notice) when `code` is one of them.
    bool refusedByShowLock(int code, int value);
    void openEnvironment();
    void openHelp();
    void runAboutBox();
    void runRemoteView();

    std::shared_ptr<CUserPrompts> prompts_;
    CDlgBarMenu* bar_ = nullptr;
    CCorvaneView* view_ = nullptr;
    QString fullVersion_;
    QString shortVersion_;
    std::shared_ptr<IFrameDesktop> desktop_;
};

} // namespace tessaly
