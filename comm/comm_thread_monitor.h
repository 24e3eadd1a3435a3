#pragma once

#include "comm/engine_options.h"
#include "comm/monitor_engine.h"
#include "core/comm_trace.h"
#include "protocol/receiver_table.h"

#include <QThread>

#include <mutex>

namespace tessaly {

// The thread of the monitor engine of one receiver number. The view constructs it with the
// program-wide tables and the number and calls start(); post(2006) starts monitoring, post(2007)
// stops it (sending ":REMOTE 0" when connected), post(2009) asks for the trace window (see
// CommTrace::showRequested). requestQuit() and then waitForEnd() (or stop()) end the thread.
class CCommThreadMonitor : public QThread {
    Q_OBJECT
public:
    CCommThreadMonitor(ReceiverTable* table, MonitorValueTable* values, int receiverNumber,
                       EngineOptions options = {}, QObject* parent = nullptr);
    ~CCommThreadMonitor() override;

    // Queued for the engine: also before the thread has started, they are handled once it runs.
    bool post(int code, qintptr value = 0);

    // Asks the engine's loop to quit, ending a connect in progress; does not wait.
    void requestQuit();
    // Waits at most `waitMs` for the thread to end; true when it ended. Use it rather than
    // QThread::wait(), whose ordering the thread sanitizer cannot see.
    bool waitForEnd(int waitMs);
    // requestQuit(), then waitForEnd(waitMs).
    bool stop(int waitMs = kMonitorQuitWaitMs);

    int receiverNumber() const { return receiverNumber_; }
    int runState() const { return status_.runState.load(std::memory_order_relaxed); }
    int connectionState() const { return status_.connectionState.load(std::memory_order_relaxed); }
    bool answered() const { return status_.answered.load(std::memory_order_relaxed); }
    CommTrace& trace() { return trace_; }
    // Read from any thread: its fields are atomics (see show_observation.h).
    const MonitorEngineStatus& status() const { return status_; }
    bool commDebug() const { return options_.commDebug; }

protected:
    void run() override;

private:
    ReceiverTable* table_;
    MonitorValueTable* values_;
    int receiverNumber_;
    EngineOptions options_;
    CommTrace trace_;
    MonitorEngineStatus status_;
    std::mutex engineMutex_;
    MonitorEngine* engine_ = nullptr;
    std::vector<std::pair<int, qintptr>> early_; // posted before the engine existed
};

} // namespace tessaly
