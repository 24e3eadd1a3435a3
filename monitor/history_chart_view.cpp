#include "monitor/history_chart_view.h"

#include <QDateTime>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace tessaly {

namespace {

constexpr double kRfLowDbm = -100;
constexpr double kRfHighDbm = -40;
constexpr double kAfLowDb = -40;
constexpr double kAfHighDb = 20;
constexpr double kBatteryFull = 4;
constexpr double kWheelStep = 1.25; // one notch zooms by this much
constexpr int kMinChartHeight = 230;
constexpr int kMinTickSpacingPx = 90;
// Time line steps, in seconds: ticks fall on round times of the clock.
constexpr int64_t kTimeSteps[] = {1,   2,   5,    10,   15,   30,    60,    120,  300,
                                  600, 900, 1800, 3600, 7200, 10800, 21600, 43200};

const QColor kCriticalBand(200, 30, 30);
const QColor kWarningBand(215, 140, 0);
const QColor kCursor(20, 20, 20);

const HistoryCurveStyle kStyles[kHistoryCurveCount] = {
    {"RF A", QColor(25, 95, 200), Qt::SolidLine, 1.4},
    {"RF B", QColor(230, 110, 0), Qt::DashLine, 1.4},
    {"AF", QColor(120, 175, 120, 150), Qt::SolidLine, 1.0},
    {"Battery", QColor(130, 50, 160), Qt::SolidLine, 2.6},
};

QFont smallFont(int pixels, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QValueAxis* valueAxis(const QString& title, double low, double high, int ticks) {
    auto* axis = new QValueAxis;
    axis->setRange(low, high);
    axis->setTickCount(ticks);
    axis->setLabelFormat(QStringLiteral("%d"));
    axis->setTitleText(title);
    axis->setTitleFont(smallFont(11));
    axis->setLabelsFont(smallFont(11));
    return axis;
}

} // namespace

const HistoryCurveStyle& historyCurveStyle(HistoryCurve curve) {
    return kStyles[static_cast<int>(curve)];
}

CHistoryChartView::CHistoryChartView(QWidget* parent) : QChartView(parent) {
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setBackgroundRoundness(0);
    chart->setTitleFont(smallFont(13, true));
    chart->setAnimationOptions(QChart::NoAnimation);
    setChart(chart);
    setRenderHint(QPainter::Antialiasing, false);
    setRubberBand(QChartView::NoRubberBand);
    setMouseTracking(true);
    setMinimumHeight(kMinChartHeight);
    setCursor(Qt::CrossCursor);

    timeAxis_ = new QCategoryAxis;
    timeAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    timeAxis_->setLabelsFont(smallFont(11));
    rfAxis_ = valueAxis(QStringLiteral("RF (dBm)"), kRfLowDbm, kRfHighDbm, 7);
    afAxis_ = valueAxis(QStringLiteral("AF (dB)"), kAfLowDb, kAfHighDb, 7);
    batteryAxis_ = valueAxis(QStringLiteral("Battery"), 0, kBatteryFull, 5);
    chart->addAxis(timeAxis_, Qt::AlignBottom);
    chart->addAxis(rfAxis_, Qt::AlignLeft);
    chart->addAxis(afAxis_, Qt::AlignRight);
    chart->addAxis(batteryAxis_, Qt::AlignRight);
    afAxis_->setGridLineVisible(false);
    batteryAxis_->setGridLineVisible(false);
    const QColor afText = QColor(kStyles[int(HistoryCurve::Af)].colour.rgb()).darker(160);
    afAxis_->setLabelsColor(afText);
    afAxis_->setTitleBrush(afText);
    batteryAxis_->setLabelsColor(kStyles[int(HistoryCurve::Battery)].colour);
    batteryAxis_->setTitleBrush(kStyles[int(HistoryCurve::Battery)].colour);
    // AF first, so the RF and battery lines are drawn over it.
    for (HistoryCurve curve :
         {HistoryCurve::Af, HistoryCurve::RfA, HistoryCurve::RfB, HistoryCurve::Battery}) {
        series_[static_cast<size_t>(curve)].push_back(addSeries(curve));
    }
}

QLineSeries* CHistoryChartView::addSeries(HistoryCurve curve) {
    auto* series = new QLineSeries;
    const HistoryCurveStyle& style = kStyles[static_cast<int>(curve)];
    QPen pen(style.colour, style.width, style.dash);
    pen.setCosmetic(true);
    series->setPen(pen);
    series->setName(QString::fromLatin1(style.name));
    chart()->addSeries(series);
    series->attachAxis(timeAxis_);
    series->attachAxis(axisFor(curve));
    return series;
}

void CHistoryChartView::updateTimeTicks() {
    for (const QString& label : timeAxis_->categoriesLabels()) {
        timeAxis_->remove(label);
    }
    const double plotWidth =
        chart()->plotArea().width() > 0 ? chart()->plotArea().width() : double(width());
    const int64_t spanS = std::max<int64_t>(1, (toMs_ - fromMs_) / 1000);
    const int maxTicks = std::max(2, int(plotWidth / kMinTickSpacingPx));
    int64_t stepS = kTimeSteps[std::size(kTimeSteps) - 1];
    for (int64_t step : kTimeSteps) {
        if (spanS / step <= maxTicks) {
            stepS = step;
            break;
        }
    }
    const QString format = stepS < 60 ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm");
    // Round in local time, so that 20:00 is a tick wherever the clock is.
    const int64_t offsetS = QDateTime::fromMSecsSinceEpoch(fromMs_).offsetFromUtc();
    int64_t tickS = ((fromMs_ / 1000 + offsetS + stepS - 1) / stepS) * stepS - offsetS;
    for (; tickS * 1000 <= toMs_; tickS += stepS) {
        // Labels are keys of the axis: each must be unique (a day apart shows the date).
        QString label = QDateTime::fromSecsSinceEpoch(tickS).toString(format);
        if (timeAxis_->categoriesLabels().contains(label)) {
            label = QDateTime::fromSecsSinceEpoch(tickS).toString(QStringLiteral("d.M. ")) + label;
        }
        timeAxis_->append(label, double(tickS * 1000));
    }
    timeAxis_->setStartValue(double(fromMs_));
}

QValueAxis* CHistoryChartView::axisFor(HistoryCurve curve) const {
    switch (curve) {
    case HistoryCurve::RfA:
    case HistoryCurve::RfB:
        return rfAxis_;
    case HistoryCurve::Af:
        return afAxis_;
    case HistoryCurve::Battery:
        return batteryAxis_;
    }
    return rfAxis_;
}

void CHistoryChartView::setTrack(const HistoryTrack* track, std::vector<HistoryAlarmMark> alarms) {
    track_ = track;
    alarms_ = std::move(alarms);
    if (track_ == nullptr) {
        chart()->setTitle(QString());
    } else if (track_->name.trimmed().isEmpty()) {
        chart()->setTitle(QStringLiteral("Rx %1").arg(track_->receiver));
    } else {
        chart()->setTitle(QStringLiteral("Rx %1  %2").arg(track_->receiver).arg(track_->name));
    }
    replot();
}

void CHistoryChartView::setRange(int64_t fromMs, int64_t toMs) {
    fromMs_ = fromMs;
    toMs_ = std::max(toMs, fromMs + 1000);
    timeAxis_->setRange(double(fromMs_), double(toMs_));
    updateTimeTicks();
    replot();
}

void CHistoryChartView::replot() {
    // Before the first layout the plot area is empty: take the view's width meanwhile.
    const int columns =
        std::max(100, int(chart()->plotArea().width() > 0 ? chart()->plotArea().width() : width()));
    for (int c = 0; c < kHistoryCurveCount; ++c) {
        const auto curve = static_cast<HistoryCurve>(c);
        std::vector<std::vector<QPointF>> segments;
        if (track_ != nullptr) {
            segments = decimateMinMax(track_->seconds, curve, fromMs_, toMs_, columns);
        }
        auto& pool = series_[static_cast<size_t>(c)];
        while (pool.size() < segments.size()) {
            pool.push_back(addSeries(curve));
        }
        for (size_t i = 0; i < pool.size(); ++i) {
            if (i < segments.size()) {
                pool[i]->replace(QList<QPointF>(segments[i].begin(), segments[i].end()));
            } else if (pool[i]->count() > 0) {
                pool[i]->clear();
            }
        }
    }
    scene()->update();
}

int CHistoryChartView::plottedPoints() const {
    int points = 0;
    for (const auto& pool : series_) {
        for (const QLineSeries* series : pool) {
            points += series->count();
        }
    }
    return points;
}

void CHistoryChartView::setCursorTime(std::optional<int64_t> wallMs) {
    cursorMs_ = wallMs;
    scene()->update();
}

int64_t CHistoryChartView::timeAt(QPoint viewPoint) const {
    const QRectF plot = chart()->plotArea();
    if (plot.width() <= 0) {
        return fromMs_;
    }
    const QPointF scenePoint = mapToScene(viewPoint);
    const double share = (scenePoint.x() - plot.left()) / plot.width();
    return fromMs_ + int64_t(std::llround(share * double(toMs_ - fromMs_)));
}

void CHistoryChartView::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0) {
        emit zoomRequested(timeAt(event->position().toPoint()), std::pow(kWheelStep, -notches));
    }
    event->accept();
}

