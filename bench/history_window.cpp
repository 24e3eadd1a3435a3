// The History window on a four-hour show of 60 receivers (14,400 seconds each): opening the file
// and plotting one receiver (and three), then pan frames over an hour's view. Needs a display
// (xvfb-run); the figures include the chart painting.

#include "bench/bench_support.h"
#include "monitor/dlg_history.h"
#include "monitor/history_chart_view.h"
#include "tests/support/history_show_file.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

using namespace tessaly;
using namespace tessaly::bench;

namespace {

constexpr int kReceivers = 60;
constexpr int kShowSeconds = 4 * 3600;
constexpr int kOpenRuns = 5;
constexpr int kPanFrames = 120;
constexpr double kOpenBudgetMs = 300;
constexpr double kFrameBudgetMs = 30;

double elapsedMs(int64_t startNs) {
    return double(monotonicNs() - startNs) / 1e6;
}

double cpuMs(int64_t startNs) {
    return double(processCpuNs() - startNs) / 1e6;
}

// Opens the file in a fresh window and paints it; wall-clock milliseconds, or -1 on failure, and
// the process's CPU milliseconds in `cpu` (the figure that the machine's load disturbs least).
double openOnce(const QString& path, int shown, std::vector<double>& cpu) {
    HistoryWindowOptions options;
    options.historyFile = path;
    options.journalFile = path + QStringLiteral(".jsonl"); // none: no alarms
    options.shownAtOpen = shown;
    const int64_t start = monotonicNs();
    const int64_t startCpu = processCpuNs();
    CDlgHistory window(options);
    window.resize(1500, 1000);
    if (!window.openFile(path)) {
        return -1;
    }
    window.QWidget::show();
    window.repaint();
    QApplication::processEvents();
    cpu.push_back(cpuMs(startCpu));
    return elapsedMs(start);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("history-bench.sqlite"));
    const int64_t startSecond = 1796846400;
    const int64_t writeStart = monotonicNs();
    QString error;
    if (!tessaly::testing::writeHistoryShowFile(
            path, tessaly::testing::rehearsalShowRows(kReceivers, startSecond, kShowSeconds),
            tessaly::testing::rehearsalLabels(kReceivers, startSecond, kShowSeconds), &error)) {
        std::fprintf(stderr, "bench_history_window: %s\n", qPrintable(error));
        return 1;
    }
    const double writeMs = elapsedMs(writeStart);

    std::vector<double> openOne;
    std::vector<double> openThree;
    std::vector<double> openOneCpu;
    std::vector<double> openThreeCpu;
    for (int i = 0; i < kOpenRuns; ++i) {
        openOne.push_back(openOnce(path, 1, openOneCpu));
        openThree.push_back(openOnce(path, 3, openThreeCpu));
    }

    HistoryWindowOptions options;
    options.historyFile = path;
    options.shownAtOpen = 3;
    CDlgHistory window(options);
    window.resize(1500, 1000);
    window.openFile(path);
    window.QWidget::show();
    QApplication::processEvents();
    const int64_t hour = 3600 * 1000;
    const int64_t first = window.show().span().first;
    window.setVisibleRange(first, first + hour);
    QApplication::processEvents();
    std::vector<double> frames;
    std::vector<double> frameCpu;
    for (int i = 0; i < kPanFrames; ++i) {
        const int64_t start = monotonicNs();
        const int64_t startCpu = processCpuNs();
        window.pan(hour / 60); // a minute per frame: a brisk drag
        for (CHistoryChartView* chart : window.charts()) {
            chart->repaint();
        }
        frames.push_back(elapsedMs(start));
        frameCpu.push_back(cpuMs(startCpu));
    }
    const int points = window.charts().empty() ? 0 : window.charts().front()->plottedPoints();

    const double open1 = percentile(openOne, 50);
    const double frame = percentile(frames, 99);
    std::vector<ResultRow> rows{
        {QStringLiteral("open and paint, one receiver, median of %1 (ms)").arg(kOpenRuns),
         fixed(open1, 1), fixed(kOpenBudgetMs, 0), fixed(open1 / kOpenBudgetMs, 2),
         QStringLiteral("< 300 ms"), metText(open1 >= 0 && open1 < kOpenBudgetMs)},
        {QStringLiteral("the same, CPU time (ms)"),
         fixed(percentile(openOneCpu, 50), 1),
         {},
         {},
         {},
         {}},
        {QStringLiteral("open and paint, three receivers stacked, median (ms)"),
         fixed(percentile(openThree, 50), 1),
         {},
         {},
         {},
         {}},
        {QStringLiteral("the same, CPU time (ms)"),
         fixed(percentile(openThreeCpu, 50), 1),
         {},
         {},
         {},
         {}},
        {QStringLiteral("pan frame, three receivers, p50 (ms)"),
         fixed(percentile(frames, 50), 1),
         {},
         {},
         {},
         {}},
        {QStringLiteral("pan frame, three receivers, p99 (ms)"), fixed(frame, 1),
         fixed(kFrameBudgetMs, 0), fixed(frame / kFrameBudgetMs, 2), QStringLiteral("< 30 ms"),
         metText(frame < kFrameBudgetMs)},
        {QStringLiteral("pan frame CPU time, p50 / p99 (ms)"),
         fixed(percentile(frameCpu, 50), 1) + QStringLiteral(" / ") +
             fixed(percentile(frameCpu, 99), 1),
         {},
         {},
         {},
         {}},
        {QStringLiteral("points plotted per receiver at one hour across"),
         QString::number(points),
         {},
         {},
         {},
         {}},
    };
    const QString load = QString::fromStdString(loadAverage());
    printSection(
        QStringLiteral("History window: 4-hour show, %1 receivers, 1500 × 1000 window")
            .arg(kReceivers),
        rows,
        {QStringLiteral("the file (%1 rows) written by the recorder's batch writer in %2 s; "
                        "opening reads the receiver list and the shown receivers' seconds only, "
                        "then reduces each curve to two points per pixel column")
             .arg(kReceivers * kShowSeconds)
             .arg(writeMs / 1000, 0, 'f', 1),
         QStringLiteral("a pan frame: the range moves a minute, every chart recomputes its "
                        "curves and repaints; under Xvfb; load average after: %1")
             .arg(load)});
    return 0;
}
