#pragma once

#include "comm/engine_options.h"
#include "protocol/receiver_table.h"
#include "sim/simulator.h"

#include <QHostAddress>
#include <QString>

#include <string>

namespace tessaly::testing {

// Engines that take every receiver as reachable: the simulator answers on loopback only.
inline EngineOptions loopbackEngineOptions() {
    EngineOptions options;
    options.ping = [](const QString&, int, int) { return 1; };
    options.startDelayMs = 0;
    return options;
}

// Simulated receivers 127.0.0.1 ... 127.0.0.n, and a table that names them "OLD<n>" on
// 710.125 MHz with both changes pending.
class SimulatedReceivers {
public:
    bool start(int count, QString* error = nullptr) {
        return start(count, sim::SimulatorOptions{}, error);
    }
    // `options` gives everything but the count and the port.
    bool start(int count, sim::SimulatorOptions options, QString* error = nullptr) {
        options.count = count;
        options.port = sim::findFreeLoopbackPort(QHostAddress("127.0.0.1"), count);
        if (options.port == 0) {
            if (error != nullptr) {
                *error = QStringLiteral("no free loopback port");
            }
            return false;
        }
        if (!simulator.start(options, error)) {
            return false;
        }
        table.count = count;
        table.portNumber = simulator.port();
        table.answerTimeoutMs = 500;
        for (int n = 1; n <= count; ++n) {
            ReceiverRecord& record = table.byNumber(n);
            record.ip = "127.0.0." + std::to_string(n);
            record.name = "OLD" + std::to_string(n);
            record.setFrequencyText("710.125");
            record.nameChanged = 1;
            record.freqChanged = 1;
        }
        return true;
    }

    sim::Simulator simulator;
    ReceiverTable table;
};

} // namespace tessaly::testing
