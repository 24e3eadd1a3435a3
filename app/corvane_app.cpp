#include "app/corvane_app.h"

#include "app/command_line_info.h"
#include "app/corvane_doc.h"
#include "app/main_frame.h"
#include "app/single_instance.h"
#include "app/splash_wnd.h"
#include "chrome/user_prompts.h"
#include "monitor/corvane_view.h"
#include "mqtt/mqtt_publisher.h"
#include "protocol/settings.h"
#include "protocol/show_lock.h"
#include "remote/remote_service.h"
#include "resources/resource_ids.h"
#include "show/coordination.h"

#include <QIcon>

namespace tessaly {

void setApplicationIdentity() {
    QCoreApplication::setApplicationName(QStringLiteral("Tessaly"));
    // No display name: Qt would append it to every window title ("TESSALY — Tessaly"), and
    // message boxes take the application name in its place.
    QCoreApplication::setOrganizationName(QStringLiteral("Brevant"));
    // Wayland shells and taskbars find the icon and the name through the installed desktop
    // entry, so they are told its name rather than the program's identifier.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopEntryName));
}

CCorvaneApp::CCorvaneApp(int& argc, char** argv, std::shared_ptr<CUserPrompts> prompts)
    : QApplication(argc, argv), prompts_(std::move(prompts)) {
    setApplicationIdentity();
    setWindowIcon(QIcon(QStringLiteral(":/png/%1.png").arg(kIconApplication)));
}

CCorvaneApp::~CCorvaneApp() = default;

bool CCorvaneApp::initInstance() {
    instance_ = std::make_unique<CSingleInstance>(CSingleInstance::defaultKey());
    const CSingleInstance::Role role = instance_->claim();
    if (role != CSingleInstance::Role::Primary) {
        if (role == CSingleInstance::Role::Failed) {
            qWarning("tessaly: another instance holds the lock but does not answer");
        }
        return false;
    }

    loadSettings();
    // A show lock left by a run that ended while the show was on holds again.
    showLock().setStatePath(defaultShowLockPath());
    showLock().restore();
    loadCoordinationThresholds(programSettings().sourcePath);

    document_ = std::make_unique<CCorvaneDoc>();
    frame_ = std::make_unique<CMainFrame>(nullptr, nullptr, systemFrameDesktop(), prompts_);
    connect(instance_.get(), &CSingleInstance::activationRequested, frame_.get(),
            &CMainFrame::activateFromOtherInstance);
    startMqttPublisher();
    frame_->show();
    frame_->repaint();

    CSplashWnd splash(frame_->shortVersion());
    splash.showSplash();
    frame_->view()->onInitialUpdate();
    splash.finish(programSettings().splashTimeSec);
    startRemote();
    openCommandLineFile();
    frame_->activateWindow();
    return true;
}

void CCorvaneApp::startRemote() {
    const Settings& settings = programSettings();
    if (settings.remoteListen.empty()) {
        return;
    }
    remote::RemoteOptions options;
    options.token = QString::fromStdString(settings.remoteToken);
    if (!remote::parseListenAddress(QString::fromStdString(settings.remoteListen), options.address,
                                    options.port, remoteError_)) {
        remoteError_ = QStringLiteral("[remote] listen: ") + remoteError_;
    } else {
        remote_ = std::make_unique<remote::RemoteService>();
        if (!remote_->start(options,
                            remote::localBoard(frame_->view()->control().show().snapshotHub()),
                            remoteError_)) {
            remote_.reset();
        }
    }
    if (!remoteError_.isEmpty()) {
        qWarning("tessaly: %s", qPrintable(remoteError_));
    }
}

void CCorvaneApp::openCommandLineFile() {
    // `tessaly demo.ini`: the file opens as File, Open Environment opens it.
    const QString path = commandLineFile(arguments());
    if (path.isEmpty()) {
        return;
    }
    frame_->openFromCommandLine(path);
}

void CCorvaneApp::startMqttPublisher() {
    QString error;
    // Texts come from the publisher's thread. Each is logged; a refused user name or password
    // is a setting to fix, so it is also shown, once.
    mqttPublisher_ = mqtt::startPublisher(
        mqtt::readMqttSettingsFile(programSettings().sourcePath),
        frame_->view()->control().show().snapshotHub(),
        [this](const QString& text) {
            qWarning("tessaly: %s", qPrintable(text));
            if (text.contains(QLatin1String("user name or password"))) {
                QMetaObject::invokeMethod(
                    this,
                    [this, text] {
                        prompts_->messageBox(frame_.get(), text, PromptButtons::Ok,
                                             PromptIcon::Exclamation);
                    },
                    Qt::QueuedConnection);
            }
        },
        error);
    if (!error.isEmpty()) {
        qWarning("tessaly: [mqtt] url: %s; nothing is published", qPrintable(error));
    }
}

int CCorvaneApp::exitInstance(int exitCode) {
    // Leaves "offline" on the broker while the view's snapshot hub still exists.
    mqttPublisher_.reset();
    remote_.reset(); // it reads the view's snapshots
    frame_.reset();  // the view stops its engines as it goes
    document_.reset();
    instance_.reset();
    return exitCode;
}

int CCorvaneApp::run() {
    if (!initInstance()) {
        return 0;
    }
    return exitInstance(exec());
}

} // namespace tessaly
