// The show's watch through the real main window, view and monitor engines against simulated
// receivers on loopback: the no-data look and its debounce, the alarm count and acknowledge
// path from a panel's pop-up to the menu bar, the journal window, and silences that end.

#include "app/main_frame.h"
#include "chrome/dlg_bar_menu.h"
#include "chrome/menu_commands.h"
#include "core/app_message.h"
#include "history/history_file.h"
#include "monitor/corvane_view.h"
#include "monitor/dlg_alarm_journal.h"
#include "monitor/monitor_engine_table.h"
#include "protocol/frequency.h"
#include "protocol/pending_changes.h"
#include "protocol/program_flags.h"
#include "protocol/settings.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_until.h"

#include <QFile>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

#include <set>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

constexpr int kReceivers = 3;
constexpr int kRefreshMs = 100;

class ShowWatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString(state.path()));
        displayState() = DisplayState{};
        displayState().layoutMode = kLayoutSmallHorizontal;
        programReceiverTable().reset();
        programMonitorValues().reset();
        programFlags().monitoring = 0;
        ASSERT_TRUE(receivers.start(kReceivers));
        for (int n = 1; n <= kReceivers; ++n) {
            receivers.table.byNumber(n).setFrequencyText(khzToText(710125 + 1000 * n));
            sim::LiveLevels levels;
            levels.battery = 3;
            receivers.simulator.setLevels(n, levels);
        }
        receivers.table.pollIntervalMs = 50;
        EngineOptions engines = loopbackEngineOptions();
        engines.reconnectDelayMs = 200; // reconnect cycles within the test's time
        frame = std::make_unique<CMainFrame>(
            new CCorvaneView(
                nullptr,
                monitorThreadFactory(&programReceiverTable(), &programMonitorValues(), engines),
                loadPanelPng, nullptr, nullptr, prompts),
            nullptr, systemFrameDesktop(), prompts);
        view().onInitialUpdate();
        view().control().takeOverTable(receivers.table, false);
        clearPendingChanges(programReceiverTable()); // Start without the list of changes to send
        frame->onCommand(kCmdMonitorStartStop, kSwitchOn);
        ASSERT_TRUE(waitUntil(
            [&] {
                for (int n = 1; n <= kReceivers; ++n) {
                    if (watch().model().receiver(n).liveness != show::Liveness::Live) {
                        return false;
                    }
                }
                return true;
            },
            5000));
    }
    void TearDown() override {
        frame.reset();
        qunsetenv("XDG_STATE_HOME");
    }

    CCorvaneView& view() { return *frame->view(); }
    CShowWatch& watch() { return view().control().show(); }
    const PanelShowState& panel(int n) { return watch().panelState(n); }
    void control(const char* line) {
        sim::ControlCommand command;
        std::string error;
        ASSERT_TRUE(sim::parseControlLine(line, kReceivers, command, error)) << error;
        ASSERT_TRUE(receivers.simulator.applyControl(command, &error)) << error;
    }
    // The panel states seen at every refresh for `ms`.
    std::vector<PanelShowState> watchPanel(int n, int ms) {
        std::vector<PanelShowState> seen;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            waitUntil([] { return false; }, kRefreshMs);
            seen.push_back(panel(n));
        }
        return seen;
    }
    // Where the view shows `n`'s alarm label, in viewport coordinates.
    QPoint labelCentre(int n) {
        const QRect label =
            panelLabelRect(view().renderer().layoutMode())
                .translated(view().renderer().panel(n).origin - view().scrollPosition());
        return label.center();
    }

    TempDir state;
    SimulatedReceivers receivers;
    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(ShowWatchTest, StaleValuesShowTheNoDataLookWithoutBlinkingAndLiveAgainWhenAnswersReturn) {
    receivers.simulator.stopReceiver(2);
    ASSERT_TRUE(waitUntil([&] { return panel(2).look == PanelLook::Offline; }, 2000));
    // The idle meters and the remembered battery level, never the last live values.
    EXPECT_EQ(view().renderer().panel(2).cache.rfLevelA, kRfLevelMin);
    EXPECT_EQ(view().renderer().panel(2).cache.afLevel, kAfLevelMin);
    EXPECT_EQ(panel(2).staleBattery, 3);
    EXPECT_FALSE(panel(2).age.isEmpty());

    // A receiver that takes connections but never answers: no data, then offline, and it stays
    // offline through its reconnect cycles instead of blinking between the two.
    control("3 fault silent");
    ASSERT_TRUE(waitUntil([&] { return panel(3).look == PanelLook::Offline; }, 3000));
    for (const PanelShowState& seen : watchPanel(3, 1500)) {
        EXPECT_EQ(seen.look, PanelLook::Offline);
    }
    for (const PanelShowState& seen : watchPanel(2, 300)) {
        EXPECT_EQ(seen.look, PanelLook::Offline);
    }

    control("3 fault none");
    ASSERT_TRUE(receivers.simulator.startReceiver(2));
    ASSERT_TRUE(waitUntil([&] { return panel(2).live() && panel(3).live(); }, 4000));
    EXPECT_NE(view().renderer().panel(2).cache.rfLevelA, kRfLevelMin);
    EXPECT_EQ(panel(1).look, PanelLook::Live); // its neighbour never left
}

