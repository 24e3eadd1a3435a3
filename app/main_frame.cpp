#include "app/main_frame.h"
#include "app/remote_view_dlg.h"

#include "app/about_dlg.h"
#include "app/help_target.h"
#include "app/version_info.h"
#include "chrome/dlg_bar_menu.h"
#include "chrome/dlg_menu_file.h"
#include "chrome/menu_commands.h"
#include "chrome/show_lock_prompts.h"
#include "chrome/user_prompts.h"
#include "core/app_message.h"
#include "monitor/corvane_view.h"
#include "protocol/environment_file.h"
#include "protocol/pending_changes.h"
#include "protocol/program_flags.h"
#include "protocol/receiver_table.h"
#include "protocol/settings.h"
#include "protocol/show_lock.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMetaObject>
#include <QShortcut>

namespace tessaly {

namespace {
constexpr QSize kInitialSize(1280, 800);

// 0 and 1 set, 2 toggles; anything else leaves the value alone.
bool switchValue(int request, int current, int& result) {
    if (request == kSwitchOff || request == kSwitchOn) {
        result = request;
        return true;
    }
    if (request == kSwitchToggle) {
        result = current != 0 ? 0 : 1;
        return true;
    }
    return false;
}
class SystemFrameDesktop : public IFrameDesktop {
public:
    bool openUrl(const QUrl& url) override { return QDesktopServices::openUrl(url); }
    void runAboutBox(QWidget* parent, const QString& fullVersion) override {
        CAboutDlg about(fullVersion, parent);
        about.exec();
    }
};
} // namespace

std::shared_ptr<IFrameDesktop> systemFrameDesktop() {
    return std::make_shared<SystemFrameDesktop>();
}

CMainFrame::CMainFrame(CCorvaneView* view, QWidget* parent, std::shared_ptr<IFrameDesktop> desktop,
                       std::shared_ptr<CUserPrompts> prompts)
    : QMainWindow(parent), prompts_(std::move(prompts)),
      view_(view != nullptr
                ? view
                : new CCorvaneView(nullptr, {}, loadPanelPng, nullptr, nullptr, prompts_)),
      fullVersion_(fullVersionText()), shortVersion_(shortVersionText(fullVersion_)),
      desktop_(std::move(desktop)) {
    setWindowTitle(QString::fromLatin1(kMainCaption));
    bar_ = new CDlgBarMenu(this);
    bar_->setTarget(this);
    setMenuWidget(bar_);
    setCentralWidget(view_);
    resize(kInitialSize);
    connect(view_, &CCorvaneView::alarmCountChanged, bar_, &CDlgBarMenu::setAlarmCount);
    refreshRfItem();
    refreshMenuStates();
    auto* lockShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    lockShortcut->setContext(Qt::ApplicationShortcut);
    connect(lockShortcut, &QShortcut::activated, this, &CMainFrame::toggleShowLock);
    refreshLockState();
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::event(QEvent* event) {
    if (const AppMessage* message = AppMessage::from(event)) {
        onCommand(message->code(), static_cast<int>(message->value()));
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::onCommand(int code, int value) {
    if (refusedByShowLock(code, value)) {
        return;
    }
    switch (code) {
    case kCmdOpenEnvironment:
        openEnvironment();
        break;
    case kCmdSaveEnvironment:
        savePrompt();
        break;
    case kCmdReceiverConfig:
    case kCmdUpload:
    case kCmdDownload:
        sendAppMessage(view_, code, value);
        break;
    case kCmdExit:
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        break;
    case kCmdLayoutMode:
        if (value >= 0 && value < kLayoutModeCount) {
            displayState().layoutMode = value;
            postAppMessage(view_, kCmdLayoutMode, value);
            refreshRfItem();
        }
        break;
    case kCmdMonitorStartStop: {
        int monitoring = 0;
        if (switchValue(value, programFlags().monitoring, monitoring)) {
            if (monitoring == 1 && programFlags().monitoring == 0 && !confirmStart()) {
                break;
            }
            programFlags().monitoring = monitoring;
            showLock().monitoringChanged(monitoring != 0);
            postAppMessage(view_, kCmdMonitorStartStop, monitoring);
            refreshMenuStates();
        }
        break;
    }
    case kCmdShowLock:
        toggleShowLock();
        break;
    case kCmdRfUnit: {
        int rfUnit = 0;
        if (switchValue(value, displayState().rfUnit, rfUnit)) {
            displayState().rfUnit = rfUnit;
            postAppMessage(view_, kCmdRfUnit, rfUnit);
            refreshRfItem();
        }
        break;
    }
    case kCmdMonitorMatrix:
        postAppMessage(view_, kCmdMonitorMatrix, value);
        break;
    case kCmdAlarmJournal:
    case kCmdHistory:
    case kCmdShowEndTime:
        postAppMessage(view_, code, value);
        break;
    case kCmdAbout:
    case kCmdAboutAlt:
        runAboutBox();
        break;
    case kCmdHelp:
        openHelp();
        break;
    case kCmdRemoteView:
        runRemoteView();
        break;
    case kEvRefreshMenus:
        refreshMenuStates();
        break;
    default:
        break;
    }
}

bool CMainFrame::refusedByShowLock(int code, int value) {
    QString action;
    switch (code) {
    case kCmdOpenEnvironment:
        action = QStringLiteral("Open");
        break;
    case kCmdSaveEnvironment:
        action = QStringLiteral("Save As");
        break;
    case kCmdReceiverConfig:
        action = QStringLiteral("Receiver Configuration");
        break;
    case kCmdUpload:
        action = QStringLiteral("Upload");
        break;
    case kCmdDownload:
        action = QStringLiteral("Download");
        break;
    case kCmdExit:
        action = QStringLiteral("Exit");
        break;
    case kCmdMonitorStartStop: {
        int monitoring = 0;
        if (programFlags().monitoring != 0 && switchValue(value, 1, monitoring) &&
            monitoring == 0) {
            action = QStringLiteral("Stop");
        }
        break;
    }
    default:
        break;
    }
    return !action.isEmpty() && refusedWhileLocked(*prompts_, this, action);
}

bool CMainFrame::confirmStart() {
    ReceiverTable& table = programReceiverTable();
    const std::vector<PendingChange> changes = pendingChanges(table, knownReceiverValues());
    if (changes.empty()) {
        return true;
    }
    ChoiceRequest request;
    request.title = QString::fromLatin1(kStartTitle);
    request.text = QString::fromLatin1(kPendingChangesText);
    request.headers = {QStringLiteral("Receiver"), QStringLiteral("Name"),
                       QStringLiteral("Change")};
    for (const PendingChange& change : changes) {
        for (const std::string& what : change.changes) {
            request.rows.append({QString::number(change.number),
                                 QString::fromStdString(change.name),
                                 QString::fromStdString(what)});
        }
    }
    request.buttons = {QString::fromLatin1(kSendAndStart),
                       QString::fromLatin1(kStartWithoutSending),
                       QString::fromLatin1(kCancelStart)};
    request.escapeButton = 2;
    switch (prompts_->choice(this, request)) {
    case 0:
        knownReceiverValues().copyFrom(table); // what the receivers hold once it is sent
        return true;
    case 1:
        clearPendingChanges(table);
        return true;
    default:
        return false;
    }
}

void CMainFrame::toggleShowLock() {
    if (!showLock().locked()) {
        showLock().lock(programFlags().monitoring != 0);
    } else if (confirmUnlock(*prompts_, this, programSettings().lockPin)) {
        showLock().unlock();
    }
    refreshLockState();
}

void CMainFrame::refreshLockState() {
    bar_->setShowLocked(showLock().locked());
}

void CMainFrame::openEnvironment() {
    const QString path = prompts_->openFileName(this, QString::fromLatin1(kOpenFileTitle),
                                                QString::fromLatin1(kEnvironmentFileFilter));
    if (path.isEmpty()) {
        return;
    }
    // The caption names the file only when it was opened: after an abandoned open the old
    // receivers are still on screen.
    const bool opened = sendAppMessage(view_, kCmdOpenEnvironment, 0, path);
    refreshRfItem();
    if (opened) {
        setCaptionFile(path);
    }
}

void CMainFrame::openFromCommandLine(const QString& path) {
    const bool opened = view_->openEnvironmentFile(path);
    refreshRfItem();
    refreshMenuStates();
    if (opened) {
        setCaptionFile(path);
    }
}

bool CMainFrame::savePrompt() {
    const QString path = prompts_->saveFileName(this, QString::fromLatin1(kSaveFileTitle),
                                                QString::fromLatin1(kEnvironmentSuffix),
                                                QString::fromLatin1(kEnvironmentFileFilter));
    if (path.isEmpty()) {
        return false;
    }
    if (sendAppMessage(view_, kCmdSaveEnvironment, 0, path)) {
        setCaptionFile(path);
    }
    return true;
}

void CMainFrame::setCaptionFile(const QString& path) {
    setWindowTitle(QStringLiteral("%1 - [%2]")
                       .arg(QString::fromLatin1(kMainCaption), QFileInfo(path).fileName()));
}

void CMainFrame::refreshRfItem() {
    bar_->setDisplayValues(displayState().rfUnit, displayState().layoutMode);
}

void CMainFrame::refreshMenuStates() {
    const int monitoring = programFlags().monitoring;
    const int receivers = programReceiverTable().count;
    bar_->fileMenu()->updateFileState(monitoring, receivers);
    bar_->updateMonitorState(monitoring, receivers);
    bar_->update();
}

void CMainFrame::openHelp() {
    const Settings& settings = programSettings();
    const QUrl target = helpTargetUrl(QString::fromStdString(settings.directory),
                                      QString::fromStdString(settings.helpUrl));
    desktop_->openUrl(target); // a help target that cannot be opened is not worth a message
}

void CMainFrame::runRemoteView() {
    const Settings& settings = programSettings();
    CDlgRemoteView dialog(QString::fromStdString(settings.remoteListen),
                          QString::fromStdString(settings.remoteToken), firstLanAddress(), this);
    dialog.exec();
}

void CMainFrame::runAboutBox() {
    desktop_->runAboutBox(this, fullVersion_);
}

void CMainFrame::activateFromOtherInstance() {
    if (isMinimized()) {
        showNormal();
    }
    show();
    raise();
    activateWindow();
}

bool CMainFrame::confirmClose() {
    if (programFlags().modified == 0) {
        return true;
    }
    switch (prompts_->messageBox(this, QString::fromLatin1(kSavePromptText),
                                 PromptButtons::YesNoCancel, PromptIcon::Question)) {
    case PromptAnswer::No:
        return true;
    case PromptAnswer::Yes:
        // The view clears the modified flag only when the file was written; after a failed
        // save (it has said so) the window stays, so the changes are not lost.
        return savePrompt() && programFlags().modified == 0;
    default:
        return false;
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The desktop session ending closes the window whatever the lock says; the lock is
    // remembered and comes back with the program.
    const bool sessionEnding = qApp != nullptr && qApp->isSavingSession();
    if (!sessionEnding && refusedWhileLocked(*prompts_, this, QStringLiteral("Exit"))) {
        event->ignore();
        return;
    }
    if (!confirmClose()) {
        event->ignore();
        return;
    }
    bar_->closeAllPopUps();
    event->accept();
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    bar_->closeAllPopUps();
    postAppMessage(view_, kEvMainWindowMoved, 0);
}

} // namespace tessaly
