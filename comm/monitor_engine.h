#pragma once

#include "comm/engine_options.h"
#include "comm/engine_session.h"
#include "core/comm_trace.h"
#include "protocol/command_item.h"
#include "protocol/receiver_table.h"
#include "show/connection_health.h"

#include <QString>
#include <QTimer>

#include <atomic>

namespace tessaly {

// Run states of a monitor engine: the codes of the requests that set them.
constexpr int kMonitorRunning = 2006;
constexpr int kMonitorStopped = 2007;

// What a monitor engine shows of itself to other threads. Times are steady-clock milliseconds
// (tessaly::show::steadyNowMs); -1 means none since Start.
struct MonitorEngineStatus {
    std::atomic<int> runState{kMonitorStopped};
    std::atomic<int> connectionState{kEngineNotConnected};
    std::atomic<int64_t> lastAnswerMs{-1}; // the last good poll answer
    std::atomic<int32_t> roundTripLastMs{-1};
    std::atomic<int32_t> roundTripWorstMs{-1}; // the worst of the last minute
    std::atomic<int32_t> reconnects{0};        // connections made again after a failure
    std::atomic<int32_t> clipRun{0};           // poll answers in a row with the AF at PEAK
    // An answer came since the last connect attempt began: a receiver that accepts connections
    // but never answers is connected without being in contact.
    std::atomic<bool> answered{false};
};

// Watches one receiver while monitoring runs: pings, connects, sends the pending changes with
// ":REMOTE 1", then polls the levels every poll interval into the receiver's monitor values,
// one query in flight at a time. On any failure it marks the receiver's communication state and
// tries again after the reconnect delay. Lives on its own thread (CCommThreadMonitor).
class MonitorEngine : public EngineSession {
public:
    MonitorEngine(ReceiverTable* table, MonitorValueTable* values, int receiverNumber,
                  CommTrace* trace, MonitorEngineStatus* status, EngineOptions options);
    ~MonitorEngine() override;

private:
    void onRequest(int code, qintptr value) override;
    void pingAndConnect() override;
    void sendNext(qintptr value) override;
    void onFailure(qintptr value) override;
    void onAnswerTimeout() override;
    void onClosedByReceiver() override;
    void onBlock() override;
    void onReceiveError(qintptr value) override;
    void onConnectTimer() override;
    void onAnswerTimer() override;

    void start();
    void stop();
    void onPollTimer();
    void stopSequence();
    void closeConnection();
    void scheduleReconnect(int delayMs);
    void finishPendingStop();
    void fail();
    void setRunState(int state);
    void setConnectionState(int state);
    void traceMessage(const QString& text);
    void traceSent(const CommandItem& item);
    void resetHealth();
    void notePollAnswer();

    ReceiverRecord* record_;
    MonitorValues* values_;
    int receiverNumber_;
    MonitorEngineStatus* status_;

    QTimer pollTimer_;

    int runState_ = kMonitorStopped;
    int connectionState_ = kEngineNotConnected;
    bool retryTimerPending_ = false;
    bool stopPending_ = false;
    int64_t sentAtMs_ = 0;       // when the awaited item went out
    bool connectedOnce_ = false; // since Start: a later connect is a reconnect
    int32_t clipRun_ = 0;
    show::RoundTripWindow roundTrips_;
};

} // namespace tessaly
