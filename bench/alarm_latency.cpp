// Alarm latency: from a condition in the receivers' answers to its label on the panel, and from
// a receiver's last answer to its offline alarm. The real monitor control runs 60 engines, its
// refresh timer and the show watch; the receivers are simulated in this process on loopback and
// changed with the rehearsal control lines. The host stamps every live update that drew, and
// reads which panels show which label at that moment.

#include "bench/bench_support.h"
#include "bench/engine_fleet.h"
#include "chrome/menu_commands.h"
#include "comm/monitor_engine.h"
#include "monitor/monitor_control.h"
#include "sim/control_command.h"
#include "sim/simulator.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace tessaly;
using namespace tessaly::bench;

namespace {

constexpr int kRefreshIntervalMs = 100; // monitor/interval
constexpr double kConditionSlackMs = 20.0;
constexpr int kToggleHalfPeriodMs = 700; // out of step with the poll and the refresh
constexpr int kConnectLimitMs = 15000;
constexpr int kOfflineEvery = 6; // every sixth receiver goes down in the offline rounds
const QSize kScreen(1920, 1080);

struct Seen {
    QString label;
    int64_t sinceNs = 0; // when the panel first showed it
};

class StampingHost : public IMonitorHost {
public:
    explicit StampingHost(int count) : seen_(static_cast<size_t>(count)) {}
    // The watch belongs to the monitor control, which is made after its host.
    void setWatch(const CShowWatch* watch) { watch_ = watch; }
    void layoutBuilt() override {}
    void invalidate() override {
        if (watch_ == nullptr) {
            return;
        }
        const int64_t now = monotonicNs();
        for (size_t i = 0; i < seen_.size(); ++i) {
            const QString& label = watch_->panelState(static_cast<int>(i) + 1).label;
            if (label != seen_[i].label) {
                seen_[i] = {label, now};
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
    const Seen& seen(int number) const { return seen_[static_cast<size_t>(number - 1)]; }

private:
    const CShowWatch* watch_ = nullptr;
    std::vector<Seen> seen_;
};

void sendControl(sim::Simulator& sim, int count, const std::string& line) {
    sim::ControlCommand command;
    std::string error;
    if (!sim::parseControlLine(line, count, command, error) || !sim.applyControl(command, &error)) {
        std::fprintf(stderr, "bench_alarm_latency: %s: %s\n", line.c_str(), error.c_str());
    }
}

void run(int count, int rounds, int intervalMs, sim::Simulator& sim) {
    ReceiverTable& table = programReceiverTable();
    MonitorValueTable& values = programMonitorValues();
    fillBenchTable(table, count, sim.port(), intervalMs);
    values.reset();
    DisplayState display;
    display.layoutMode = kLayoutLargeHorizontal;

    MonitorControlOptions options;
    options.refreshIntervalMs = kRefreshIntervalMs;
    options.show.journalOff = true;
    // Every toggle is an alarm of its own: no hold, no flapping mark.
    options.show.settings.holdS = 0;
    options.show.settings.flapCount = 1000000;
    EngineOptions engineOptions = benchEngineOptions();
    engineOptions.reconnectDelayMs = 500;

    std::vector<double> conditionMs;
    std::vector<double> offlineMs;
    int conditionsMissed = 0;
    int offlineMissed = 0;
    const int64_t offlineLimitMs = options.show.settings.offlineMs() + kRefreshIntervalMs;
    {
        CPanelRenderer renderer;
        StampingHost stamps(count);
        CMonitorControl monitor(renderer, stamps, table, values, display,
                                monitorThreadFactory(&table, &values, engineOptions), options);
        stamps.setWatch(&monitor.show());
        StampingHost* host = &stamps;
        CMonitorControl* control = &monitor;
        control->initialUpdate(kScreen);
        control->replaceReceiverTable();
        control->handleCommand(kCmdMonitorStartStop, kMonitoringStart);
        const int64_t connectDeadline = monotonicNs() + int64_t{kConnectLimitMs} * 1'000'000;
        while (monotonicNs() < connectDeadline) {
            int live = 0;
            for (int n = 1; n <= count; ++n) {
                live += monitor.show().model().receiver(n).liveness == show::Liveness::Live ? 1 : 0;
            }
            if (live == count) {
                break;
            }
            spinFor(50);
        }

        // Battery 0 and back: the "BATT 0" label, measured from the moment the receivers changed.
        const std::string all = "1-" + std::to_string(count);
        for (int round = 0; round < rounds; ++round) {
            sendControl(sim, count, all + " battery 0");
            const int64_t changedNs = monotonicNs();
            spinFor(kToggleHalfPeriodMs);
            for (int n = 1; n <= count; ++n) {
                const Seen& seen = host->seen(n);
                if (seen.label == QLatin1String("BATT 0") && seen.sinceNs >= changedNs) {
                    conditionMs.push_back(static_cast<double>(seen.sinceNs - changedNs) / 1e6);
                } else {
                    ++conditionsMissed;
                }
            }
            sendControl(sim, count, all + " battery 4");
            spinFor(kToggleHalfPeriodMs);
        }

        // Receivers taken down: the offline alarm, measured from each one's last answer.
        for (int round = 0; round < std::max(1, rounds / 4); ++round) {
            std::vector<int> down;
            for (int n = 1 + round % kOfflineEvery; n <= count; n += kOfflineEvery) {
                down.push_back(n);
                sim.stopReceiver(n);
            }
            spinFor(static_cast<int>(offlineLimitMs) + 1000);
            for (int n : down) {
                const MonitorEngineStatus* status = monitor.engines().engine(n)->status();
                const int64_t lastAnswerMs = status->lastAnswerMs.load();
                const Seen& seen = host->seen(n);
                if (seen.label == QLatin1String("OFFLINE") && lastAnswerMs >= 0) {
                    const int64_t shownMs = seen.sinceNs / 1'000'000;
                    offlineMs.push_back(static_cast<double>(shownMs - lastAnswerMs));
                } else {
                    ++offlineMissed;
                }
                sim.startReceiver(n);
            }
            spinFor(2000);
        }
        control->handleCommand(kCmdMonitorStartStop, kMonitoringStop);
        spinFor(300);
    }

    const double conditionLimit = intervalMs + kRefreshIntervalMs + kConditionSlackMs;
    const double p99 = percentile(conditionMs, 99);
    const double offlineP99 = percentile(offlineMs, 99);
    std::vector<ResultRow> rows;
    rows.push_back({QStringLiteral("battery 0 to its label, p50 (ms)"),
                    fixed(percentile(conditionMs, 50), 1),
                    fixed(conditionLimit, 0),
                    {},
                    {},
                    {}});
    rows.push_back({QStringLiteral("battery 0 to its label, p99 (ms)"), fixed(p99, 1),
                    fixed(conditionLimit, 0), fixed(p99 / conditionLimit, 2),
                    QStringLiteral("≤ poll + refresh + 20 ms"), metText(p99 <= conditionLimit)});
    rows.push_back({QStringLiteral("conditions never labelled"),
                    QString::number(conditionsMissed),
                    QString::number(conditionMs.size() + static_cast<size_t>(conditionsMissed)),
                    {},
                    QStringLiteral("0"),
                    metText(conditionsMissed == 0)});
    rows.push_back(
        {QStringLiteral("last answer to the offline alarm, p99 (ms)"), fixed(offlineP99, 1),
         QString::number(offlineLimitMs),
         fixed(offlineP99 / static_cast<double>(offlineLimitMs), 2),
         QStringLiteral("≤ offline_s + one refresh"),
         metText(!offlineMs.empty() && offlineP99 <= static_cast<double>(offlineLimitMs))});
    rows.push_back({QStringLiteral("receivers down without an offline alarm"),
                    QString::number(offlineMissed),
                    QString::number(offlineMs.size() + static_cast<size_t>(offlineMissed)),
                    {},
                    QStringLiteral("0"),
                    metText(offlineMissed == 0)});
    printSection(QStringLiteral("Alarm latency: %1 receivers, poll interval %2 ms, refresh %3 ms")
                     .arg(count)
                     .arg(intervalMs)
                     .arg(kRefreshIntervalMs),
                 rows,
                 {QStringLiteral("the simulator runs in this process; every receiver's battery "
                                 "goes to 0 and back %1 times, and every sixth receiver is taken "
                                 "down in the offline rounds")
                      .arg(rounds),
                  QStringLiteral("load average after the run: %1")
                      .arg(QString::fromStdString(loadAverage()))});
}

} // namespace

int main(int argc, char** argv) {
    const BenchOptions bench = parseBenchOptions(
        argc, argv, BenchOptions::Count | BenchOptions::Rounds | BenchOptions::Intervals,
        {.count = kMaxReceivers, .rounds = 8, .intervals = {100, 20}});
    const int count = bench.count;
    const int rounds = bench.rounds;
    const std::vector<int>& intervals = bench.intervals;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    sim::Simulator sim;
    sim::SimulatorOptions options;
    options.count = count;
    options.port = sim::findFreeLoopbackPort(QHostAddress(QStringLiteral("127.0.0.1")), count);
    if (options.port == 0 || !sim.start(options)) {
        std::fprintf(stderr, "bench_alarm_latency: the simulator did not start\n");
        return 1;
    }
    for (int n = 1; n <= count; ++n) {
        sim::LiveLevels levels; // steady levels: only the battery changes
        sim.setLevels(n, levels);
    }
    for (int interval : intervals) {
        run(count, rounds, interval, sim);
    }
    sim.stop();
    return 0;
}
