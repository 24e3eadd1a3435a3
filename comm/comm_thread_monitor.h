#pragma once

#include "comm/engine_options.h"
#include "comm/engine_thread.h"
#include "comm/monitor_engine.h"
#include "core/comm_trace.h"
#include "protocol/receiver_table.h"

namespace tessaly {

// The thread of the monitor engine of one receiver number. The view constructs it with the
// program-wide tables and the number and calls start(); post(2006) starts monitoring, post(2007)
// stops it (sending ":REMOTE 0" when connected), post(2009) asks for the trace window (see
// CommTrace::showRequested). Posts are queued for the engine, also before the thread has
// started. requestQuit() and then waitForEnd() (or stop()) end the thread.
class CCommThreadMonitor : public EngineThread {
    Q_OBJECT
public:
    CCommThreadMonitor(ReceiverTable* table, MonitorValueTable* values, int receiverNumber,
                       EngineOptions options = {}, QObject* parent = nullptr);
    ~CCommThreadMonitor() override;

    int receiverNumber() const { return receiverNumber_; }
    int runState() const { return status_.runState.load(std::memory_order_relaxed); }
    int connectionState() const { return status_.connectionState.load(std::memory_order_relaxed); }
    bool answered() const { return status_.answered.load(std::memory_order_relaxed); }
    // Read from any thread: its fields are atomics (see show_observation.h).
    const MonitorEngineStatus& status() const { return status_; }

protected:
    std::unique_ptr<QObject> makeEngine() override;

private:
    ReceiverTable* table_;
    MonitorValueTable* values_;
    int receiverNumber_;
    MonitorEngineStatus status_;
};

} // namespace tessaly
