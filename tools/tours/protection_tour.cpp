// Screenshots of the show protections as the operator sees them: the Start dialog with pending
// changes, an upload's difference and its read-back with a receiver that ignores what it is
// sent (simulated on loopback), and the show lock on the menu bar:
//   xvfb-run -a -s "-screen 0 1920x1080x24" protection_tour <output directory>
#include "app/main_frame.h"
#include "chrome/dlg_bar_menu.h"
#include "chrome/dlg_menu_view.h"
#include "chrome/menu_commands.h"
#include "dialogs/dlg_get_receiver_inf.h"
#include "protocol/pending_changes.h"
#include "protocol/program_flags.h"
#include "protocol/show_lock.h"
#include "tests/support/message_recorder.h"
#include "tests/support/simulated_receivers.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QIcon>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <cstdio>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

QString outputDir;

bool save(const QPixmap& picture, const QString& name) {
    const QString path = QDir(outputDir).filePath(name);
    const bool saved = picture.save(path);
    std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(path));
    return saved;
}

bool saveWidget(QWidget& widget, const QString& name) {
    runEventsFor(300);
    return save(widget.grab(), name);
}

// Photographs the modal window that `action` opens, then closes it with Esc.
void shootModal(const QString& name, const std::function<void()>& action) {
    QTimer::singleShot(600, [name] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            save(modal->grab(), name);
            modal->close();
        }
    });
    action();
}

void fillReceivers(ReceiverTable& table, int count) {
    static const char* names[] = {"LEAD VOX", "BV 1", "BV 2", "GTR", "KEYS", "MC", "SPARE A"};
    table.count = count;
    for (int n = 1; n <= count; ++n) {
        ReceiverRecord& record = table.byNumber(n);
        record.ip = "127.0.0." + std::to_string(n);
        record.name = names[(n - 1) % 7];
        record.setFrequencyText(std::to_string(710 + n) + ".125");
    }
}

bool tourStart() {
    ReceiverTable& table = programReceiverTable();
    fillReceivers(table, 6);
    fillReceivers(knownReceiverValues(), 6);
    knownReceiverValues().byNumber(2).name = "SPARE B";
    table.byNumber(2).nameChanged = 1;
    knownReceiverValues().byNumber(4).setFrequencyText("722.250");
    table.byNumber(4).freqChanged = 1;
    table.byNumber(5).rxtxChanged = 1;
    CMainFrame frame;
    frame.setGeometry(0, 0, 1000, 420);
    frame.show();
    runEventsFor(400);
    shootModal("start-pending-changes.png",
               [&] { frame.onCommand(kCmdMonitorStartStop, kSwitchToggle); });
    clearPendingChanges(table);
    return QFile::exists(QDir(outputDir).filePath("start-pending-changes.png"));
}

bool tourUpload() {
    SimulatedReceivers receivers;
    if (!receivers.start(6)) {
        return false;
    }
    fillReceivers(receivers.table, 6);
    for (int n : {1, 3, 5, 6}) { // these already hold what the file says
        sim::ReceiverState state = receivers.simulator.state(n);
        state.name = receivers.table.byNumber(n).name;
        state.freqKhz = receivers.table.byNumber(n).freqKhz;
        receivers.simulator.setState(n, state);
    }
    receivers.simulator.setFault(4, sim::makeFault(sim::FaultKind::IgnoreSet));
    CDlgGetReceiverInf dialog(nullptr, loopbackEngineOptions());
    dialog.setMode(kGetInfModeUpload);
    dialog.table().copyFrom(receivers.table);
    dialog.open();
    waitUntil([&] { return dialog.reviewing(); }, 20000);
    bool ok = saveWidget(dialog, "upload-difference.png");
    dialog.findChild<QPushButton*>("sendButton")->click();
    waitUntil([&] { return dialog.busy() == 0; }, 20000);
    ok = saveWidget(dialog, "upload-mismatch.png") && ok;
    dialog.findChild<QPushButton*>("stopButton")->click();
    return ok;
}

bool tourLock() {
    fillReceivers(programReceiverTable(), 6);
    programFlags().monitoring = 0;
    showLock().setStatePath({});
    CMainFrame frame;
    frame.setGeometry(0, 0, 1000, 420);
    frame.show();
    runEventsFor(400);
    const auto shootViewMenu = [&frame](const QString& name) {
        frame.findChild<CDlgBarMenu*>()->openPopUp(CDlgBarMenu::TitleView);
        runEventsFor(500);
        const QRect area = frame.findChild<CDlgBarMenu*>()->viewMenu()->frameGeometry().united(
            QRect(frame.mapToGlobal(QPoint(0, 0)), QSize(420, 80)));
        const bool saved = save(QGuiApplication::primaryScreen()->grabWindow(0).copy(area), name);
        frame.findChild<CDlgBarMenu*>()->closeAllPopUps();
        return saved;
    };
    bool ok = shootViewMenu("menu-view.png");
    frame.onCommand(kCmdShowLock, 0);
    runEventsFor(300);
    ok = save(frame.findChild<CDlgBarMenu*>()->grab(), "lock-menu-bar.png") && ok;
    ok = shootViewMenu("lock-view-menu.png") && ok;
    shootModal("lock-refused.png", [&] { frame.onCommand(kCmdOpenEnvironment, 0); });
    showLock().unlock();
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/png/128.png")));
    outputDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    bool ok = tourStart();
    ok = tourUpload() && ok;
    ok = tourLock() && ok;
    return ok ? 0 : 1;
}
