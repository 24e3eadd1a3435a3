// Grabs the receiver configuration dialogs as the operator sees them, against simulated
// receivers on loopback, and saves them as PNG files:
//   xvfb-run -a -s "-screen 0 1920x1080x24" dialog_tour <output directory>
#include "chrome/ap_list_ctrl.h"
#include "chrome/comb_color.h"
#include "dialogs/dlg_config_recv.h"
#include "dialogs/dlg_coordinate.h"
#include "dialogs/dlg_disp_receiver_inf.h"
#include "dialogs/dlg_get_receiver_inf.h"
#include "dialogs/dlg_input_ip.h"
#include "dialogs/dlg_ref_arp.h"
#include "dialogs/dlg_set_comment.h"
#include "dialogs/dlg_set_freq.h"
#include "dialogs/dlg_set_recv_inf.h"
#include "dialogs/dlg_set_recv_name.h"
#include "dialogs/dlg_tool_set_matrix.h"
#include "tests/support/fake_neighbour_finder.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scripted_prompts.h"
#include "tests/support/simulated_receivers.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QToolTip>

#include <cstdio>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

QString outputDir;

bool save(QWidget& widget, const QString& name, int settleMs = 200) {
    runEventsFor(settleMs);
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
    waitUntil([&] { return dialog.findChild<QLabel*>("progressLine")->text().contains("[6/8]"); },
              20000);
    bool ok = save(dialog, "dialog-progress.png");
    dialog.findChild<QPushButton*>("stopButton")->click();
    waitUntil([&] { return dialog.busy() == 0; }, 20000);
    ok = save(dialog, "dialog-progress-stopped.png") && ok;
    dialog.findChild<QPushButton*>("stopButton")->click();
    return ok;
}

// A sweep that takes its time, as a real one does, so that the search can be photographed.
class SlowLan : public FakeNeighbourFinder {
public:
    void sweepLocalSubnets() override {
        FakeNeighbourFinder::sweepLocalSubnets();
        QThread::msleep(1500);
    }
};

bool tourIpSearch() {
    auto lan = std::make_shared<SlowLan>();
    std::vector<NeighbourEntry> entries;
    for (const int host : {121, 9, 23, 104, 60, 22}) { // neighbour-table order
        entries.push_back(
            neighbour(QString("192.168.1.%1").arg(host),
                      QString("0A-54-53-00-1D-%1").arg(host, 2, 16, QChar('0')).toUpper()));
    }
    lan->setEntries(entries);
    CDlgRefArp dialog(nullptr, lan);
    bool ok = false;
    QTimer::singleShot(900, &dialog,
                       [&] { ok = save(dialog, "dialog-ip-search-searching.png", 0); });
    dialog.open();
    waitUntil([&] { return dialog.ready(); });
    dialog.list()->setCheck(1, true);
    dialog.list()->setCheck(4, true);
    ok = save(dialog, "dialog-ip-search.png") && ok;
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
    const char* const names[] = {"SAXOPHONE1", "WORSHIP MD", "WWWWWWWWWW", "VOCAL 4", "BASS"};
    for (int n = 1; n <= 5; ++n) {
        const QString mac = QString("0A-54-53-00-00-%1").arg(n, 2, 10, QChar('0'));
        receivers.table.byNumber(n).mac = mac.toStdString();
        receivers.table.byNumber(n).name = names[n - 1];
        if (n != 4) { // receiver 4 is switched off
            entries.push_back(neighbour(QString("127.0.0.%1").arg(n), mac));
        }
    }
    lan->setEntries(entries);
    auto prompts = std::make_shared<ScriptedPrompts>();
    CDlgConfigRecv dialog(nullptr, lan, loopbackEngineOptions(), nullptr, prompts);
    dialog.table().copyFrom(receivers.table);
    dialog.open();
    waitUntil([&] { return dialog.ready(); });
    bool ok = save(dialog, "dialog-configuration.png");
    prompts->answers = {PromptAnswer::Ok};
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

bool tourReceiverSettings() {
    ReceiverTable table;
    table.count = 2;
    ReceiverRecord& r = table.byNumber(2);
    r.name = "Vocal 2";
    r.setFrequencyText("710.250"); // band 2: no middle RF power
    r.afVolume = -6;
    r.lineMic = 0;
    r.rxKeyLock = 1;
    r.rxKeyLockPin = 7;
    r.squelch = 32;
    r.rfPower = 3;
    r.micGain = 12;
    r.batteryKind = 1;
    CDlgSetRecvInf dialog(nullptr, false, 2, table);
    dialog.open();
    const bool ok = save(dialog, "editor-settings.png");
    dialog.done(QDialog::Rejected);
    return ok;
}

// The picker is its closed list with the list dropped down below it, over a panel's frequency:
// the picture shows that part of the screen.
bool tourFrequencyPicker() {
    QLabel backdrop(QStringLiteral("  panel of receiver 2\n\n  710.125 MHz"));
    backdrop.setStyleSheet(QStringLiteral("background: #09122F; color: #80C0FF;"));
    backdrop.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    backdrop.setGeometry(100, 100, 300, 320);
    backdrop.show();
    ReceiverTable table;
    table.count = 3;
    table.byNumber(1).setFrequencyText("710.375");
    table.byNumber(2).setFrequencyText("710.125");
    table.byNumber(3).setFrequencyText("710.750");
    CDlgSetFreq picker(nullptr, false, 2, table, {QPoint(108, 130), 110, 18, 13, 0});
    picker.open();
    runEventsFor(300);
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0, 100, 100, 300, 320);
    const QString path = QDir(outputDir).filePath("editor-frequency.png");
    const bool ok = screen.save(path);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
    picker.channelList()->hidePopup();
    runEventsFor(50);
    return ok;
}

