// Freshness: from a level change inside the simulator to the changed pixels in the view's
// content image. The simulator (a child process) flips every receiver's RF level A at a fixed
// period and notes when; here the real monitor control runs 60 engines and its refresh timer,
// and after every live update notes which panels' RF meter A now shows which level. Both sides
// use the monotonic clock, which is one clock for all processes. The same run reports the
// resident memory and threads of the engines with the view's renderer in layout mode 1.

#include "bench/bench_support.h"
#include "bench/engine_fleet.h"
#include "bench/sim_child.h"
#include "chrome/menu_commands.h"
#include "monitor/monitor_control.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

using namespace tessaly;
using namespace tessaly::bench;

namespace {

constexpr int kRefreshIntervalMs = 100; // monitor/interval
constexpr double kFreshnessSlackMs = 5.0;
constexpr int kFlipPeriodMs = 330; // longer than a poll plus a refresh, and out of step with both
constexpr int64_t kMemoryBudgetKb = 150 * 1024;
constexpr int kThreadAllowance = 8;
constexpr int kConnectLimitMs = 15000;
constexpr int kSettleMs = 1000;
const QSize kScreen(1920, 1080);

struct Drawn {
    int32_t rfLevelA;
    int64_t atNs;
};

// The host of the monitor control: no window, but every invalidate (the end of a live update
// that drew something) is when new pixels are in the content image.
class RecordingHost : public IMonitorHost {
public:
    explicit RecordingHost(CPanelRenderer& renderer, int count)
        : renderer_(renderer), drawn_(static_cast<size_t>(count)),
          shown_(static_cast<size_t>(count), kNoLevel) {}

    void layoutBuilt() override {}
    void invalidate() override {
        const int64_t now = monotonicNs();
        for (size_t i = 0; i < drawn_.size(); ++i) {
            const int32_t level = renderer_.cache(static_cast<int>(i) + 1).rfLevelA;
            if (level != shown_[i]) {
                shown_[i] = level;
                drawn_[i].push_back({level, now});
            }
        }
    }
    bool hasMainWindow() const override { return false; }
    bool mainWindowMaximised() const override { return false; }
    QRect mainWindowRect() const override { return {}; }
    void placeMainWindow(const QRect&) override {}
    void resizeMainWindow(QSize) override {}
    PlatformMetrics platformMetrics() const override {
        PlatformMetrics metrics;
        metrics.screen = kScreen;
        metrics.workArea = kScreen;
        return metrics;
    }
    void imageCreationFailed() override {}

