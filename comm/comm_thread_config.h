#pragma once

#include "comm/config_engine.h"
#include "comm/engine_options.h"
#include "comm/engine_thread.h"
#include "protocol/receiver_table.h"

namespace tessaly {

// The thread of a configuration engine. The requester constructs it with its own table copy and
// itself as the receiver of the engine's events, then calls start(); the engine posts 2001 (value
// 99) to the requester when it is ready. An exchange: set the table's masks and the record, then
// post(2004 or 2005, receiver number); the engine answers with 2002 or 2003 and a result 0 … 5,
// after which messageText() tells what failed. stop() ends the thread. Posts before the engine
// is ready are refused.
class CCommThreadConfig : public EngineThread {
    Q_OBJECT
public:
    CCommThreadConfig(ReceiverTable* table, QObject* requester, EngineOptions options = {},
                      QObject* parent = nullptr);
    ~CCommThreadConfig() override;

    // The text of the last failure; read it after a nonzero result.
    QString messageText() const { return messageText_.get(); }

protected:
    std::unique_ptr<QObject> makeEngine() override;
    void engineStarted() override;

private:
    ReceiverTable* table_;
    QObject* requester_;
    ConfigMessageText messageText_;
};

} // namespace tessaly
