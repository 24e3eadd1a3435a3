// Grabs the receiver configuration dialogs as the operator sees them, against simulated
// receivers on loopback, and saves them as PNG files:
//   xvfb-run -a -s "-screen 0 1920x1080x24" dialog_tour <output directory>
#include "chrome/ap_list_ctrl.h"
#include "dialogs/dlg_config_recv.h"
#include "dialogs/dlg_get_receiver_inf.h"
#include "dialogs/dlg_input_ip.h"
#include "dialogs/dlg_ref_arp.h"
#include "dialogs/dlg_set_comment.h"
#include "dialogs/dlg_set_recv_name.h"
#include "dialogs/dlg_tool_set_matrix.h"
#include "tests/dialogs/dialog_test_support.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <cstdio>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

QString outputDir;

bool save(QWidget& widget, const QString& name) {
    runEventsFor(200);
    const QString path = QDir(outputDir).filePath(name);
    const bool saved = widget.grab().save(path);
    std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(path));
    return saved;
}

bool tourProgress() {
    SimulatedReceivers receivers;
    if (!receivers.start(8)) {
        return false;
    }
    receivers.simulator.setFault(3, sim::makeFault(sim::FaultKind::Silent));
    receivers.simulator.setFault(6, sim::makeFault(sim::FaultKind::Late, 40));
    CDlgGetReceiverInf dialog(nullptr, loopbackEngineOptions());
    dialog.setMode(kGetInfModeDownload);
    dialog.table().copyFrom(receivers.table);
    dialog.open();
    waitUntil([&] { return dialog.progressLine()->text().contains("[6/8]"); }, 20000);
    bool ok = save(dialog, "dialog-progress.png");
    dialog.stopButton()->click();
    waitUntil([&] { return dialog.busy() == 0; }, 20000);
    ok = save(dialog, "dialog-progress-stopped.png") && ok;
    dialog.stopButton()->click();
    return ok;
}

bool tourIpSearch() {
    auto lan = std::make_shared<FakeNeighbourFinder>();
    std::vector<NeighbourEntry> entries;
    for (int n = 1; n <= 6; ++n) {
        entries.push_back(neighbour(QString("192.168.1.%1").arg(20 + n),
                                    QString("0A-54-53-00-10-%1").arg(n, 2, 10, QChar('0'))));
    }
    lan->setEntries(entries);
    CDlgRefArp dialog(nullptr, lan);
    dialog.open();
    waitUntil([&] { return dialog.ready(); });
    dialog.list()->setCheck(1, true);
    dialog.list()->setCheck(4, true);
    const bool ok = save(dialog, "dialog-ip-search.png");
    dialog.done(QDialog::Rejected);
    return ok;
}

bool tourConfiguration() {
    SimulatedReceivers receivers;
    if (!receivers.start(5)) {
        return false;
    }
    receivers.simulator.setFault(4, sim::makeFault(sim::FaultKind::Silent));
    auto lan = std::make_shared<FakeNeighbourFinder>();
    std::vector<NeighbourEntry> entries;
    for (int n = 1; n <= 5; ++n) {
        entries.push_back(neighbour(QString("127.0.0.%1").arg(n),
                                    QString("0A-54-53-00-00-%1").arg(n, 2, 10, QChar('0'))));
    }
    lan->setEntries(entries);
    CDlgConfigRecv dialog(nullptr, lan, loopbackEngineOptions());
    dialog.table().copyFrom(receivers.table);
    dialog.open();
    waitUntil([&] { return dialog.ready(); });
    bool ok = save(dialog, "dialog-configuration.png");
    ScriptedPrompts prompts;
    prompts.answers = {PromptAnswer::Ok};
    dialog.download();
    waitUntil([&] { return dialog.operationKind() == kOperationIdle; }, 20000);
    ok = save(dialog, "dialog-configuration-downloaded.png") && ok;
    dialog.done(QDialog::Rejected);

    CDlgInputIP input(nullptr, lan, loopbackEngineOptions());
    input.setMode(kInputModeEdit);
    input.setReceiverNumber(2);
    input.table().copyFrom(dialog.table());
    input.record().copyFrom(dialog.table().byNumber(2));
    input.open();
    ok = save(input, "dialog-input-ip.png") && ok;
    input.done(QDialog::Rejected);
    return ok;
}

bool tourCommentEditor() {
    CDlgSetComment dialog(nullptr, 2,
                          QStringLiteral("Spare for the choir.\r\nBattery changed at 18:30."),
                          QStringLiteral("Vocal 2"));
    dialog.open();
    const bool ok = save(dialog, "editor-comment.png");
    dialog.done(QDialog::Rejected);
    return ok;
}

// The name editor is a bare edit over a panel's name: the picture shows it with what lies
// around it on the screen.
bool tourNameEditor() {
    QLabel backdrop(QStringLiteral("  panel of receiver 3"));
    backdrop.setStyleSheet(QStringLiteral("background: #09122F; color: #80C0FF;"));
    backdrop.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    backdrop.setGeometry(100, 100, 260, 80);
    backdrop.show();
    ReceiverTable table;
    table.count = 3;
    table.byNumber(3).name = "Vocal 3";
    CDlgSetRecvName editor(nullptr, {QPoint(140, 140), 96, 18, 12}, false, 3, table);
    editor.open();
    runEventsFor(200);
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0, 100, 100, 260, 80);
    const QString path = QDir(outputDir).filePath("editor-name.png");
    const bool ok = screen.save(path);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
    editor.reject();
    return ok;
}

bool tourMatrix() {
    DisplayState display;
    CDlgToolSetMatrix dialog(nullptr, display);
    dialog.fillList(kLayoutLargeVertical)->setCurrentIndex(6);
    dialog.open();
    const bool ok = save(dialog, "editor-matrix.png");
    dialog.done(QDialog::Rejected);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    outputDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(outputDir);
    bool ok = tourProgress();
    ok = tourIpSearch() && ok;
    ok = tourConfiguration() && ok;
    ok = tourCommentEditor() && ok;
    ok = tourNameEditor() && ok;
    ok = tourMatrix() && ok;
    return ok ? 0 : 1;
}
