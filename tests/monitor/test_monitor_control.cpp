#include "monitor/monitor_control.h"

#include "core/message_codes.h"
#include "tests/monitor/synthetic_panel_images.h"

#include "tests/support/wait_until.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace tessaly;
using tessaly::testing::waitUntil;

namespace {

// Everything the engines were told, in order: (receiver number, code), quit as code 0.
struct EngineLog {
    std::vector<std::pair<int, int>> events;
    std::vector<int> created;
    std::vector<int> deleted;
    qintptr lastStartValue = -1;

    int count(int code) const {
        int n = 0;
        for (const auto& event : events) {
            n += event.second == code ? 1 : 0;
        }
        return n;
    }
};

class RecordingEngine : public IMonitorEngine {
public:
    RecordingEngine(EngineLog& log, int number, bool endsOnQuit)
        : log_(log), number_(number), endsOnQuit_(endsOnQuit) {}
    ~RecordingEngine() override { log_.deleted.push_back(number_); }
    void post(int code, qintptr value) override {
        log_.events.emplace_back(number_, code);
        if (code == kEvMonitorStart) {
            log_.lastStartValue = value;
        }
    }
    void requestQuit() override {
        log_.events.emplace_back(number_, 0);
        quit_ = true;
    }
    bool hasEnded() const override { return quit_ && endsOnQuit_; }

private:
    EngineLog& log_;
    int number_;
    bool endsOnQuit_;
    bool quit_ = false;
};

class FakeHost : public IMonitorHost {
public:
    void layoutBuilt() override { ++layoutBuilds; }
    void invalidate() override { ++invalidations; }
    bool hasMainWindow() const override { return true; }
    bool mainWindowMaximised() const override { return maximised; }
    QRect mainWindowRect() const override { return windowRect; }
    void placeMainWindow(const QRect& outer) override {
        placed.push_back(outer);
        windowRect = outer;
    }
    void resizeMainWindow(QSize outer) override {
        resized.push_back(outer);
        windowRect.setSize(outer);
    }
    PlatformMetrics platformMetrics() const override {
        PlatformMetrics m;
        m.captionHeight = 20;
        m.sizingFrameWidth = m.sizingFrameHeight = 4;
        m.verticalScrollBarWidth = m.horizontalScrollBarHeight = 16;
        m.screen = QSize(1920, 1080);
        m.workArea = QSize(1920, 1050);
        return m;
    }

    void imageCreationFailed() override { ++imageFailures; }

    int layoutBuilds = 0;
    int imageFailures = 0;
    int invalidations = 0;
    bool maximised = false;
    QRect windowRect{100, 100, 800, 600};
    std::vector<QRect> placed;
    std::vector<QSize> resized;
};

class MonitorControlTest : public ::testing::Test {
protected:
    MonitorControlTest() { makeControl(); }

    void makeControl() {
        MonitorControlOptions options;
        options.refreshIntervalMs = 20;
        options.restartDelayMs = 100;
        options.nameDev = 1;
        options.sleep = [this](int ms) { sleeps.push_back(ms); };
        control = std::make_unique<CMonitorControl>(
            renderer, host, table, values, display,
            [this](int number) -> std::unique_ptr<IMonitorEngine> {
                log.created.push_back(number);
                return std::make_unique<RecordingEngine>(log, number, number != stuckEngine);
            },
            options);
        control->initialUpdate(QSize(1920, 1080));
    }

    ReceiverTable tableOf(int count) {
        ReceiverTable next;
        next.count = count;
        next.displayMode = display.layoutMode;
        for (int n = 1; n <= count; ++n) {
            next.byNumber(n).name = "Receiver " + std::to_string(n);
            next.byNumber(n).setFrequencyText("710.125");
        }
        return next;
    }

    EngineLog log;
    std::vector<int> sleeps;
    int stuckEngine = 0;
    FakeHost host;
    ReceiverTable table;
    MonitorValueTable values;
    DisplayState display;
    CPanelRenderer renderer{tessaly::testing::syntheticPanelPng};
    std::unique_ptr<CMonitorControl> control;
};

} // namespace