TEST_F(ShowWatchTest, AlarmCountFollowsAlarmsAndAcknowledgementsFromThePanelPopUp) {
    CDlgBarMenu& bar = *frame->findChild<CDlgBarMenu*>();
    EXPECT_EQ(bar.alarmCount(), 0);
    control("1 battery 0");
    ASSERT_TRUE(waitUntil([&] { return bar.alarmCount() > 0; }, 2000));
    EXPECT_EQ(bar.alarmCount(), watch().unacknowledgedCount());
    EXPECT_EQ(bar.alarmCountText(), QStringLiteral("%1 ALARMS").arg(bar.alarmCount()));
    EXPECT_EQ(panel(1).label, "BATT 0");
    EXPECT_TRUE(panel(1).critical);
    std::set<bool> phases;
    for (const PanelShowState& seen : watchPanel(1, 1200)) {
        phases.insert(seen.borderShown);
    }
    EXPECT_EQ(phases, (std::set<bool>{false, true})) << "an unacknowledged alarm flashes";

    view().openPanelMenu(1, QPoint(10, 10));
    sendAppMessage(&view(), kCmdPanelAcknowledge, 0);
    EXPECT_EQ(bar.alarmCount(), 0);
    EXPECT_EQ(bar.alarmCountText(), "NO ALARMS");
    for (const PanelShowState& seen : watchPanel(1, 1200)) {
        EXPECT_TRUE(seen.borderShown) << "an acknowledged alarm's border stays";
        EXPECT_EQ(seen.label, "BATT 0");
    }

    // A click on the label opens the journal on that receiver's alarms.
    const QPointF at = labelCentre(1);
    QMouseEvent press(QEvent::MouseButtonPress, at, view().viewport()->mapToGlobal(at),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view().viewport(), &press);
    CDlgAlarmJournal* journal = view().alarmJournal();
    ASSERT_NE(journal, nullptr);
    EXPECT_TRUE(journal->isVisible());
    ASSERT_GE(journal->table()->rowCount(), 1);
    EXPECT_EQ(journal->table()->item(0, CDlgAlarmJournal::ColState)->text(), "acknowledged");

    const std::string csv = state.file("alarms.csv");
    prompts->paths.push_back(QString::fromStdString(csv));
    journal->findChild<QPushButton*>("exportButton")->click();
    QFile file(QString::fromStdString(csv));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    EXPECT_TRUE(lines[0].startsWith("\"Rx\",\"Name\",\"Frequency\",\"Alarm\""));
    EXPECT_EQ(lines.size(), journal->table()->rowCount() + 2); // header, rows, final line end
}