// Twelve receivers with two on one channel and products that hit: the marks, the summary line
// and a row's tooltip, then the proposal of Coordinate... and the picker's marks.
bool tourCoordination() {
    const char* freqs[] = {"710.125", "710.375", "710.125", "709.875", "712.500", "711.000",
                           "946.125", "946.625", "947.500", "704.125", "704.500", "715.000"};
    ReceiverTable table;
    table.count = 12;
    for (int n = 1; n <= 12; ++n) {
        ReceiverRecord& r = table.byNumber(n);
        r.ip = "127.0.0." + std::to_string(n);
        r.name = "MIC " + std::to_string(n);
        r.setFrequencyText(freqs[n - 1]);
    }
    auto lan = std::make_shared<FakeNeighbourFinder>();
    CDlgConfigRecv dialog(nullptr, lan, loopbackEngineOptions());
    dialog.table().copyFrom(table);
    dialog.move(40, 40);
    dialog.open();
    waitUntil([&] { return dialog.ready(); });
    bool ok = save(dialog, "dialog-configuration-conflicts.png");
    CApListCtrl* list = dialog.list();
    const QRect cell = list->visualItemRect(list->item(0, 0));
    QToolTip::showText(list->viewport()->mapToGlobal(cell.center()), list->item(0, 0)->toolTip(),
                       list->viewport());
    runEventsFor(400);
    const QRect area(dialog.geometry().topLeft(), QSize(dialog.frameGeometry().width(), 320));
    const QPixmap tip = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y() + 60,
                                                                     area.width(), area.height());
    const QString tipPath = QDir(outputDir).filePath("dialog-configuration-conflict-tooltip.png");
    ok = tip.save(tipPath) && ok;
    std::printf("saved %s\n", qPrintable(tipPath));
    QToolTip::hideText();

    CDlgCoordinate proposal(nullptr, table, 0, coordinationThresholds(), kBandJpn);
    proposal.open();
    ok = save(proposal, "dialog-coordinate.png") && ok;
    proposal.done(QDialog::Rejected);
    dialog.done(QDialog::Rejected);

    QLabel backdrop(QStringLiteral("  panel of receiver 5\n\n  712.500 MHz"));
    backdrop.setStyleSheet(QStringLiteral("background: #09122F; color: #80C0FF;"));
    backdrop.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    backdrop.setGeometry(100, 100, 300, 420);
    backdrop.show();
    CDlgSetFreq picker(nullptr, false, 5, table, {QPoint(108, 130), 110, 18, 13, 0});
    picker.open();
    runEventsFor(300);
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0, 100, 100, 300, 420);
    const QString path = QDir(outputDir).filePath("editor-frequency-conflicts.png");
    ok = screen.save(path) && ok;
    std::printf("saved %s\n", qPrintable(path));
    picker.channelList()->hidePopup();
    runEventsFor(50);
    return ok;
}

bool tourReceiverInformation() {
    ReceiverRecord r;
    r.name = "Vocal 2";
    r.afVolume = -4;
    r.lineMic = 1;
    r.antennaSwitch = 2; // unknown: shown empty and grey
    r.squelch = 26;
    r.rfPower = 2;
    r.micGain = 14;
    r.txKeyLock = 1;
    CDlgDispReceiverInf dialog(nullptr, 2, r);
    dialog.open();
    const bool ok = save(dialog, "editor-information.png");
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
    ok = tourReceiverSettings() && ok;
    ok = tourFrequencyPicker() && ok;
    ok = tourReceiverInformation() && ok;
    ok = tourCoordination() && ok;
    return ok ? 0 : 1;
}