TEST_F(MonitorControlTest, StartAndStopReachEveryEngine) {
    control->takeOverTable(tableOf(3), false);
    EXPECT_EQ(log.created, (std::vector<int>{1, 2, 3}));

    EXPECT_TRUE(control->handleCommand(kCmdMonitorStartStop, kMonitoringStart));
    EXPECT_TRUE(control->monitoring());
    EXPECT_TRUE(control->refreshTimerActive());
    EXPECT_EQ(log.count(kEvMonitorStart), 3);
    EXPECT_EQ(log.lastStartValue, 1); // monitor/name_dev

    values.byNumber(2).rfLevelA = -700;
    const int before = host.invalidations;
    ASSERT_TRUE(waitUntil([&] { return renderer.cache(2).rfLevelA == -700; }));
    EXPECT_GT(host.invalidations, before);

    EXPECT_TRUE(control->handleCommand(kCmdMonitorStartStop, kMonitoringStop));
    EXPECT_FALSE(control->monitoring());
    EXPECT_FALSE(control->refreshTimerActive());
    EXPECT_EQ(log.count(kEvMonitorStop), 3);
    EXPECT_EQ(values.byNumber(2).rfLevelA.load(), kNoLevel); // values reset
    EXPECT_EQ(renderer.cache(1).name, "Receiver 1");         // idle form drawn

    EXPECT_FALSE(control->handleCommand(3003, 0)); // not this unit's
    EXPECT_FALSE(control->handleCommand(kEvMonitorStart, 0));
}

