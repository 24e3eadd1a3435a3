// Monitor scale, headless: N monitor engines poll N simulated receivers for T seconds at each
// poll interval. The simulator runs in a child process that timestamps every poll line as it
// arrives, so the poll rate and the poll-period jitter are what the receivers see, and this
// process's CPU time is the engines' alone. The limit is a minimal C++ client doing the same
// exchanges against the same simulator in the same run.

#include "bench/bench_support.h"
#include "bench/engine_fleet.h"
#include "bench/minimal_client.h"
#include "bench/sim_child.h"
#include "core/message_codes.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace tessaly;
using namespace tessaly::bench;

namespace {

constexpr double kPollRateBudget = 0.99;
constexpr double kJitterBudgetMs = 2.0;
constexpr double kCpuRatioBudget = 3.0;
constexpr int64_t kMemoryBudgetKb = 150 * 1024;
constexpr int kThreadAllowance = 8; // the main thread and Qt's own helpers
constexpr int kConnectLimitMs = 15000;
constexpr int kSettleMs = 1000;
constexpr int kRoundTripSeconds = 3;
constexpr int kClientSeconds = 10;
constexpr int kSampleMs = 500;
constexpr int kEngineStopSettleMs = 300;

// The engine's own view of a poll's round trip: from its "Send" trace line to the block that
// answers it, on the engine's thread.
struct RoundTrips {
    int64_t sentAt = 0;
    std::vector<double> ms;
};

// How far each period between two polls of one receiver strayed from the interval, in ms.
std::vector<double> periodJitterMs(const std::vector<std::vector<int64_t>>& arrivals,
                                   int intervalMs) {
    std::vector<double> jitter;
    for (const auto& times : arrivals) {
        for (size_t k = 1; k < times.size(); ++k) {
            const double periodMs = static_cast<double>(times[k] - times[k - 1]) / 1e6;
            jitter.push_back(std::abs(periodMs - intervalMs));
        }
    }
    return jitter;
}

int64_t pollCount(const std::vector<std::vector<int64_t>>& arrivals) {
    int64_t polls = 0;
    for (const auto& times : arrivals) {
        polls += static_cast<int64_t>(times.size());
    }
    return polls;
}

void runInterval(const BenchOptions& config, int intervalMs, SimChild& sim) {
    static ReceiverTable table;
    static MonitorValueTable values;
    fillBenchTable(table, config.count, sim.port(), intervalMs);
    values.reset();

    // The limit, taken before and after the engines so that a change in the machine's load
    // during the run shows in both.
    const int clientSeconds = std::min(config.seconds, kClientSeconds);
    sim.takePollArrivals();
    const MinimalClientResult clientBefore =
        runMinimalClient(sim.port(), config.count, intervalMs, clientSeconds);

    std::vector<std::unique_ptr<CCommThreadMonitor>> engines;
    for (int n = 1; n <= config.count; ++n) {
        engines.push_back(
            std::make_unique<CCommThreadMonitor>(&table, &values, n, benchEngineOptions()));
        engines.back()->start();
        engines.back()->post(kEvMonitorStart, 0);
    }
    const bool connected = waitAllConnected(engines, kConnectLimitMs);
    spinFor(kSettleMs);
    sim.takePollArrivals();

    int64_t peakKb = 0;
    int peakThreads = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        peakKb = std::max(peakKb, residentKb());
        peakThreads = std::max(peakThreads, threadCount());
    });
    sampler.start(kSampleMs);
    const int64_t cpuStart = processCpuNs();
    const int64_t wallStart = monotonicNs();
    spinFor(config.seconds * 1000);
    const int64_t cpuNs = processCpuNs() - cpuStart;
    const int64_t wallNs = monotonicNs() - wallStart;
    sampler.stop();
    const auto arrivals = sim.takePollArrivals();

    // Round trips in a short pass of their own: the data trace they need costs CPU time.
    std::vector<RoundTrips> trips(engines.size());
    std::vector<QMetaObject::Connection> hooks;
    for (size_t i = 0; i < engines.size(); ++i) {
        RoundTrips* mine = &trips[i];
        hooks.push_back(QObject::connect(
            &engines[i]->trace(), &CommTrace::lineAdded, [mine](int listId, const QString& line) {
                if (listId != kTraceListData) {
                    return;
                }
                const int64_t now = monotonicNs();
                if (line.contains(QLatin1String(" Send "))) {
                    mine->sentAt = now;
                } else if (mine->sentAt != 0) {
                    mine->ms.push_back(static_cast<double>(now - mine->sentAt) / 1e6);
                    mine->sentAt = 0;
                }
            }));
        engines[i]->trace().setDataTraceOn(true);
    }
    spinFor(kRoundTripSeconds * 1000);
    for (auto& engine : engines) {
        engine->trace().setDataTraceOn(false);
        engine->post(kEvMonitorStop, 0);
    }
    spinFor(kEngineStopSettleMs);
    for (auto& engine : engines) {
        engine->stop();
    }
    for (const auto& hook : hooks) {
        QObject::disconnect(hook);
    }
    engines.clear();

    sim.takePollArrivals();
    const MinimalClientResult clientAfter =
        runMinimalClient(sim.port(), config.count, intervalMs, clientSeconds);
    sim.takePollArrivals();
    const MinimalClientResult threaded =
        runThreadPerReceiverClient(sim.port(), config.count, intervalMs, clientSeconds);
    const std::vector<double> clientJitterMs = periodJitterMs(sim.takePollArrivals(), intervalMs);
    MinimalClientResult client;
    client.exchanges = clientBefore.exchanges + clientAfter.exchanges;
    client.cpuNs = clientBefore.cpuNs + clientAfter.cpuNs;
    client.wallNs = clientBefore.wallNs + clientAfter.wallNs;
    client.ok = clientBefore.ok && clientAfter.ok;

    // Figures.
    const int64_t polls = pollCount(arrivals);
    const std::vector<double> jitterMs = periodJitterMs(arrivals, intervalMs);
    std::vector<double> roundTripMs;
    for (const RoundTrips& t : trips) {
        roundTripMs.insert(roundTripMs.end(), t.ms.begin(), t.ms.end());
    }
    const double seconds = static_cast<double>(wallNs) / 1e9;
    const double rate = static_cast<double>(polls) / seconds;
    const double ideal = config.count * 1000.0 / intervalMs;
    const double cpuPerPollUs = polls > 0 ? static_cast<double>(cpuNs) / 1e3 / polls : 0.0;
    const double clientUs =
        client.exchanges > 0 ? static_cast<double>(client.cpuNs) / 1e3 / client.exchanges : 0.0;
    const double cpuRatio = clientUs > 0 ? cpuPerPollUs / clientUs : 0.0;
    const double jitter50 = percentile(jitterMs, 50);
    const double jitter99 = percentile(jitterMs, 99);
    const int threadBudget = config.count + kThreadAllowance;

    std::vector<ResultRow> rows;
    rows.push_back({QStringLiteral("polls per second"), fixed(rate, 1), fixed(ideal, 1),
                    fixed(rate / ideal, 3), QStringLiteral("≥ %1").arg(kPollRateBudget),
                    metText(rate / ideal >= kPollRateBudget)});
    const double clientJitter50 = percentile(clientJitterMs, 50);
    const double clientJitter99 = percentile(clientJitterMs, 99);
    rows.push_back({QStringLiteral("poll-period jitter p50 (ms)"),
                    fixed(jitter50, 2),
                    fixed(clientJitter50, 2),
                    {},
                    {},
                    {}});
    rows.push_back({QStringLiteral("poll-period jitter p99 (ms)"),
                    fixed(jitter99, 2),
                    fixed(clientJitter99, 2),
                    {},
                    QStringLiteral("< %1 ms").arg(kJitterBudgetMs),
                    metText(jitter99 < kJitterBudgetMs)});
    rows.push_back({QStringLiteral("poll round trip p50 (ms)"),
                    fixed(percentile(roundTripMs, 50), 3),
                    {},
                    {},
                    {},
                    {}});
    rows.push_back({QStringLiteral("poll round trip p99 (ms)"),
                    fixed(percentile(roundTripMs, 99), 3),
                    {},
                    {},
                    {},
                    {}});
    rows.push_back({QStringLiteral("CPU per poll (µs)"), fixed(cpuPerPollUs, 1),
                    client.ok ? fixed(clientUs, 1) : QStringLiteral("client failed"),
                    fixed(cpuRatio, 2), QStringLiteral("≤ %1×").arg(kCpuRatioBudget),
                    metText(client.ok && cpuRatio <= kCpuRatioBudget)});
    const double threadedUs = threaded.exchanges > 0
                                  ? static_cast<double>(threaded.cpuNs) / 1e3 / threaded.exchanges
                                  : 0.0;
    rows.push_back({QStringLiteral("CPU per poll against a thread per receiver (µs)"),
                    fixed(cpuPerPollUs, 1),
                    threaded.ok ? fixed(threadedUs, 1) : QStringLiteral("client failed"),
                    fixed(threadedUs > 0 ? cpuPerPollUs / threadedUs : 0.0, 2),
                    {},
                    {}});
    rows.push_back({QStringLiteral("CPU load of the engines (% of one core)"),
                    fixed(100.0 * static_cast<double>(cpuNs) / static_cast<double>(wallNs), 1),
                    {},
                    {},
                    {},
                    {}});
    rows.push_back({QStringLiteral("resident memory (MB)"),
                    fixed(static_cast<double>(peakKb) / 1024.0, 1),
                    {},
                    {},
                    QStringLiteral("< %1 MB").arg(kMemoryBudgetKb / 1024),
                    metText(peakKb < kMemoryBudgetKb)});
    rows.push_back({QStringLiteral("threads"), QString::number(peakThreads),
                    QStringLiteral("%1 engines").arg(config.count),
                    QStringLiteral("+%1").arg(peakThreads - config.count),
                    QStringLiteral("≤ engines + %1").arg(kThreadAllowance),
                    metText(peakThreads <= threadBudget)});
    std::vector<QString> notes{
        QStringLiteral("%1 polls in %2 s; all engines connected before the window: %3")
            .arg(polls)
            .arg(fixed(seconds, 2), connected ? QStringLiteral("yes") : QStringLiteral("no")),
        QStringLiteral(
            "the minimal client (one thread, blocking sockets, poll(), sending on "
            "absolute ticks) answered %1 exchanges in %2 s, run before and after the "
            "engines; a thread per receiver on absolute ticks is the design's own floor, and its "
            "poll-period jitter as the simulator saw it is the jitter rows' limit: what "
            "this machine's load allows")
            .arg(client.exchanges)
            .arg(fixed(static_cast<double>(client.wallNs) / 1e9, 2)),
        QStringLiteral("round trips: %1 samples from a %2 s pass with the data trace on")
            .arg(roundTripMs.size())
            .arg(kRoundTripSeconds),
        QStringLiteral("load average after the run: %1")
            .arg(QString::fromStdString(loadAverage()))};
    printSection(QStringLiteral("Monitor scale: %1 engines, poll interval %2 ms, %3 s")
                     .arg(config.count)
                     .arg(intervalMs)
                     .arg(config.seconds),
                 rows, notes);
}

} // namespace

int main(int argc, char** argv) {
    const BenchOptions config = parseBenchOptions(
        argc, argv, BenchOptions::Count | BenchOptions::Seconds | BenchOptions::Intervals,
        {.count = kMaxReceivers, .seconds = 20, .intervals = {100, 20}});
    SimChild sim; // before any thread of this process exists
    if (!sim.start(config.count)) {
        std::fprintf(stderr, "bench_monitor_scale: the simulator did not start\n");
        return 1;
    }
    QCoreApplication app(argc, argv);
    for (int interval : config.intervals) {
        runInterval(config, interval, sim);
    }
    sim.stop();
    return 0;
}
