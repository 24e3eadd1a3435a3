#pragma once

#include "chrome/menu_commands.h"
#include "comm/message_codes.h"
#include "monitor/monitor_engine_table.h"
#include "monitor/monitor_layout.h"
#include "monitor/panel_renderer.h"
#include "monitor/show_watch.h"
#include "protocol/receiver_table.h"
#include "protocol/settings.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTimer>

#include <array>
#include <functional>

namespace tessaly {

constexpr int kMonitoringStop = 0;
constexpr int kMonitoringStart = 1;

// Window fit flags of a layout mode.
constexpr int kFitWindow = -1;
constexpr int kRestoreWindow = 0;

constexpr int kEngineRestartDelayMs = 100; // timer 4
constexpr int kDestroyStopWaitMs = 100;
constexpr int kEngineEndChecks = 1000;
constexpr int kEngineEndCheckIntervalMs = 10;

// The texts the tooltip shows over a warning icon.
constexpr const char* kTooltipCommError = "communication error";
constexpr const char* kTooltipMuteOn = "mute on";

// What the monitor control asks of the window that shows the panels and of the main window.
class IMonitorHost {
public:
    virtual ~IMonitorHost() = default;

    // A layout build finished: take the new content size as the scroll range.
    virtual void layoutBuilt() = 0;
    // The content image changed: repaint.
    virtual void invalidate() = 0;
    // Another file or layout mode: the list starts again from its first panel.
    virtual void scrollToOrigin() {}

    virtual bool hasMainWindow() const = 0;
    virtual bool mainWindowMaximised() const = 0;
    // The main window's outer rectangle in screen coordinates.
    virtual QRect mainWindowRect() const = 0;
    virtual void placeMainWindow(const QRect& outer) = 0;
    virtual void resizeMainWindow(QSize outer) = 0;
    virtual PlatformMetrics platformMetrics() const = 0;

    // An offscreen image could not be created; the layout goes on without it.
    virtual void imageCreationFailed() = 0;
};

struct MonitorControlOptions {
    int refreshIntervalMs = 100; // monitor/interval
    qintptr nameDev = 0;         // monitor/name_dev, the argument of every start event
    int restartDelayMs = kEngineRestartDelayMs;
    int destroyStopWaitMs = kDestroyStopWaitMs;
    int endChecks = kEngineEndChecks;
    int endCheckIntervalMs = kEngineEndCheckIntervalMs;
    std::function<void(int ms)> sleep; // empty: QThread::msleep
    ShowWatchOptions show;             // alarm settings, journal, clock
};

// What a mouse move does to the tooltip.
struct TooltipChange {
    enum Kind { None, Show, Hide };
    Kind kind = None;
    QString text;
};

// The monitor's state and control: layout builds, monitoring on and off, the engines, the
// refresh and restart timers, the remembered window rectangles and the tooltip texts. The view
// owns one and paints from its renderer.
class CMonitorControl : public QObject {
    Q_OBJECT
public:
    CMonitorControl(CPanelRenderer& renderer, IMonitorHost& host, ReceiverTable& table,
                    MonitorValueTable& values, DisplayState& display,
                    MonitorEngineFactory engineFactory, MonitorControlOptions options = {},
                    QObject* parent = nullptr);
    // Stops monitoring engines and ends them all (at most endChecks checks).
    ~CMonitorControl() override;

    // The view's first update: screen size, fit flags, the layout mode from the display state,
    // a first layout build in white.
    void initialUpdate(QSize screenSize);
    bool initialised() const { return initialised_ != 0; }

    // Handles 3021 layout mode, 3022 monitoring, 3023 RF unit and 3101 main window moved;
    // returns false for every other code.
    bool handleCommand(int code, qintptr value);

    // Layout build with the view's layout mode; the caller resets the value caches.
    void buildLayout(int textColourFlag);
    bool layoutReady() const { return layoutReady_ != 0; }

    // After a new table was copied into the program-wide table: a new layout, memo icons,
    // reset values and caches, and engines for every receiver number now in use.
    void replaceReceiverTable();
    // Before a replacement while monitoring: no refresh, engines stopped.
    void stopEnginesForReplacement();
    // After a replacement while monitoring: engines started again restartDelayMs later.
    void restartEnginesLater();
    // Takes over a table read from an environment file or handed back by a dialog.
    void takeOverTable(const ReceiverTable& newTable, bool refitWindows);

    bool postToEngine(int receiverNumber, int code, qintptr value);

    // Timer 2: live update while monitoring, otherwise the stopped form; then repaint.
    void refresh();
    // Live update or idle redraw, as the monitoring flag says.
    void redraw();

    // Records the main window's rectangle for the current mode (resize, move, mode change).
    void rememberWindowRect();
    void setAllFitFlags(int flag);
    void setFitFlag(int layoutMode, int flag) { fitFlags_[static_cast<size_t>(layoutMode)] = flag; }
    int fitFlag(int layoutMode) const { return fitFlags_[static_cast<size_t>(layoutMode)]; }
    QRect savedWindowRect(int layoutMode) const {
        return savedRects_[static_cast<size_t>(layoutMode)];
    }

    // Tooltip: the point is in client coordinates, the scroll position adds to it.
    TooltipChange mouseMoved(QPoint clientPoint, QPoint scrollPosition);
    QString tooltipText() const { return tooltipShown_ ? tooltipText_ : QString(); }

    int layoutMode() const { return layoutMode_; }
    int rfUnit() const { return rfUnit_; }
    bool monitoring() const { return monitoring_ != 0; }
    int threadCount() const { return engines_.count(); }
    const CMonitorEngineTable& engines() const { return engines_; }
    bool refreshTimerActive() const { return refreshTimer_.isActive(); }
    CPanelRenderer& renderer() { return renderer_; }
    // Liveness, alarms and the journal, fed from one snapshot at each refresh.
    CShowWatch& show() { return show_; }

    // Ends the engines now (the destruction sequence); later calls do nothing.
    void shutDown();

private:
    void startMonitoring();
    void stopMonitoring();
    void changeLayoutMode(int layoutMode);
    void changeRfUnit(int rfUnit);
    void sizeMainWindow();
    void resetValues();
    void restartTimerExpired();
    void sleepMs(int ms);

    CPanelRenderer& renderer_;
    IMonitorHost& host_;
    ReceiverTable& table_;
    MonitorValueTable& values_;
    DisplayState& display_;
    MonitorControlOptions options_;
    CMonitorEngineTable engines_;
    CShowWatch show_;
    QTimer refreshTimer_; // timer 2
    QTimer restartTimer_; // timer 4

    int layoutMode_ = kLayoutLargeHorizontal;
    int rfUnit_ = kRfUnitDbm;
    int monitoring_ = 0;
    int initialised_ = 0;
    int layoutReady_ = 0;
    int shutDown_ = 0;
    QSize screenSize_;
    std::array<int, kLayoutModeCount> fitFlags_{kFitWindow, kFitWindow, kFitWindow, kFitWindow};
    std::array<QRect, kLayoutModeCount> savedRects_{};

    QString tooltipText_;
    int tooltipShown_ = 0;
    QPoint lastMousePoint_{-1, -1};
};

} // namespace tessaly
