#include "monitor/corvane_view.h"

#include "chrome/menu_commands.h"
#include "protocol/environment_file.h"
#include "protocol/frequency.h"
#include "protocol/settings.h"
#include "tests/support/temp_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

using namespace tessaly;

namespace {

// Engines that accept events and end at once: the view's drawing is under test here.
class IdleEngine : public IMonitorEngine {
public:
    void post(int, qintptr) override {}
    void requestQuit() override { quit_ = true; }
    bool hasEnded() const override { return quit_; }

private:
    bool quit_ = false;
};

MonitorEngineFactory idleEngines() {
    return [](int) { return std::make_unique<IdleEngine>(); };
}

const char* const kNames[] = {"Vocal 1", "Vocal 2", "Guitar",  "Bass", "Keys",
                              "Drums",   "Choir L", "Choir R", "MC",   "Spare"};
constexpr uint32_t kTabColours[] = {0x00FF8000, 0x000080FF, 0x0000C000,
                                    0x00C000C0, 0x0000C0FF, 0x00FFFF00};

ReceiverTable stageTable(int count) {
    ReceiverTable table;
    table.count = count;
    for (int n = 1; n <= count; ++n) {
        ReceiverRecord& record = table.byNumber(n);
        record.name = kNames[(n - 1) % 10];
        record.setFrequencyText(khzToText(710125 + 250 * (n - 1)));
        const uint32_t colour = kTabColours[(n - 1) % 6];
        record.colors = {colour, colour, halfBrightness(colour), halfBrightness(colour)};
        record.commState = kCommOk;
        if (n % 7 == 3) {
            record.comment = "spare pack\r\nin the case";
        }
    }
    return table;
}

// Plausible live readings: mostly good, one muted, one out of reach, one peaking.
void stageValues(ReceiverTable& table, MonitorValueTable& values, int count) {
    for (int n = 1; n <= count; ++n) {
        MonitorValues& m = values.byNumber(n);
        m.rfLevelA = -520 - (n * 37) % 250;
        m.rfLevelB = -560 - (n * 53) % 300;
        m.afLevel = -300 + (n * 71) % 420;
        m.battery = n % 5;
        m.antennaSelect = n % 2;
        m.mute = n % 9 == 4 ? 1 : 0;
        if (n % 11 == 6) {
            table.byNumber(n).commState = kCommError;
        }
    }
}

// The Receiver Configuration dialog accepts the file's table as it is; no other dialog runs.
struct TableAsRead : IViewFileDialogs {
    ConfigDialogOutcome runConfigDialog(QWidget*, const ReceiverTable& read) override {
        ConfigDialogOutcome outcome;
        outcome.takeOver = true;
        outcome.table.copyFrom(read);
        return outcome;
    }
    ProgressOutcome runProgressDialog(QWidget*, int, const ReceiverTable&) override { return {}; }
    void activateMainWindow(QWidget&) override {}
};

class CorvaneViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        displayState() = DisplayState{};
        programReceiverTable().reset();
        programMonitorValues().reset();
        view =
            std::make_unique<CCorvaneView>(nullptr, idleEngines(), loadPanelPng,
                                           panelEditorDialogs(), std::make_shared<TableAsRead>());
        view->resize(1280, 720);
        view->onInitialUpdate();
    }
    void TearDown() override {
        view.reset();
        programReceiverTable().reset();
    }

    void showMode(int mode, int receivers, bool live) {
        view->control().handleCommand(kCmdLayoutMode, mode);
        if (view->control().monitoring() != live) {
            view->control().handleCommand(kCmdMonitorStartStop, live ? 1 : 0);
        }
        view->control().takeOverTable(stageTable(receivers), false);
        if (live) {
            stageValues(programReceiverTable(), programMonitorValues(), receivers);
            view->control().refresh();
        }
    }

    QImage grab() {
        return view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    std::unique_ptr<CCorvaneView> view;
};

} // namespace

