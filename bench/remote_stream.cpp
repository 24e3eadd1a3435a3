// Remote stream at scale: 60 engines poll 60 simulated receivers (a child process) every
// 100 ms; the snapshot loop of tessaly-cli monitor takes one snapshot a refresh (100 ms) and the
// remote server, on its own thread, streams the board to 100 WebSocket clients on a thread of
// their own. Every receiver's RF level A flips every 250 ms, so every frame carries changes.
// Figures: the server thread's CPU, the engines' poll rate against the ideal, and the time from
// the poll that brought a change to the frame with it, as the first client receives it.

#include "bench/bench_support.h"
#include "bench/engine_fleet.h"
#include "bench/sim_child.h"
#include "comm/show_observation.h"
#include "comm/show_snapshot_taker.h"
#include "core/message_codes.h"
#include "remote/remote_service.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QTimer>
#include <QWebSocket>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace tessaly;
using namespace tessaly::bench;

namespace {

constexpr int kReceivers = 60;
constexpr int kClients = 100;
constexpr int kPollMs = 100;
constexpr int kRefreshMs = 100;
constexpr int kFlipPeriodMs = 250;
constexpr int kSettleMs = 1500;
constexpr int kConnectLimitMs = 15000;

struct Seen {
    int receiver;
    int32_t rfTenths;
    int64_t atNs;
};

// The clients, all on one thread. The first one reads every frame; the others count them.
class ClientPool : public QObject {
public:
    void open(const QUrl& url) {
        for (int i = 0; i < kClients; ++i) {
            auto* client = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
            connect(client, &QWebSocket::textMessageReceived, this,
                    [this, i](const QString& text) { received(i, text); });
            connect(client, &QWebSocket::connected, this, [this] { ++connected; });
            connect(client, &QWebSocket::disconnected, this, [this] { ++disconnected; });
            client->open(url);
        }
    }
    void received(int client, const QString& text) {
        ++frames;
        if (client != 0) {
            return;
        }
        const int64_t now = monotonicNs();
        const QJsonObject frame = QJsonDocument::fromJson(text.toUtf8()).object();
        for (const QJsonValue& value : frame["receivers"].toArray()) {
            const QJsonObject r = value.toObject();
            if (r["rf_a_dbm"].isDouble()) {
                seen.push_back({r["receiver"].toInt(),
                                static_cast<int32_t>(std::lround(r["rf_a_dbm"].toDouble() * 10)),
                                now});
            }
        }
    }

    int connected = 0;
    int disconnected = 0;
    int64_t frames = 0;
    std::vector<Seen> seen;
};

} // namespace

