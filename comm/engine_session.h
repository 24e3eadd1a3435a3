#pragma once

#include "comm/engine_options.h"
#include "comm/que_data.h"
#include "comm/sock_cli.h"
#include "core/comm_trace.h"
#include "protocol/answer_line_collector.h"
#include "protocol/command_item.h"
#include "protocol/receiver_table.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

namespace tessaly {

// Connection states of an engine.
constexpr int kEngineNotConnected = 0;
constexpr int kEngineConnecting = 1;
constexpr int kEngineConnected = 2;

// What both engines do with one receiver: the socket, the queue of items to send, the connect
// and answer timers, the collector of answer lines and the one answer awaited at a time. An
// engine derives from it and handles the requests of its own kind, the socket's notifications
// and the timers; the session routes the application messages to them.
class EngineSession : public QObject {
public:
    ~EngineSession() override;

protected:
    EngineSession(ReceiverTable* table, CommTrace* trace, EngineOptions options, int queueCapacity);

    // The application messages that are the engine's own requests (any code not below).
    virtual void onRequest(int code, qintptr value) = 0;
    virtual void pingAndConnect() = 0;              // kEvPingConnect
    virtual void sendNext(qintptr value) = 0;       // kEvSendNext
    virtual void onFailure(qintptr value) = 0;      // kEvFailure
    virtual void onAnswerTimeout() = 0;             // kEvAnswerTimeout
    virtual void onClosedByReceiver() = 0;          // kEvSocketClosed
    virtual void onBlock() = 0;                     // kEvSocketBlock
    virtual void onReceiveError(qintptr value) = 0; // kEvSocketReceiveError
    virtual void onConnectTimer() = 0;
    virtual void onAnswerTimer() = 0;

    // Pings the address of `record`, then connects to it at the table's port. `ip` is the
    // address tried.
    enum class Reach { PingFailed, ConnectFailed, Connected };
    Reach pingAndConnectTo(const ReceiverRecord& record, QString& ip);

    // Sends `item`; false when the socket failed. An item answered with a line starts the wait
    // for that answer (the answer timer runs with the table's answer timeout); after any other
    // the next item is sent.
    bool send(const CommandItem& item);
    bool waiting() const { return waiting_; }
    int32_t awaitedItemId() const { return awaitedItemId_; }
    // Ends the wait for an answer without one.
    void stopWaiting();

    // The block the socket received, written to `traceList` when the data trace is on; false
    // when there was none.
    bool takeBlock(QByteArray& block, int traceList);

    // Forgets the items still to send and any part of an answer line.
    void clear();

    ReceiverTable* table_;
    CommTrace* trace_;
    EngineOptions options_;
    std::unique_ptr<CSockCli> socket_;
    CQueData queue_;
    QTimer connectTimer_;
    QTimer answerTimer_;
    AnswerLineCollector answerLine_;
    CommandItem currentItem_;

private:
    bool event(QEvent* event) final;

    bool waiting_ = false;
    int32_t awaitedItemId_ = 0;
};

} // namespace tessaly
