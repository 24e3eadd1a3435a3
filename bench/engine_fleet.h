#pragma once

#include "comm/comm_thread_monitor.h"
#include "protocol/receiver_table.h"

#include <QtGlobal>

#include <memory>
#include <vector>

namespace tessaly::bench {

// The table of `count` simulated receivers at 127.0.0.1 … on `port`, polled every
// `pollIntervalMs`.
void fillBenchTable(ReceiverTable& table, int count, quint16 port, int pollIntervalMs);

// Engine options for the bench: the receivers are local, so the ping before a connect is
// answered at once and stays out of the figures.
EngineOptions benchEngineOptions();

// Runs the Qt event loop of the calling thread for `ms`.
void spinFor(int ms);

// Spins until every engine is connected or `limitMs` passed; true when all are.
bool waitAllConnected(const std::vector<std::unique_ptr<CCommThreadMonitor>>& engines, int limitMs);

} // namespace tessaly::bench
