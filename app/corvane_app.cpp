#include "app/corvane_app.h"

#include "app/command_line_info.h"
#include "app/corvane_doc.h"
#include "app/main_frame.h"
#include "app/single_instance.h"
#include "app/splash_wnd.h"
#include "monitor/corvane_view.h"
#include "protocol/settings.h"
#include "resources/resource_ids.h"
#include "show/coordination.h"

#include <QIcon>

namespace tessaly {

namespace {
constexpr const char* kApplicationId = "Corvane.AppID.NoVersion";
} // namespace

CCorvaneApp::CCorvaneApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Tessaly"));
    setApplicationDisplayName(QStringLiteral("Tessaly"));
    setOrganizationName(QStringLiteral("Brevant"));
    setDesktopFileName(QString::fromLatin1(kApplicationId));
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
    loadCoordinationThresholds(programSettings().filePath());

    document_ = std::make_unique<CCorvaneDoc>();
    frame_ = std::make_unique<CMainFrame>();
    connect(instance_.get(), &CSingleInstance::activationRequested, frame_.get(),
            &CMainFrame::activateFromOtherInstance);
    frame_->show();
    frame_->repaint();

    CSplashWnd splash(frame_->shortVersion());
    splash.showSplash();
    frame_->view()->onInitialUpdate();
    splash.finish(programSettings().splashTimeSec);
    openCommandLineFile();
    frame_->activateWindow();
    return true;
}

void CCorvaneApp::openCommandLineFile() {
    // `tessaly demo.ini`: the file opens as File, Open Environment opens it.
    const QString path = commandLineFile(arguments());
    if (path.isEmpty()) {
        return;
    }
    frame_->openFromCommandLine(path);
}

int CCorvaneApp::exitInstance(int exitCode) {
    frame_.reset(); // the view stops its engines as it goes
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