TEST_F(CorvaneViewTest, NarrowSmallVerticalIsBlackBeyondItsPanels) {
    displayState().matrix[kLayoutSmallVertical] = {3, 2};
    showMode(kLayoutSmallVertical, 3, false);
    EXPECT_FALSE(view->renderer().wide());
    const QImage shot = grab();
    EXPECT_EQ(shot.pixel(600, 100), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(2 * 94 + 10, 300), qRgb(0, 0, 0));
    // The panels themselves are painted from the content image.
    EXPECT_EQ(shot.pixel(47, 100), view->renderer().contentImage().pixel(47, 100));
}

TEST_F(CorvaneViewTest, LargeVerticalPaintsTheStripLeftOfThePanels) {
    showMode(kLayoutLargeVertical, 4, false);
    const int stripWidth = view->renderer().stripSize().width();
    ASSERT_EQ(stripWidth, 28);
    const QImage shot = grab();
    EXPECT_EQ(shot.pixel(5, 200), view->renderer().stripImage().pixel(5, 200));
    EXPECT_EQ(shot.pixel(stripWidth + 60, 300), view->renderer().contentImage().pixel(60, 300));
}

TEST_F(CorvaneViewTest, LargeHorizontalStripStaysOnTopWhileScrollingDown) {
    showMode(kLayoutLargeHorizontal, 12, false);
    QScrollBar* vertical = view->verticalScrollBar();
    ASSERT_GT(vertical->maximum(), 0);
    const QImage before = grab();
    vertical->setValue(96);
    QCoreApplication::processEvents();
    const QImage after = grab();
    EXPECT_EQ(before.copy(0, 0, 900, 24), after.copy(0, 0, 900, 24));
    // Panel 2 now sits where panel 1 was.
    EXPECT_EQ(after.copy(0, 24, 900, 96), before.copy(0, 24 + 96, 900, 96));
}

TEST_F(CorvaneViewTest, AnotherLayoutModeOrFileStartsAtTheFirstPanel) {
    tessaly::testing::TempDir dir;
    const std::string path = dir.path() + "/hall.ini";
    {
        std::ofstream file(path);
        file << "[monitor]\nmode=1\n[receiver]\ncnt=40\n";
    }
    const std::function<void()> changes[] = {
        [this] { view->control().handleCommand(kCmdLayoutMode, kLayoutSmallHorizontal); },
        [this, &path] { view->openEnvironmentFile(QString::fromStdString(path)); },
    };
    for (const auto& change : changes) {
        showMode(kLayoutLargeHorizontal, 60, false);
        QScrollBar* vertical = view->verticalScrollBar();
        vertical->setValue(vertical->maximum());
        ASSERT_GT(vertical->value(), 0);
        change();
        EXPECT_GT(vertical->maximum(), 0); // the new list is long enough to scroll
        EXPECT_EQ(view->scrollPosition(), QPoint(0, 0));
    }
}

TEST_F(CorvaneViewTest, WindowPastTheWorkAreaStillScrollsToTheLastPanel) {
    QWidget main;
    auto* layout = new QVBoxLayout(&main);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view.get());
    main.move(0, 30); // the fit takes the whole work area's height: 30 px reach past its bottom
    main.show();
    showMode(kLayoutSmallHorizontal, 60, false);
    QCoreApplication::processEvents();

    const QRect work = main.screen()->availableGeometry();
    ASSERT_GT(main.geometry().bottom(), work.bottom());
    const int visible = work.bottom() + 1 - view->viewport()->mapToGlobal(QPoint(0, 0)).y();
    const int content = view->renderer().contentSize().height();
    EXPECT_EQ(view->verticalScrollBar()->maximum(), content - visible);
    view->setParent(nullptr);
}