int main(int argc, char** argv) {
    const int seconds =
        parseBenchOptions(argc, argv, BenchOptions::Seconds, {.seconds = 20}).seconds;
    SimChild sim; // before any thread of this process exists
    if (!sim.start(kReceivers)) {
        std::fprintf(stderr, "bench_remote_stream: the simulator did not start\n");
        return 1;
    }
    QCoreApplication app(argc, argv);
    ReceiverTable& table = programReceiverTable();
    MonitorValueTable& values = programMonitorValues();
    fillBenchTable(table, kReceivers, sim.port(), kPollMs);
    values.reset();
    values.count = kReceivers;
    std::vector<std::unique_ptr<CCommThreadMonitor>> engines;
    for (int n = 1; n <= kReceivers; ++n) {
        engines.push_back(
            std::make_unique<CCommThreadMonitor>(&table, &values, n, benchEngineOptions()));
        engines.back()->start();
        engines.back()->post(kEvMonitorStart, 0);
    }
    const bool allConnected = waitAllConnected(engines, kConnectLimitMs);

    // The snapshot loop, as tessaly-cli monitor runs it.
    show::SnapshotHub hub;
    ShowSnapshotTaker taker(hub, kRefreshMs);
    show::AlarmModel model;
    QTimer sampler;
    sampler.setTimerType(Qt::PreciseTimer);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const show::ShowTime now = show::ShowTime::now();
        std::vector<show::ReceiverObservation> observations;
        for (const auto& engine : engines) {
            observations.push_back(observeReceiver(table, values, engine->receiverNumber(),
                                                   engine->status(), now.steadyMs));
        }
        model.update(observations, now);
        taker.take(table, values, observations, model, model.takeEvents(), now);
    });
    sampler.start(kRefreshMs);
    // Where each new level first appeared in a snapshot, to split the latency in two.
    std::vector<Seen> published;
    std::vector<int32_t> lastPublished(kReceivers + 1, 0);
    hub.subscribe([&](const show::ShowSnapshotPtr& snapshot) {
        const int64_t now = monotonicNs();
        for (const show::ReceiverSnapshot& r : snapshot->receivers) {
            int32_t& last = lastPublished[static_cast<size_t>(r.observation.receiver)];
            if (r.observation.rfLevelA != last) {
                last = r.observation.rfLevelA;
                published.push_back({r.observation.receiver, last, now});
            }
        }
    });

    remote::RemoteService service;
    QString error;
    if (!service.start({}, remote::localBoard(hub), error)) {
        std::fprintf(stderr, "bench_remote_stream: %s\n", qPrintable(error));
        return 1;
    }
    QThread clientThread;
    clientThread.start();
    auto* pool = new ClientPool;
    pool->moveToThread(&clientThread);
    const QUrl url(QStringLiteral("ws://127.0.0.1:%1/api/v1/stream").arg(service.port()));
    QMetaObject::invokeMethod(pool, [pool, url] { pool->open(url); });

    sim.startLevelFlips(kFlipPeriodMs);
    spinFor(kSettleMs);
    sim.takeLevelChanges();
    sim.takePollArrivals();
    const auto serverCpu = [&] {
        int64_t ns = 0;
        QMetaObject::invokeMethod(
            service.server(), [] { return threadCpuNs(); }, Qt::BlockingQueuedConnection, &ns);
        return ns;
    };
    int connectedClients = 0;
    QMetaObject::invokeMethod(
        pool, [pool] { return pool->connected; }, Qt::BlockingQueuedConnection, &connectedClients);
    const int64_t serverStart = serverCpu();
    const int64_t processStart = processCpuNs();
    const int64_t wallStart = monotonicNs();
    int64_t framesStart = 0;
    QMetaObject::invokeMethod(
        pool, [pool] { return pool->frames; }, Qt::BlockingQueuedConnection, &framesStart);

    spinFor(seconds * 1000);

    const int64_t wallNs = monotonicNs() - wallStart;
    int64_t framesEnd = 0;
    QMetaObject::invokeMethod(
        pool, [pool] { return pool->frames; }, Qt::BlockingQueuedConnection, &framesEnd);
    const int64_t serverNs = serverCpu() - serverStart;
    const int64_t processNs = processCpuNs() - processStart;
    const auto changes = sim.takeLevelChanges();
    const auto arrivals = sim.takePollArrivals();
    spinFor(kFlipPeriodMs); // the last frames arrive
    std::vector<Seen> seen;
    int disconnected = 0;
    QMetaObject::invokeMethod(
        pool,
        [&] {
            seen = pool->seen;
            disconnected = pool->disconnected;
        },
        Qt::BlockingQueuedConnection);
    sampler.stop();
    service.stop();
    QMetaObject::invokeMethod(
        pool, [pool] { delete pool; }, Qt::BlockingQueuedConnection);
    clientThread.quit();
    clientThread.wait();

    // Change to frame: from the first poll of the receiver after the simulator changed its level
    // (the answer carries it back within the round trip) to the first frame with the new level.
    std::vector<double> latencyMs;
    std::vector<double> toSnapshotMs;
    std::vector<double> snapshotToFrameMs;
    int unmatched = 0;
    const int64_t cutoff = wallStart + wallNs - int64_t{kFlipPeriodMs} * 1'000'000;
    for (const LevelChange& change : changes) {
        if (change.atNs > cutoff || change.number < 1 || change.number > kReceivers) {
            continue;
        }
        const auto& polls = arrivals[static_cast<size_t>(change.number - 1)];
        const auto poll = std::upper_bound(polls.begin(), polls.end(), change.atNs);
        if (poll == polls.end()) {
            ++unmatched;
            continue;
        }
        const auto frame = std::find_if(seen.begin(), seen.end(), [&](const Seen& s) {
            return s.receiver == change.number && s.rfTenths == change.rfLevelA && s.atNs > *poll;
        });
        if (frame == seen.end()) {
            ++unmatched;
            continue;
        }
        latencyMs.push_back(static_cast<double>(frame->atNs - *poll) / 1e6);
        const auto snapshot = std::find_if(published.begin(), published.end(), [&](const Seen& s) {
            return s.receiver == change.number && s.rfTenths == change.rfLevelA && s.atNs > *poll;
        });
        if (snapshot != published.end() && snapshot->atNs <= frame->atNs) {
            toSnapshotMs.push_back(static_cast<double>(snapshot->atNs - *poll) / 1e6);
            snapshotToFrameMs.push_back(static_cast<double>(frame->atNs - snapshot->atNs) / 1e6);
        }
    }
    int64_t polls = 0;
    for (const auto& times : arrivals) {
        polls += static_cast<int64_t>(times.size());
    }
    const double windowS = static_cast<double>(wallNs) / 1e9;
    const double ideal = kReceivers * windowS * 1000.0 / kPollMs;
    const double serverPercent =
        100.0 * static_cast<double>(serverNs) / static_cast<double>(wallNs);
    const double processPercent =
        100.0 * static_cast<double>(processNs) / static_cast<double>(wallNs);
    const double framesPerClient =
        static_cast<double>(framesEnd - framesStart) / kClients / windowS;
    const double p99 = percentile(latencyMs, 99);
    const double latencyLimit = kRefreshMs + 20.0;
    printSection(
        QStringLiteral("Remote stream: %1 WebSocket clients, %2 receivers, refresh %3 ms, %4 s")
            .arg(kClients)
            .arg(kReceivers)
            .arg(kRefreshMs)
            .arg(seconds),
        {
            {"server thread CPU (% of one core)", fixed(serverPercent, 2), "10.0",
             fixed(serverPercent / 10.0, 3), "≤ 10 %", metText(serverPercent <= 10.0)},
            {"polls per second", fixed(polls / windowS, 1), fixed(ideal / windowS, 1),
             fixed(polls / ideal, 3), "≥ 0.99", metText(polls / ideal >= 0.99)},
            {"change to frame p50 (ms)", fixed(percentile(latencyMs, 50), 1), "", "", "", ""},
            {"change to frame p99 (ms)", fixed(p99, 1), fixed(latencyLimit, 1),
             fixed(p99 / latencyLimit, 3), "≤ refresh + 20 ms", metText(p99 <= latencyLimit)},
            {"  of which change to snapshot p50 / p99 (ms)",
             fixed(percentile(toSnapshotMs, 50), 1) + " / " +
                 fixed(percentile(toSnapshotMs, 99), 1),
             "", "", "", ""},
            {"  of which snapshot to frame p50 / p99 (ms)",
             fixed(percentile(snapshotToFrameMs, 50), 1) + " / " +
                 fixed(percentile(snapshotToFrameMs, 99), 1),
             "", "", "", ""},
            {"frames per client per second", fixed(framesPerClient, 2),
             fixed(1000.0 / kRefreshMs, 2), "", "", ""},
            {"whole process CPU (% of one core)", fixed(processPercent, 1), "", "", "", ""},
        },
        {QStringLiteral("%1 of %2 clients connected before the window, %3 disconnected by the end")
             .arg(connectedClients)
             .arg(kClients)
             .arg(disconnected),
         QStringLiteral("%1 level changes timed, %2 without a poll or frame after them; all "
                        "engines connected before the window: %3")
             .arg(latencyMs.size())
             .arg(unmatched)
             .arg(allConnected ? "yes" : "no"),
         QStringLiteral("the clients (JSON parsing on the first, counting on the others) run in "
                        "the same process on their own thread; the simulator is a child process"),
         QStringLiteral("load average at the end: %1").arg(QString::fromStdString(loadAverage()))});

    for (auto& engine : engines) {
        engine->post(kEvMonitorStop);
    }
    spinFor(300);
    for (auto& engine : engines) {
        engine->requestQuit();
    }
    for (auto& engine : engines) {
        engine->stop();
    }
    return 0;
}
