#pragma once

#include "comm/config_engine.h"
#include "comm/engine_options.h"
#include "core/comm_trace.h"
#include "protocol/receiver_table.h"

#include <QThread>

#include <mutex>

namespace tessaly {

// The thread of a configuration engine. The requester constructs it with its own table copy and
// itself as the receiver of the engine's events, then calls start(); the engine posts 2001 (value
// 99) to the requester when it is ready. An exchange: set the table's masks and the record, then
// post(2004 or 2005, receiver number); the engine answers with 2002 or 2003 and a result 0 … 5,
// after which messageText() tells what failed. stop() ends the thread.
class CCommThreadConfig : public QThread {
    Q_OBJECT
public:
    CCommThreadConfig(ReceiverTable* table, QObject* requester, EngineOptions options = {},
                      QObject* parent = nullptr);
    ~CCommThreadConfig() override;

    // Posts an event to the engine; false when the engine is not running.
    bool post(int code, qintptr value = 0);

    // Asks the engine's loop to quit (also ending a connect in progress) and waits for the thread
    // at most `waitMs`. True when it ended.
    bool stop(int waitMs = kConfigQuitWaitMs);

    // The text of the last failure; read it after a nonzero result.
    QString messageText() const { return messageText_.get(); }

    CommTrace& trace() { return trace_; }
    bool commDebug() const { return options_.commDebug; }

protected:
    void run() override;

private:
    ReceiverTable* table_;
    QObject* requester_;
    EngineOptions options_;
    CommTrace trace_;
    ConfigMessageText messageText_;
    std::mutex engineMutex_;
    ConfigEngine* engine_ = nullptr;
};

} // namespace tessaly