void CHistoryChartView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragFrom_ = event->position().toPoint();
        dragFromMs_ = timeAt(*dragFrom_);
        setCursor(Qt::ClosedHandCursor);
    }
    event->accept();
}

void CHistoryChartView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (dragFrom_ && (event->buttons() & Qt::LeftButton)) {
        // Keep the time first grabbed under the pointer.
        const int64_t delta = dragFromMs_ - timeAt(at);
        if (delta != 0) {
            emit panRequested(delta);
        }
    }
    emit cursorMoved(timeAt(at));
    event->accept();
}

void CHistoryChartView::mouseReleaseEvent(QMouseEvent* event) {
    dragFrom_.reset();
    setCursor(Qt::CrossCursor);
    event->accept();
}

void CHistoryChartView::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    updateTimeTicks();
    replot();
}

void CHistoryChartView::drawForeground(QPainter* painter, const QRectF& rect) {
    QChartView::drawForeground(painter, rect);
    const QRectF plot = chart()->plotArea();
    if (plot.width() <= 0 || toMs_ <= fromMs_) {
        return;
    }
    const auto xOf = [&](int64_t ms) {
        return plot.left() + plot.width() * double(ms - fromMs_) / double(toMs_ - fromMs_);
    };
    painter->save();
    painter->setClipRect(plot);
    painter->setFont(smallFont(11, true));
    const QFontMetrics metrics(painter->font());
    // Alarms: a hatched band from start to clear (a thin one for a short alarm), its label on a
    // white tab at the top, so they read without telling colours apart.
    double labelRight = -1e9;
    int labelRow = 0;
    for (const HistoryAlarmMark& mark : alarms_) {
        const int64_t endMs = mark.clearMs.value_or(toMs_);
        if (endMs < fromMs_ || mark.startMs > toMs_) {
            continue;
        }
        const QColor colour = mark.critical ? kCriticalBand : kWarningBand;
        const double left = xOf(mark.startMs);
        const double right = std::max(xOf(endMs), left + 3);
        QColor fill = colour;
        fill.setAlpha(90);
        painter->fillRect(QRectF(left, plot.top(), right - left, plot.height()),
                          QBrush(fill, mark.critical ? Qt::BDiagPattern : Qt::FDiagPattern));
        painter->setPen(QPen(colour, 1.5));
        painter->drawLine(QPointF(left, plot.top()), QPointF(left, plot.bottom()));
        const QString text = mark.label;
        const double textWidth = metrics.horizontalAdvance(text) + 8;
        // Labels that would overlap step down a row.
        labelRow = left < labelRight ? (labelRow + 1) % 3 : 0;
        const QRectF tab(left + 2, plot.top() + 2 + labelRow * (metrics.height() + 3), textWidth,
                         metrics.height() + 2);
        labelRight = std::max(labelRight, tab.right());
        painter->fillRect(tab, QColor(255, 255, 255, 230));
        painter->setPen(QPen(colour.darker(140), 1));
        painter->drawRect(tab);
        painter->drawText(tab, Qt::AlignCenter, text);
    }
    if (cursorMs_ && *cursorMs_ >= fromMs_ && *cursorMs_ <= toMs_) {
        const double x = xOf(*cursorMs_);
        painter->setPen(QPen(kCursor, 1, Qt::DotLine));
        painter->drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
    painter->restore();
}

} // namespace tessaly
