// Alarm evaluation at full scale: 60 monitor engines poll 60 simulated receivers (in a child
// process) at 100 ms, and every refresh (100 ms) this thread observes all 60 engines, updates
// the alarm model and drains its events, as the view's snapshot and tessaly-cli do. The figure
// is the thread CPU time spent in those evaluations against the CPU time of the engines in the
// same window.

#include "bench/bench_support.h"
#include "bench/engine_fleet.h"
#include "bench/sim_child.h"
#include "comm/show_observation.h"
#include "core/message_codes.h"
#include "show/alarm_model.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

using namespace tessaly;
using namespace tessaly::bench;

namespace {

constexpr int kCount = 60;
constexpr int kPollIntervalMs = 100;
constexpr int kRefreshIntervalMs = 100; // monitor/interval
constexpr double kShareBudget = 0.05;
constexpr int kConnectLimitMs = 15000;
constexpr int kSettleMs = 1000;
constexpr int kEngineStopSettleMs = 300;

} // namespace

int main(int argc, char** argv) {
    const int seconds =
        parseBenchOptions(argc, argv, BenchOptions::Seconds, {.seconds = 20}).seconds;
    SimChild sim; // before any thread of this process
    if (!sim.start(kCount)) {
        std::fprintf(stderr, "bench_alarms: the simulator did not start\n");
        return 1;
    }
    QCoreApplication app(argc, argv);
    static ReceiverTable table;
    static MonitorValueTable values;
    fillBenchTable(table, kCount, sim.port(), kPollIntervalMs);
    values.reset();
    std::vector<std::unique_ptr<CCommThreadMonitor>> engines;
    for (int n = 1; n <= kCount; ++n) {
        engines.push_back(
            std::make_unique<CCommThreadMonitor>(&table, &values, n, benchEngineOptions()));
        engines.back()->start();
        engines.back()->post(kEvMonitorStart, 0);
    }
    const bool connected = waitAllConnected(engines, kConnectLimitMs);
    spinFor(kSettleMs);

    show::AlarmModel model;
    std::vector<show::ReceiverObservation> observations;
    int64_t evaluationNs = 0;
    int64_t evaluations = 0;
    size_t events = 0;
    QTimer refresh;
    refresh.setTimerType(Qt::PreciseTimer);
    QObject::connect(&refresh, &QTimer::timeout, [&] {
        const int64_t start = threadCpuNs();
        const show::ShowTime now = show::ShowTime::now();
        observations.clear();
        for (const auto& engine : engines) {
            observations.push_back(observeReceiver(table, values, engine->receiverNumber(),
                                                   engine->status(), now.steadyMs));
        }
        model.update(observations, now);
        events += model.takeEvents().size();
        evaluationNs += threadCpuNs() - start;
        ++evaluations;
    });
    refresh.start(kRefreshIntervalMs);
    const int64_t cpuStart = processCpuNs();
    const int64_t wallStart = monotonicNs();
    spinFor(seconds * 1000);
    const int64_t cpuNs = processCpuNs() - cpuStart;
    const int64_t wallNs = monotonicNs() - wallStart;
    refresh.stop();

    for (auto& engine : engines) {
        engine->post(kEvMonitorStop, 0);
    }
    spinFor(kEngineStopSettleMs);
    for (auto& engine : engines) {
        engine->stop();
    }
    engines.clear();
    sim.stop();

    // The main thread only spins the refresh timer; the rest of the process's CPU time is the
    // engines' (and Qt's helpers on their behalf).
    const int64_t engineNs = std::max<int64_t>(1, cpuNs - evaluationNs);
    const double share = static_cast<double>(evaluationNs) / static_cast<double>(engineNs);
    const double perEvaluationUs =
        evaluations > 0 ? static_cast<double>(evaluationNs) / 1e3 / evaluations : 0.0;
    std::vector<ResultRow> rows;
    rows.push_back(
        {QStringLiteral("alarm evaluation CPU (% of the engines' CPU)"), fixed(100.0 * share, 2),
         fixed(static_cast<double>(engineNs) / 1e6, 1) + QStringLiteral(" ms engines"),
         fixed(share / kShareBudget, 3), QStringLiteral("≤ %1 %").arg(kShareBudget * 100),
         metText(share <= kShareBudget)});
    rows.push_back({QStringLiteral("one evaluation of %1 receivers (µs)").arg(kCount),
                    fixed(perEvaluationUs, 1),
                    {},
                    {},
                    {},
                    {}});
    printSection(QStringLiteral("Alarm evaluation (%1 receivers, poll %2 ms, refresh %3 ms)")
                     .arg(kCount)
                     .arg(kPollIntervalMs)
                     .arg(kRefreshIntervalMs),
                 rows,
                 {QStringLiteral("%1 evaluations in %2 s, %3 alarm events; all engines connected "
                                 "before the window: %4; load average %5")
                      .arg(evaluations)
                      .arg(fixed(static_cast<double>(wallNs) / 1e9, 1))
                      .arg(events)
                      .arg(connected ? QStringLiteral("yes") : QStringLiteral("no"))
                      .arg(QString::fromStdString(loadAverage()))});
    return 0;
}