TEST_F(ShowWatchTest, EveryRefreshPublishesASnapshotWithTheOperatorsEventsAndStopSaysSo) {
    std::vector<show::ShowSnapshotPtr> seen;
    const int key =
        watch().snapshotHub().subscribe([&](const show::ShowSnapshotPtr& s) { seen.push_back(s); });
    control("1 battery 0");
    ASSERT_TRUE(waitUntil([&] { return watch().unacknowledgedCount() > 0; }, 2000));
    view().openPanelMenu(1, QPoint(10, 10));
    sendAppMessage(&view(), kCmdPanelAcknowledge, 0);
    waitUntil([] { return false; }, 2 * kRefreshMs);
    frame->onCommand(kCmdMonitorStartStop, kSwitchOff);
    ASSERT_TRUE(waitUntil([&] { return !watch().snapshotHub().latest()->monitoring; }, 1000));
    watch().snapshotHub().unsubscribe(key);

    ASSERT_GE(seen.size(), 3u);
    std::vector<uint64_t> acked;
    for (size_t i = 0; i + 1 < seen.size(); ++i) {
        EXPECT_TRUE(seen[i]->monitoring);
        EXPECT_EQ(seen[i]->receivers.size(), size_t{kReceivers});
        EXPECT_EQ(seen[i + 1]->sequence, seen[i]->sequence + 1);
        for (const show::AlarmEvent& e : seen[i]->events) {
            if (e.type == show::AlarmEventType::Ack) {
                acked.push_back(e.alarmId);
            }
        }
    }
    ASSERT_FALSE(acked.empty()) << "the acknowledgement between refreshes goes out";
    EXPECT_EQ(std::set<uint64_t>(acked.begin(), acked.end()).size(), acked.size())
        << "and only once";
    EXPECT_FALSE(seen.back()->monitoring);
    EXPECT_TRUE(seen.back()->receivers.empty());
}

TEST_F(ShowWatchTest, SilenceFromThePopUpShowsSilencedAndEndsWhenItsTimeIsUp) {
    int64_t wallOffsetMs = 0;
    watch().setClock([&] {
        show::ShowTime now = show::ShowTime::now();
        now.wallMs += wallOffsetMs;
        return now;
    });
    control("3 battery 1");
    ASSERT_TRUE(waitUntil([&] { return panel(3).label == "BATT LOW"; }, 2000));

    view().openPanelMenu(3, QPoint(10, 10));
    sendAppMessage(&view(), kCmdPanelSilence, 15);
    ASSERT_TRUE(waitUntil([&] { return panel(3).label == "SILENCED"; }, 1000));
    EXPECT_FALSE(panel(3).borderShown);
    EXPECT_EQ(frame->findChild<CDlgBarMenu*>()->alarmCount(), 0);
    EXPECT_TRUE(watch().model().receiver(3).silenced);

    wallOffsetMs = 14 * 60 * 1000;
    waitUntil([] { return false; }, 3 * kRefreshMs);
    EXPECT_EQ(panel(3).label, "SILENCED") << "still within its quarter of an hour";

    wallOffsetMs = 16 * 60 * 1000;
    ASSERT_TRUE(waitUntil([&] { return panel(3).label == "BATT LOW"; }, 1000));
    EXPECT_FALSE(watch().model().receiver(3).silenced);
    EXPECT_EQ(frame->findChild<CDlgBarMenu*>()->alarmCount(), 1);

    // Until unsilenced lasts until the operator says so.
    sendAppMessage(&view(), kCmdPanelSilence, 0);
    wallOffsetMs = 48LL * 3600 * 1000;
    waitUntil([] { return false; }, 3 * kRefreshMs);
    EXPECT_EQ(panel(3).label, "SILENCED");
    sendAppMessage(&view(), kCmdPanelUnsilence, 0);
    ASSERT_TRUE(waitUntil([&] { return panel(3).label == "BATT LOW"; }, 1000));
}

TEST_F(ShowWatchTest, MonitoringRecordsTheShowHistoryInTheDailyFileBesideTheJournal) {
    ASSERT_TRUE(waitUntil([&] { return watch().history() != nullptr; }, 2000));
    const QString path = watch().historyPath();
    EXPECT_TRUE(path.startsWith(QString::fromStdString(state.path()) + "/tessaly/history-"));
    ASSERT_TRUE(
        waitUntil([&] { return watch().history()->rowsWritten() >= 2 * kReceivers; }, 8000));
    history::HistoryReader reader(path);
    ASSERT_TRUE(reader.isOpen()) << reader.errorText().toStdString();
    EXPECT_EQ(reader.receivers().size(), size_t{kReceivers});
    const auto rows = reader.rows(2, 0, INT64_MAX / 2);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.back().battery, 3);
    EXPECT_TRUE(watch().history()->errorText().isEmpty());
}

} // namespace
