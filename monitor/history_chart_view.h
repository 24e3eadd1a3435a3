#pragma once

#include "monitor/history_plot_data.h"

#include <QtCharts/QChartView>

#include <array>
#include <optional>
#include <vector>

class QCategoryAxis;
class QLineSeries;
class QValueAxis;

namespace tessaly {

// Curve styles, shared by the charts and the window's legend: colour and dash tell the curves
// apart.
struct HistoryCurveStyle {
    const char* name;
    QColor colour;
    Qt::PenStyle dash;
    double width;
};
const HistoryCurveStyle& historyCurveStyle(HistoryCurve curve);

// One receiver's time line: RF A and B (dBm, left axis), AF (dB) and battery (0-4) on the
// right, its alarms as hatched bands named at the top, and the window's cursor. The window owns
// the time range of every chart; this view only reports the wheel (zoom), drags (pan) and the
// pointer's time.
class CHistoryChartView : public QChartView {
    Q_OBJECT

public:
    explicit CHistoryChartView(QWidget* parent = nullptr);

    // Null: empty chart. The track and the marks must outlive the view or the next setTrack.
    void setTrack(const HistoryTrack* track, std::vector<HistoryAlarmMark> alarms);
    const HistoryTrack* track() const { return track_; }
    int receiver() const { return track_ != nullptr ? track_->receiver : 0; }

    // Shows fromMs..toMs, the curves reduced to the plot's pixel columns.
    void setRange(int64_t fromMs, int64_t toMs);
    // Recomputes the curves for the present range (after the track grew).
    void replot();
    void setCursorTime(std::optional<int64_t> wallMs);

    // The time under a point of the view.
    int64_t timeAt(QPoint viewPoint) const;
    // How many points the curves hold now (the reduction at work).
    int plottedPoints() const;

signals:
    void zoomRequested(int64_t aroundMs, double factor); // factor < 1 zooms in
    void panRequested(int64_t deltaMs);
    void cursorMoved(int64_t wallMs);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void drawForeground(QPainter* painter, const QRectF& rect) override;

private:
    QValueAxis* axisFor(HistoryCurve curve) const;
    QLineSeries* addSeries(HistoryCurve curve);
    void updateTimeTicks();

    const HistoryTrack* track_ = nullptr;
    std::vector<HistoryAlarmMark> alarms_;
    QCategoryAxis* timeAxis_ = nullptr;
    QValueAxis* rfAxis_ = nullptr;
    QValueAxis* afAxis_ = nullptr;
    QValueAxis* batteryAxis_ = nullptr;
    // Per curve, one series per unbroken segment; spare ones stay empty.
    std::array<std::vector<QLineSeries*>, kHistoryCurveCount> series_;
    int64_t fromMs_ = 0;
    int64_t toMs_ = 0;
    std::optional<int64_t> cursorMs_;
    std::optional<QPoint> dragFrom_;
    int64_t dragFromMs_ = 0;
};

} // namespace tessaly