TEST_F(CorvaneViewTest, TooltipsKeepShortTextsOnOneLine) {
    showMode(kLayoutSmallHorizontal, 8, true); // receiver 6 has a communication error
    programReceiverTable().byNumber(8).comment = "Demo receiver 8";
    programReceiverTable().byNumber(3).comment =
        "a comment far too long for one line of the tooltip, so it wraps";
    view->control().takeOverTable(programReceiverTable(), false);
    view->control().refresh();
    const auto hover = [this](int number, HitRect PanelHitAreas::*area) {
        const HitRect r = view->renderer().panel(number).hit.*area;
        const QPointF at((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        QMouseEvent move(QEvent::MouseMove, at, view->viewport()->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &move);
        return view->tooltip().height() / QFontMetrics(view->tooltip().font()).lineSpacing();
    };
    // While monitoring the warning's text is followed by the connection's health, a line each.
    EXPECT_EQ(hover(6, &PanelHitAreas::warning), 2);
    EXPECT_EQ(view->tooltip().text().section('\n', 0, 0), QStringLiteral("communication error"));
    EXPECT_EQ(hover(8, &PanelHitAreas::memo), 1);
    EXPECT_EQ(view->tooltip().text(), QStringLiteral("Demo receiver 8"));
    EXPECT_GE(hover(3, &PanelHitAreas::memo), 2);
}

TEST_F(CorvaneViewTest, CommandLineFileIsTakenOverWithPendingChanges) {
    tessaly::testing::TempDir dir;
    const std::string path = dir.path() + "/stage.ini";
    {
        std::ofstream file(path);
        file << "[monitor]\nmode=3\n[receiver]\ncnt=2\n"
             << "[recv1]\nip=127.0.0.1\nname=Lead\nfreq=710.500\n"
             << "[recv2]\nip=127.0.0.2\nname=Backing\nfreq=711.000\n";
    }
    programReceiverTable().copyFrom(stageTable(1)); // "Vocal 1" at 710.125 in use
    programReceiverTable().byNumber(1).name = "Lead";
    programReceiverTable().byNumber(1).nameChanged = 0;
    programReceiverTable().byNumber(1).freqChanged = 0;

    view->openEnvironmentFile(QString::fromStdString(path));
    const ReceiverTable& table = programReceiverTable();
    EXPECT_EQ(table.count, 2);
    EXPECT_EQ(view->control().layoutMode(), kLayoutSmallHorizontal);
    EXPECT_EQ(displayState().layoutMode, kLayoutSmallHorizontal);
    EXPECT_EQ(table.byNumber(1).nameChanged, 0); // same name
    EXPECT_EQ(table.byNumber(1).freqChanged, 1); // other frequency
    EXPECT_EQ(table.byNumber(2).nameChanged, 1); // beyond the old count
    EXPECT_EQ(table.byNumber(2).freqChanged, 1);
    EXPECT_EQ(view->control().threadCount(), 2);
    EXPECT_EQ(view->renderer().panel(2).cache.name, "Backing"); // drawn in the stopped form
}

// Set TESSALY_SCREENSHOT_DIR to keep pictures of every layout mode, stopped and live.
TEST_F(CorvaneViewTest, ScreenshotsOfEveryMode) {
    const QString directory = qEnvironmentVariable("TESSALY_SCREENSHOT_DIR");
    if (directory.isEmpty()) {
        GTEST_SKIP() << "TESSALY_SCREENSHOT_DIR not set";
    }
    QDir().mkpath(directory);
    const std::array<QSize, kLayoutModeCount> sizes = {QSize(1280, 760), QSize(1280, 720),
                                                       QSize(1280, 720), QSize(1280, 720)};
    displayState().matrix[kLayoutLargeVertical] = {5, 12};
    displayState().matrix[kLayoutLargeHorizontal] = {7, 9};
    displayState().matrix[kLayoutSmallVertical] = {5, 12};
    displayState().matrix[kLayoutSmallHorizontal] = {9, 7};
    for (int mode = 0; mode < kLayoutModeCount; ++mode) {
        view->resize(sizes[static_cast<size_t>(mode)]);
        for (const bool live : {false, true}) {
            showMode(mode, 60, live);
            const QString name =
                QStringLiteral("%1/monitor-mode%2-%3.png")
                    .arg(directory)
                    .arg(mode)
                    .arg(live ? QStringLiteral("live") : QStringLiteral("stopped"));
            EXPECT_TRUE(grab().save(name));
        }
    }
    view->control().handleCommand(kCmdRfUnit, kRfUnitMw);
    for (const int mode : {kLayoutLargeVertical, kLayoutLargeHorizontal}) {
        view->resize(sizes[static_cast<size_t>(mode)]);
        showMode(mode, 60, true);
        EXPECT_TRUE(
            grab().save(QStringLiteral("%1/monitor-mode%2-live-mw.png").arg(directory).arg(mode)));
    }
}
