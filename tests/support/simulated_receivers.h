#pragma once

#include "comm/engine_options.h"
#include "protocol/receiver_table.h"
#include "sim/simulator.h"

#include <QString>

#include <functional>
#include <string>

namespace tessaly::testing {

// Engines that take every receiver as reachable: the simulator answers on loopback only.
inline EngineOptions loopbackEngineOptions() {
    EngineOptions options;
    options.ping = [](const QString&, int, int) { return 1; };
    options.startDelayMs = 0;
    return options;
}

// What SimulatedReceivers start from besides the count. The defaults: a table of the receivers,
// named "OLD<n>" on 710.125 MHz with both changes pending and a 500 ms answer timeout, and the
// simulator's own stage.
struct ReceiverSetup {
    bool fillTable = true;                               // false: the table learns only the port
    std::string namePrefix = "OLD";                      // empty: the records keep no name
    bool changesPending = true;                          // name and frequency both marked changed
    sim::SimulatorOptions simulator{};                   // everything but the count and the port
    std::function<sim::LiveLevels(int number)> levels{}; // fixed levels, when given
    std::function<void(int number, sim::ReceiverState&)> adjust{}; // the receivers' own settings
};

// Simulated receivers 127.0.0.1 ... 127.0.0.n on one free port, and a table pointing at them.
class SimulatedReceivers {
public:
    bool start(int count, const ReceiverSetup& setup = {}, QString* error = nullptr) {
        sim::SimulatorOptions options = setup.simulator;
        options.count = count;
        options.port = 0;
        if (!simulator.start(options, error)) {
            return false;
        }
        table.portNumber = simulator.port();
        if (setup.fillTable) {
            table.count = count;
            table.answerTimeoutMs = 500;
        }
        for (int n = 1; n <= count; ++n) {
            if (setup.levels) {
                simulator.setLevels(n, setup.levels(n));
            }
            if (setup.adjust) {
                sim::ReceiverState state = simulator.state(n);
                setup.adjust(n, state);
                simulator.setState(n, state);
            }
            if (!setup.fillTable) {
                continue;
            }
            ReceiverRecord& record = table.byNumber(n);
            record.ip = simulator.address(n).toString().toStdString();
            if (!setup.namePrefix.empty()) {
                record.name = setup.namePrefix + std::to_string(n);
            }
            record.setFrequencyText("710.125");
            record.nameChanged = setup.changesPending ? 1 : 0;
            record.freqChanged = setup.changesPending ? 1 : 0;
        }
        return true;
    }

    sim::Simulator simulator;
    ReceiverTable table;
};

} // namespace tessaly::testing
