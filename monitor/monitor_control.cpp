#include "monitor/monitor_control.h"

#include "chrome/text_functions.h"
#include "comm/message_codes.h"

#include <QThread>

#include <algorithm>

namespace tessaly {

namespace {

bool validLayoutMode(qintptr value) {
    return value >= 0 && value < kLayoutModeCount;
}
bool validRfUnit(qintptr value) {
    return value == kRfUnitDbm || value == kRfUnitMw;
}

} // namespace

CMonitorControl::CMonitorControl(CPanelRenderer& renderer, IMonitorHost& host, ReceiverTable& table,
                                 MonitorValueTable& values, DisplayState& display,
                                 MonitorEngineFactory engineFactory, MonitorControlOptions options,
                                 QObject* parent)
    : QObject(parent), renderer_(renderer), host_(host), table_(table), values_(values),
      display_(display), options_(std::move(options)), engines_(std::move(engineFactory)),
      show_(options_.show) {
    refreshTimer_.setTimerType(Qt::PreciseTimer);
    show_.setRefreshInterval(options_.refreshIntervalMs);
    restartTimer_.setSingleShot(true);
    connect(&refreshTimer_, &QTimer::timeout, this, &CMonitorControl::refresh);
    connect(&restartTimer_, &QTimer::timeout, this, &CMonitorControl::restartTimerExpired);
}

CMonitorControl::~CMonitorControl() {
    shutDown();
}

void CMonitorControl::sleepMs(int ms) {
    if (options_.sleep) {
        options_.sleep(ms);
    } else {
        QThread::msleep(static_cast<unsigned long>(ms));
    }
}

void CMonitorControl::initialUpdate(QSize screenSize) {
    screenSize_ = screenSize;
    setAllFitFlags(kFitWindow);
    layoutMode_ = validLayoutMode(display_.layoutMode) ? display_.layoutMode : kLayoutLargeVertical;
    monitoring_ = 0;
    rfUnit_ = kRfUnitDbm;
    buildLayout(kTextColourWhite);
    initialised_ = 1;
}

void CMonitorControl::buildLayout(int textColourFlag) {
    layoutReady_ = 0;
    if (validRfUnit(display_.rfUnit)) {
        rfUnit_ = display_.rfUnit;
    }
    LayoutRequest request;
    request.layoutMode = layoutMode_;
    request.matrix = display_.matrix;
    request.rfUnit = rfUnit_;
    request.textColourFlag = textColourFlag;
    request.screen = screenSize_;
    renderer_.buildLayout(request, table_);
    if (!renderer_.imagesUsable()) {
        host_.imageCreationFailed();
    }
    show_.forgetDrawn(); // the overlays went with the old pictures
    sizeMainWindow();
    host_.layoutBuilt();
    layoutReady_ = 1;
}

void CMonitorControl::sizeMainWindow() {
    if (!host_.hasMainWindow() || host_.mainWindowMaximised()) {
        return;
    }
    int& flag = fitFlags_[static_cast<size_t>(layoutMode_)];
    if (flag == kRestoreWindow) {
        const QRect& saved = savedRects_[static_cast<size_t>(layoutMode_)];
        if (saved.isValid()) {
            host_.placeMainWindow(saved);
        }
        return;
    }
    flag = kRestoreWindow;
    host_.resizeMainWindow(fittingWindowSize(
        layoutMode_, renderer_.extent(), renderer_.receiverCount(), renderer_.panelSize(),
        renderer_.stripSize(), renderer_.contentSize(), host_.platformMetrics()));
}

void CMonitorControl::rememberWindowRect() {
    if (!host_.hasMainWindow()) {
        return;
    }
    savedRects_[static_cast<size_t>(layoutMode_)] = host_.mainWindowRect();
    fitFlags_[static_cast<size_t>(layoutMode_)] = kRestoreWindow;
}

void CMonitorControl::setAllFitFlags(int flag) {
    fitFlags_.fill(flag);
}

bool CMonitorControl::handleCommand(int code, qintptr value) {
    switch (code) {
    case kCmdLayoutMode:
        if (validLayoutMode(value)) {
            changeLayoutMode(static_cast<int>(value));
        }
        return true;
    case kCmdMonitorStartStop:
        if (value == kMonitoringStop) {
            stopMonitoring();
        } else if (value == kMonitoringStart) {
            startMonitoring();
        }
        return true;
    case kCmdRfUnit:
        if (validRfUnit(value)) {
            changeRfUnit(static_cast<int>(value));
        }
        return true;
    case kEvMainWindowMoved:
        rememberWindowRect();
        return true;
    default:
        return false;
    }
}

void CMonitorControl::resetValues() {
    values_.reset();
    renderer_.resetValueCaches();
}

void CMonitorControl::startMonitoring() {
    monitoring_ = 1;
    resetValues();
    buildLayout(kTextColourWhite);
    renderer_.drawMemoIcons(table_);
    refreshTimer_.start(options_.refreshIntervalMs);
    engines_.postToAll(kEvMonitorStart, options_.nameDev);
}

void CMonitorControl::stopMonitoring() {
    if (monitoring_ != 0) {
        refreshTimer_.stop();
    }
    // A restart still pending from a table replacement must not start the engines again.
    restartTimer_.stop();
    monitoring_ = 0;
    engines_.postToAll(kEvMonitorStop, 0);
    show_.monitoringStopped();
    resetValues();
    buildLayout(kTextColourSilver);
    renderer_.drawMemoIcons(table_);
    renderer_.idleRedraw(table_);
    host_.invalidate();
}

void CMonitorControl::changeLayoutMode(int layoutMode) {
    rememberWindowRect();
    renderer_.resetValueCaches();
    layoutMode_ = layoutMode;
    display_.layoutMode = layoutMode;
    buildLayout(monitoring_);
    renderer_.drawMemoIcons(table_);
    redraw();
    host_.scrollToOrigin();
    host_.invalidate();
}

void CMonitorControl::changeRfUnit(int rfUnit) {
    rfUnit_ = rfUnit;
    display_.rfUnit = rfUnit;
    if (!hasScaleStrip(layoutMode_)) {
        return; // the small panels show no scale
    }
    renderer_.resetValueCaches();
    buildLayout(monitoring_);
    renderer_.drawMemoIcons(table_);
    redraw();
    host_.invalidate();
}

void CMonitorControl::replaceReceiverTable() {
    buildLayout(monitoring_);
    renderer_.drawMemoIcons(table_);
    resetValues();
    engines_.setCount(table_.count);
}

void CMonitorControl::stopEnginesForReplacement() {
    if (monitoring_ == 0) {
        return;
    }
    refreshTimer_.stop();
    engines_.postToAll(kEvMonitorStop, 0);
}

void CMonitorControl::restartEnginesLater() {
    restartTimer_.start(options_.restartDelayMs);
}

void CMonitorControl::restartTimerExpired() {
    restartTimer_.stop();
    if (monitoring_ == 0) {
        return;
    }
    engines_.postToAll(kEvMonitorStart, options_.nameDev);
    refreshTimer_.start(options_.refreshIntervalMs);
}

void CMonitorControl::takeOverTable(const ReceiverTable& newTable, bool fromEnvironmentFile) {
    const int previousCount = table_.count;
    stopEnginesForReplacement();
    table_.copyFrom(newTable);
    if (fromEnvironmentFile) {
        if (validLayoutMode(table_.displayMode)) {
            layoutMode_ = table_.displayMode;
            display_.layoutMode = layoutMode_;
        }
        setAllFitFlags(kFitWindow);
    } else if (table_.count != previousCount) {
        setAllFitFlags(kFitWindow);
    }
    replaceReceiverTable();
    if (fromEnvironmentFile) {
        host_.scrollToOrigin();
    }
    if (monitoring_ != 0) {
        restartEnginesLater();
    } else {
        renderer_.idleRedraw(table_);
        host_.invalidate();
    }
}

bool CMonitorControl::postToEngine(int receiverNumber, int code, qintptr value) {
    return engines_.postTo(receiverNumber, code, value);
}

void CMonitorControl::redraw() {
    if (monitoring_ != 0) {
        show_.livePass(renderer_, table_, values_, engines_);
    } else {
        renderer_.idleRedraw(table_);
    }
}

void CMonitorControl::refresh() {
    if (monitoring_ != 0) {
        // Nothing changed, nothing to repaint: the window already shows the content image.
        if (show_.livePass(renderer_, table_, values_, engines_)) {
            host_.invalidate();
        }
        return;
    }
    renderer_.idleRedraw(table_);
    host_.invalidate();
}

TooltipChange CMonitorControl::mouseMoved(QPoint clientPoint, QPoint scrollPosition) {
    if (clientPoint.x() < 0 || clientPoint.y() < 0) {
        return {};
    }
    const QPoint point = clientPoint + scrollPosition;
    if (point == lastMousePoint_) {
        return {};
    }
    lastMousePoint_ = point;

    const int count = renderer_.receiverCount();
    for (int number = 1; number <= count; ++number) {
        const PanelState& panel = renderer_.panel(number);
        const bool commError = panel.cache.commState == kCommError;
        if ((commError || panel.cache.mute == 1) && panel.hit.warning.contains(point)) {
            tooltipText_ = QString::fromLatin1(commError ? kTooltipCommError : kTooltipMuteOn);
            if (monitoring_ != 0) {
                tooltipText_ += QLatin1Char('\n') + show_.healthText(number);
            }
            tooltipShown_ = 1;
            return {TooltipChange::Show, tooltipText_};
        }
    }
    // While monitoring, the battery tells how long it is likely to last.
    for (int number = 1; monitoring_ != 0 && number <= count; ++number) {
        if (renderer_.panel(number).hit.battery.contains(point)) {
            tooltipText_ = show_.batteryText(number);
            tooltipShown_ = 1;
            return {TooltipChange::Show, tooltipText_};
        }
    }
    for (int number = 1; number <= count; ++number) {
        const std::string& comment = table_.byNumber(number).comment;
        if (!comment.empty() && renderer_.panel(number).hit.memo.contains(point)) {
            tooltipText_ = textFromBytes(comment);
            tooltipText_.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            tooltipShown_ = 1;
            return {TooltipChange::Show, tooltipText_};
        }
    }
    if (tooltipShown_ != 0) {
        tooltipText_.clear();
        tooltipShown_ = 0;
        return {TooltipChange::Hide, {}};
    }
    return {};
}

void CMonitorControl::shutDown() {
    if (shutDown_ != 0) {
        return;
    }
    shutDown_ = 1;
    refreshTimer_.stop();
    restartTimer_.stop();
    if (monitoring_ != 0) {
        engines_.postToAll(kEvMonitorStop, 0);
        sleepMs(options_.destroyStopWaitMs);
    }
    engines_.end(options_.endChecks, options_.endCheckIntervalMs, [this](int ms) { sleepMs(ms); });
}

} // namespace tessaly