    std::vector<std::vector<Drawn>> take() {
        auto taken = std::move(drawn_);
        drawn_.assign(taken.size(), {});
        return taken;
    }

private:
    CPanelRenderer& renderer_;
    std::vector<std::vector<Drawn>> drawn_;
    std::vector<int32_t> shown_;
};

void runInterval(int count, int seconds, int intervalMs, SimChild& sim) {
    ReceiverTable& table = programReceiverTable();
    MonitorValueTable& values = programMonitorValues();
    fillBenchTable(table, count, sim.port(), intervalMs);
    values.reset();
    DisplayState display;
    display.layoutMode = kLayoutLargeHorizontal;

    CPanelRenderer renderer;
    RecordingHost host(renderer, count);
    MonitorControlOptions options;
    options.refreshIntervalMs = kRefreshIntervalMs;
    int64_t peakKb = 0;
    int peakThreads = 0;
    std::vector<double> latencyMs;
    int unmatched = 0;
    int changesSeen = 0;
    qsizetype imageBytes = 0;
    {
        CMonitorControl control(renderer, host, table, values, display,
                                monitorThreadFactory(&table, &values, benchEngineOptions()),
                                options);
        control.initialUpdate(kScreen);
        control.replaceReceiverTable();
        control.handleCommand(kCmdMonitorStartStop, kMonitoringStart);
        spinFor(200);
        const int64_t connectDeadline = monotonicNs() + int64_t{kConnectLimitMs} * 1'000'000;
        for (;;) {
            int connected = 0;
            for (int n = 1; n <= count; ++n) {
                connected += table.byNumber(n).commState == kCommOk ? 1 : 0;
            }
            if (connected == count || monotonicNs() > connectDeadline) {
                break;
            }
            spinFor(50);
        }
        sim.startLevelFlips(kFlipPeriodMs);
        spinFor(kSettleMs);
        sim.takeLevelChanges();
        host.take();

        spinFor(seconds * 1000);
        peakKb = residentKb();
        peakThreads = threadCount();
        // Changes made in the last moments have had no time to show; leave them out.
        const int64_t cutoff = monotonicNs() - int64_t{kFlipPeriodMs} * 1'000'000;
        spinFor(kFlipPeriodMs);
        const auto changes = sim.takeLevelChanges();
        const auto drawn = host.take();
        for (const LevelChange& change : changes) {
            if (change.atNs > cutoff || change.number < 1 || change.number > count) {
                continue;
            }
            ++changesSeen;
            const auto& panel = drawn[static_cast<size_t>(change.number - 1)];
            const auto found = std::find_if(panel.begin(), panel.end(), [&](const Drawn& d) {
                return d.atNs >= change.atNs && d.rfLevelA == change.rfLevelA;
            });
            if (found == panel.end()) {
                ++unmatched;
            } else {
                latencyMs.push_back(static_cast<double>(found->atNs - change.atNs) / 1e6);
            }
        }
        imageBytes = renderer.contentImage().sizeInBytes() + renderer.cleanImage().sizeInBytes() +
                     renderer.stripImage().sizeInBytes();
        control.handleCommand(kCmdMonitorStartStop, kMonitoringStop);
        spinFor(300);
    }

    const double limitMs = intervalMs + kRefreshIntervalMs;
    const double p50 = percentile(latencyMs, 50);
    const double p99 = percentile(latencyMs, 99);
    std::vector<ResultRow> rows;
    rows.push_back({QStringLiteral("level change to pixels p50 (ms)"),
                    fixed(p50, 1),
                    fixed(limitMs, 0),
                    fixed(p50 / limitMs, 2),
                    {},
                    {}});
    rows.push_back({QStringLiteral("level change to pixels p99 (ms)"), fixed(p99, 1),
                    fixed(limitMs, 0), fixed(p99 / limitMs, 2),
                    QStringLiteral("≤ limit + %1 ms").arg(kFreshnessSlackMs),
                    metText(p99 <= limitMs + kFreshnessSlackMs)});
    rows.push_back({QStringLiteral("changes never drawn"),
                    QString::number(unmatched),
                    QString::number(changesSeen),
                    {},
                    QStringLiteral("0"),
                    metText(unmatched == 0)});
    rows.push_back({QStringLiteral("resident memory, 60 engines, layout mode 1 (MB)"),
                    fixed(static_cast<double>(peakKb) / 1024.0, 1),
                    {},
                    {},
                    QStringLiteral("< %1 MB").arg(kMemoryBudgetKb / 1024),
                    metText(peakKb < kMemoryBudgetKb)});
    rows.push_back({QStringLiteral("threads"), QString::number(peakThreads),
                    QStringLiteral("%1 engines").arg(count),
                    QStringLiteral("+%1").arg(peakThreads - count),
                    QStringLiteral("≤ engines + %1").arg(kThreadAllowance),
                    metText(peakThreads <= count + kThreadAllowance)});
    printSection(
        QStringLiteral("Freshness: %1 receivers, poll interval %2 ms, refresh %3 ms, %4 s")
            .arg(count)
            .arg(intervalMs)
            .arg(kRefreshIntervalMs)
            .arg(seconds),
        rows,
        {QStringLiteral("the limit is the poll interval plus the refresh interval; the "
                        "simulator flips RF level A of every receiver every %1 ms")
             .arg(kFlipPeriodMs),
         QStringLiteral("of the resident memory, the content, clean background and strip images "
                        "take %1 MB")
             .arg(fixed(static_cast<double>(imageBytes) / 1048576.0, 1)),
         QStringLiteral("load average after the run: %1")
             .arg(QString::fromStdString(loadAverage()))});
}

} // namespace

int main(int argc, char** argv) {
    const BenchOptions options = parseBenchOptions(
        argc, argv, BenchOptions::Count | BenchOptions::Seconds | BenchOptions::Intervals,
        {.count = kMaxReceivers, .seconds = 10, .intervals = {100, 20}});
    const int count = options.count;
    const int seconds = options.seconds;
    const std::vector<int>& intervals = options.intervals;
    SimChild sim; // before any thread of this process exists
    if (!sim.start(count)) {
        std::fprintf(stderr, "bench_freshness: the simulator did not start\n");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (int interval : intervals) {
        runInterval(count, seconds, interval, sim);
    }
    sim.stop();
    return 0;
}
