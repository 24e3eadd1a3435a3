// Walks the skinned chrome on a real display and saves screenshots of what the operator sees:
//   xvfb-run -a -s "-screen 0 1280x800x24" menu_tour <output directory>
#include "app/about_dlg.h"
#include "app/main_frame.h"
#include "app/remote_view_dlg.h"
#include "app/splash_wnd.h"
#include "app/version_info.h"
#include "chrome/dlg_bar_menu.h"
#include "chrome/dlg_menu_file.h"
#include "chrome/dlg_menu_help.h"
#include "chrome/dlg_menu_sub_hv.h"
#include "chrome/dlg_menu_sub_sl.h"
#include "chrome/dlg_menu_view.h"
#include "chrome/menu_commands.h"
#include "protocol/receiver_table.h"
#include "tests/support/menu_input.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QIcon>
#include <QScreen>

#include <tuple>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

QString outputDir;

void settle(int ms = 300) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

void shoot(const QString& name, const QRect& area) {
    settle();
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    screen.copy(area).save(QDir(outputDir).filePath(name));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/png/128.png")));
    outputDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    programReceiverTable().count = 3;

    CSplashWnd splash(shortVersionText(fullVersionText()));
    splash.showSplash();
    shoot(QStringLiteral("splash.png"), splash.frameGeometry());
    splash.hide();

    CMainFrame frame;
    frame.setGeometry(0, 0, 1000, 420);
    frame.show();
    settle(600);
    CDlgBarMenu* bar = frame.findChild<CDlgBarMenu*>();
    const QRect barArea(bar->mapToGlobal(QPoint(0, 0)), QSize(1000, 300));

    moveTo(bar, {75, 15});
    shoot(QStringLiteral("bar-hover.png"), QRect(barArea.topLeft(), QSize(1000, 80)));

    clickAt(bar, {30, 15});
    moveTo(bar->fileMenu(), {50, 157});
    shoot(QStringLiteral("menu-file.png"), barArea);

    clickAt(bar, {75, 15});
    moveTo(bar->viewMenu(), {60, 80});
    shoot(QStringLiteral("menu-view.png"), barArea);
    moveTo(bar->viewMenu(), {60, 55});
    settle();
    CDlgMenuSubHV* hv = bar->viewMenu()->alignChannelsMenu();
    moveTo(hv, {40, 45});
    settle();
    moveTo(hv->subMenu(CDlgMenuSubHV::Vertical), {30, 15});
    shoot(QStringLiteral("menu-view-align.png"), barArea);

    clickAt(bar, {120, 15});
    moveTo(bar->helpMenu(), {50, 110});
    shoot(QStringLiteral("menu-help.png"), barArea);
    bar->closeAllPopUps();

    frame.onCommand(kCmdMonitorStartStop, kSwitchOn);
    moveTo(bar, {300, 60});
    shoot(QStringLiteral("bar-running.png"), QRect(barArea.topLeft(), QSize(1000, 80)));
    programReceiverTable().count = 0;
    frame.onCommand(kCmdMonitorStartStop, kSwitchOff);
    shoot(QStringLiteral("bar-empty.png"), QRect(barArea.topLeft(), QSize(1000, 80)));

    shoot(QStringLiteral("main-window.png"), frame.frameGeometry());

    CAboutDlg about(frame.fullVersion(), &frame);
    about.show();
    about.move(200, 150);
    shoot(QStringLiteral("about.png"), about.frameGeometry().adjusted(-4, -4, 4, 4));
    about.hide();

    // Help, Remote View…: served on every address with a token, and off.
    for (const auto& [name, listen, token] :
         {std::tuple{"remote-view.png", "0.0.0.0:8080", "crew-7f3k9q"},
          std::tuple{"remote-view-off.png", "", ""}}) {
        CDlgRemoteView remote(QString::fromLatin1(listen), QString::fromLatin1(token),
                              QStringLiteral("192.168.1.20"), &frame);
        remote.show();
        remote.move(200, 150);
        shoot(QString::fromLatin1(name), remote.frameGeometry().adjusted(-4, -4, 4, 4));
    }
    return 0;
}
