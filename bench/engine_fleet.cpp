#include "bench/engine_fleet.h"

#include "comm/config_engine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace tessaly::bench {

namespace {
constexpr int kBenchAnswerTimeoutMs = 1000;
constexpr int kConnectCheckMs = 50;
} // namespace

void fillBenchTable(ReceiverTable& table, int count, quint16 port, int pollIntervalMs) {
    table.reset();
    table.count = count;
    table.portNumber = port;
    table.pollIntervalMs = pollIntervalMs;
    table.answerTimeoutMs = kBenchAnswerTimeoutMs;
    for (int n = 1; n <= count; ++n) {
        ReceiverRecord& record = table.byNumber(n);
        record.ip = "127.0.0." + std::to_string(n);
        record.name = "RX " + std::to_string(n);
        record.setFrequencyText("710.125");
    }
}

EngineOptions benchEngineOptions() {
    EngineOptions options;
    options.ping = [](const QString&, int, int) { return 1; };
    return options;
}

void spinFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitAllConnected(const std::vector<std::unique_ptr<CCommThreadMonitor>>& engines,
                      int limitMs) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        bool all = true;
        for (const auto& engine : engines) {
            all = all && engine->connectionState() == kEngineConnected;
        }
        if (all) {
            return true;
        }
        if (clock.elapsed() > limitMs) {
            return false;
        }
        spinFor(kConnectCheckMs);
    }
}

} // namespace tessaly::bench