TEST_F(MonitorControlTest, ReplacingTheTableWhileMonitoringRestartsTheEngines) {
    control->takeOverTable(tableOf(3), false);
    control->handleCommand(kCmdMonitorStartStop, kMonitoringStart);
    log.events.clear();

    QElapsedTimer clock;
    clock.start();
    control->takeOverTable(tableOf(5), false);
    EXPECT_EQ(log.count(kEvMonitorStop), 3);
    EXPECT_EQ(log.created, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(control->threadCount(), 5);
    EXPECT_FALSE(control->refreshTimerActive());
    EXPECT_EQ(log.count(kEvMonitorStart), 0);

    ASSERT_TRUE(waitUntil([&] { return log.count(kEvMonitorStart) == 5; }));
    EXPECT_GE(clock.elapsed(), 90);
    EXPECT_TRUE(control->refreshTimerActive());

    // Fewer receivers later: the five are stopped, the engines stay, and only the first two
    // are started again.
    log.events.clear();
    control->takeOverTable(tableOf(2), false);
    EXPECT_EQ(log.count(kEvMonitorStop), 5);
    EXPECT_EQ(log.created.size(), 5u);
    EXPECT_EQ(control->engines().engineCount(), 5);
    ASSERT_TRUE(waitUntil([&] { return log.count(kEvMonitorStart) == 2; }));
    control->handleCommand(kCmdMonitorStartStop, kMonitoringStop);
    EXPECT_EQ(log.count(kEvMonitorStop), 5 + 2);
}

TEST_F(MonitorControlTest, StoppingDuringTheRestartDelayKeepsTheEnginesStopped) {
    control->takeOverTable(tableOf(2), false);
    control->handleCommand(kCmdMonitorStartStop, kMonitoringStart);
    control->takeOverTable(tableOf(3), false);
    control->handleCommand(kCmdMonitorStartStop, kMonitoringStop);
    log.events.clear();
    QElapsedTimer clock;
    clock.start();
    waitUntil([&] { return clock.elapsed() > 200; });
    EXPECT_EQ(log.count(kEvMonitorStart), 0);
    EXPECT_FALSE(control->refreshTimerActive());
}

TEST_F(MonitorControlTest, DestructionWhileMonitoringStopsThenEndsTheEngines) {
    control->takeOverTable(tableOf(3), false);
    control->handleCommand(kCmdMonitorStartStop, kMonitoringStart);
    log.events.clear();
    sleeps.clear();
    control.reset();

    // 2007 to every engine, 100 ms, then the quit requests.
    ASSERT_EQ(log.events.size(), 6u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(log.events[static_cast<size_t>(i)], std::make_pair(i + 1, kEvMonitorStop));
        EXPECT_EQ(log.events[static_cast<size_t>(i + 3)].second, 0);
    }
    ASSERT_FALSE(sleeps.empty());
    EXPECT_EQ(sleeps.front(), 100);
    EXPECT_EQ(log.deleted.size(), 3u);
}

TEST_F(MonitorControlTest, AnEngineThatDoesNotEndIsLeftAfterAThousandChecks) {
    stuckEngine = 2;
    control.reset();
    log = {};
    makeControl();
    control->takeOverTable(tableOf(3), false);
    sleeps.clear();
    control.reset();
    EXPECT_EQ(log.deleted, (std::vector<int>{1, 3}));
    EXPECT_EQ(sleeps.size(), 1000u);
    EXPECT_EQ(sleeps.back(), 10);
}

TEST_F(MonitorControlTest, RfUnitInASmallModeIsOnlyStored) {
    control->takeOverTable(tableOf(2), false);
    control->handleCommand(kCmdLayoutMode, kLayoutSmallHorizontal);
    const int builds = host.layoutBuilds;
    control->handleCommand(kCmdRfUnit, kRfUnitMw);
    EXPECT_EQ(host.layoutBuilds, builds);
    EXPECT_EQ(control->rfUnit(), kRfUnitMw);

    control->handleCommand(kCmdLayoutMode, kLayoutLargeVertical);
    EXPECT_EQ(renderer.rfUnit(), kRfUnitMw); // the mW labels are drawn in mode 0
    control->handleCommand(kCmdRfUnit, kRfUnitDbm);
    EXPECT_EQ(host.layoutBuilds, builds + 2);
    EXPECT_EQ(renderer.rfUnit(), kRfUnitDbm);

    control->handleCommand(kCmdLayoutMode, 7); // no such mode
    EXPECT_EQ(control->layoutMode(), kLayoutLargeVertical);
}

TEST_F(MonitorControlTest, WindowIsFittedOnceThenRestoredFromTheRememberedRectangle) {
    host.resized.clear();
    control->takeOverTable(tableOf(4), true); // an opened file: every mode is fitted anew
    ASSERT_EQ(host.resized.size(), 1u);

    control->handleCommand(kCmdLayoutMode, kLayoutSmallHorizontal);
    ASSERT_EQ(host.resized.size(), 2u); // first time in mode 3: fitted
    EXPECT_EQ(host.resized.back(), QSize(492 + 22, 4 * 83 + 20 + 8 + 74));

    host.windowRect = QRect(50, 60, 700, 500); // the operator resizes
    control->rememberWindowRect();
    control->handleCommand(kCmdLayoutMode, display.layoutMode == 1 ? 0 : 1);
    host.resized.clear();
    host.placed.clear();
    control->handleCommand(kCmdLayoutMode, kLayoutSmallHorizontal);
    EXPECT_TRUE(host.resized.empty());
    ASSERT_EQ(host.placed.size(), 1u);
    EXPECT_EQ(host.placed.back(), QRect(50, 60, 700, 500));

    // Taking over an environment file forgets it.
    control->takeOverTable(tableOf(4), true);
    EXPECT_EQ(control->fitFlag(kLayoutSmallHorizontal), kRestoreWindow); // fitted just now
    EXPECT_FALSE(host.resized.empty());

    // A maximised main window is neither fitted nor moved.
    host.maximised = true;
    host.resized.clear();
    host.placed.clear();
    control->setAllFitFlags(kFitWindow);
    control->handleCommand(kCmdLayoutMode, kLayoutLargeVertical);
    EXPECT_TRUE(host.resized.empty());
    EXPECT_TRUE(host.placed.empty());
}

TEST_F(MonitorControlTest, MoveReportRemembersTheWindow) {
    host.windowRect = QRect(10, 20, 640, 480);
    control->setAllFitFlags(kFitWindow);
    control->handleCommand(kEvMainWindowMoved, 0);
    EXPECT_EQ(control->fitFlag(control->layoutMode()), kRestoreWindow);
    EXPECT_EQ(control->savedWindowRect(control->layoutMode()), QRect(10, 20, 640, 480));
}

TEST_F(MonitorControlTest, TooltipsForWarningsAndComments) {
    ReceiverTable next = tableOf(3);
    // The second line in a single-byte code page, as an older file may hold it.
    next.byNumber(3).comment = "line one\r\nB\xfchne";
    control->handleCommand(kCmdLayoutMode, kLayoutSmallHorizontal);
    control->takeOverTable(next, false);
    control->handleCommand(kCmdMonitorStartStop, kMonitoringStart);
    table.byNumber(1).commState = kCommError;
    table.byNumber(2).commState = kCommNotContacted;
    values.byNumber(2).mute = 0;
    values.byNumber(3).mute = 1;
    table.byNumber(3).commState = kCommOk;
    control->refresh();

    const auto centre = [&](int number, HitRect PanelHitAreas::*area) {
        const HitRect r = renderer.panel(number).hit.*area;
        return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    };
    TooltipChange change = control->mouseMoved(centre(1, &PanelHitAreas::warning), {});
    EXPECT_EQ(change.kind, TooltipChange::Show);
    EXPECT_EQ(change.text.section('\n', 0, 0), "communication error");
    // While monitoring, the connection's health follows.
    EXPECT_EQ(change.text.section('\n', 1), "no answer yet, 0 reconnects");
    EXPECT_EQ(control->tooltipText(), change.text);

    // The same point again does nothing.
    EXPECT_EQ(control->mouseMoved(centre(1, &PanelHitAreas::warning), {}).kind,
              TooltipChange::None);

    change = control->mouseMoved(centre(3, &PanelHitAreas::warning), {});
    EXPECT_EQ(change.text.section('\n', 0, 0), "mute on");

    // The battery's forecast needs level steps or ten minutes of a show.
    change = control->mouseMoved(centre(3, &PanelHitAreas::battery), {});
    EXPECT_EQ(change.text, "battery: unknown");

    change = control->mouseMoved(centre(3, &PanelHitAreas::memo), {});
    EXPECT_EQ(change.text, QStringLiteral("line one\nB\u00fchne"));

    // A receiver never contacted shows its warning icon but no tooltip.
    change = control->mouseMoved(centre(2, &PanelHitAreas::warning), {});
    EXPECT_EQ(change.kind, TooltipChange::Hide);
    EXPECT_TRUE(control->tooltipText().isEmpty());

    // The scroll position adds to the client point; negative client points are ignored.
    const QPoint memo = centre(3, &PanelHitAreas::memo);
    EXPECT_EQ(control->mouseMoved(memo - QPoint(0, 83), QPoint(0, 83)).kind, TooltipChange::Show);
    EXPECT_EQ(control->mouseMoved(QPoint(-1, 5), {}).kind, TooltipChange::None);
}

TEST_F(MonitorControlTest, AnImageTooLargeForMemoryIsReportedAndDrawingGoesOn) {
    control->takeOverTable(tableOf(2), false);
    EXPECT_EQ(host.imageFailures, 0);
    control->initialUpdate(QSize(600000000, 100)); // rows longer than an image may hold
    EXPECT_EQ(host.imageFailures, 1);
    EXPECT_TRUE(control->layoutReady());
    control->handleCommand(kCmdMonitorStartStop, kMonitoringStart);
    values.byNumber(1).rfLevelA = -600;
    control->refresh(); // draws into nothing, without harm
    EXPECT_TRUE(control->monitoring());
}
