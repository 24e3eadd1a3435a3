// Takes the pictures of the alarm cues: twelve simulated receivers (loopback only, in this
// process), each put into one case with the rehearsal control lines, and the main window grabbed
// in every layout mode with the border on and off, plus the journal window and a panel's pop-up.

#include "app/main_frame.h"
#include "chrome/dlg_bar_menu.h"
#include "chrome/dlg_menu_panel.h"
#include "chrome/menu_commands.h"
#include "monitor/corvane_view.h"
#include "monitor/dlg_alarm_journal.h"
#include "protocol/frequency.h"
#include "protocol/settings.h"
#include "sim/control_command.h"
#include "sim/simulator.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

using namespace tessaly;

namespace {

constexpr int kReceivers = 12;
const char* const kNames[kReceivers] = {"Vocal 1", "Offline", "No data",  "Batt low",
                                        "Batt 0",  "RF lost", "Clip",     "Silenced",
                                        "Same fq", "Muted",   "Flapping", "Batt end"};

void spin(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

void control(sim::Simulator& sim, const char* line) {
    sim::ControlCommand command;
    std::string error;
    if (!sim::parseControlLine(line, kReceivers, command, error) ||
        !sim.applyControl(command, &error)) {
        std::fprintf(stderr, "show-shots: %s: %s\n", line, error.c_str());
    }
}

// Waits until the flashing borders are in the wanted phase, a little into it.
void waitForFlash(bool on) {
    for (;;) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
        const bool phaseOn = (ms / kAlarmFlashHalfPeriodMs) % 2 == 0;
        if (phaseOn == on && ms % kAlarmFlashHalfPeriodMs > 150 &&
            ms % kAlarmFlashHalfPeriodMs < 300) {
            return;
        }
        spin(10);
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out =
        QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".")).absolutePath();
    QDir().mkpath(out);

    QTemporaryDir work;
    QDir::setCurrent(work.path());
    {
        QFile ini(QStringLiteral("Tessaly.ini"));
        ini.open(QIODevice::WriteOnly);
        ini.write(QStringLiteral(
                      "[splash]\ntime=0\n[alarm]\nmuted=1\nhold_s=1\njournal=%1/journal.jsonl\n")
                      .arg(work.path())
                      .toUtf8());
    }
    loadSettings();

    sim::Simulator sim;
    sim::SimulatorOptions options;
    options.count = kReceivers;
    options.port = sim::findFreeLoopbackPort(QHostAddress(QStringLiteral("127.0.0.1")), kReceivers);
    QString error;
    if (options.port == 0 || !sim.start(options, &error)) {
        std::fprintf(stderr, "show-shots: no simulator: %s\n", qPrintable(error));
        return 1;
    }

    ReceiverTable table;
    table.count = kReceivers;
    table.portNumber = sim.port();
    table.pollIntervalMs = 100;
    // Long enough that the silent receiver stays connected, with no data, through the pictures.
    table.answerTimeoutMs = 60000;
    for (int n = 1; n <= kReceivers; ++n) {
        ReceiverRecord& record = table.byNumber(n);
        record.ip = sim.address(n).toString().toStdString();
        record.name = kNames[n - 1];
        record.setFrequencyText(khzToText(n == 9 ? 710375 : 710125 + 250 * n));
        record.commState = kCommNotContacted;
    }
    for (int n = 1; n <= kReceivers; ++n) {
        sim::LiveLevels levels;
        levels.rfA = -58 - n;
        levels.rfB = -62 - n;
        levels.af = -18 + n;
        levels.battery = 4;
        sim.setLevels(n, levels);
    }

    CMainFrame frame;
    frame.show();
    CCorvaneView& view = *frame.view();
    view.onInitialUpdate();
    view.control().takeOverTable(table, true);
    frame.onCommand(kCmdLayoutMode, kLayoutLargeHorizontal);
    control(sim, "3 fault silent");
    frame.onCommand(kCmdMonitorStartStop, kSwitchOn);
    spin(1500);

    control(sim, "2 down");
    control(sim, "4 battery 1");
    control(sim, "5 battery 0");
    control(sim, "6 rf -95 -96");
    control(sim, "7 af 19");
    control(sim, "8 battery 1");
    control(sim, "10 mute 1");
    for (int i = 0; i < 6; ++i) { // more starts than flap_count within the window
        control(sim, "11 battery 1");
        spin(700);
        control(sim, "11 battery 4");
        spin(1300);
    }
    // Two level steps make a forecast that ends long before the show does.
    view.setShowEnd((QTime::currentTime().msecsSinceStartOfDay() / 60000 + 120) % (24 * 60));
    control(sim, "12 drain 3");
    spin(7000);
    control(sim, "12 drain 0");
    view.control().show().silence(8, 60);
    view.control().show().acknowledgeAll(4); // steady border beside the flashing ones
    spin(500);

    const char* modeNames[kLayoutModeCount] = {"large-vertical", "large-horizontal",
                                               "small-vertical", "small-horizontal"};
    for (int mode : {1, 0, 2, 3}) {
        frame.onCommand(kCmdLayoutMode, mode);
        frame.resize(1800, 1300);
        spin(800);
        waitForFlash(true);
        frame.grab().save(QStringLiteral("%1/show-%2-flash-on.png").arg(out, modeNames[mode]));
        waitForFlash(false);
        frame.grab().save(QStringLiteral("%1/show-%2-flash-off.png").arg(out, modeNames[mode]));
    }
    frame.onCommand(kCmdLayoutMode, kLayoutLargeHorizontal);
    spin(500);
    frame.findChild<CDlgBarMenu*>()->grab().save(
        QStringLiteral("%1/show-menu-bar-count.png").arg(out));

    view.showAlarmJournal(5);
    spin(1200);
    view.alarmJournal()->grab().save(QStringLiteral("%1/show-alarm-journal.png").arg(out));
    view.alarmJournal()->hide();

    view.openPanelMenu(4, frame.mapToGlobal(QPoint(300, 300)));
    spin(300);
    view.panelMenu()->grab().save(QStringLiteral("%1/show-panel-menu.png").arg(out));
    view.panelMenu()->hide();

    // Answers return: live again within one refresh.
    control(sim, "2 up");
    control(sim, "3 fault none");
    spin(6000);
    frame.grab().save(QStringLiteral("%1/show-large-horizontal-back.png").arg(out));

    frame.onCommand(kCmdMonitorStartStop, kSwitchOff);
    spin(300);
    sim.stop();
    return 0;
}
