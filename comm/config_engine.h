#pragma once

#include "comm/engine_options.h"
#include "comm/que_data.h"
#include "comm/sock_cli.h"
#include "core/comm_trace.h"
#include "protocol/answer_line_collector.h"
#include "protocol/command_item.h"
#include "protocol/receiver_table.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <mutex>

namespace tessaly {

// Results of a configuration exchange (the value of events 2002 and 2003).
constexpr int kConfigResultOk = 0;
constexpr int kConfigResultDisconnected = 1;
constexpr int kConfigResultSendError = 2;
constexpr int kConfigResultAnswerTimeout = 3;
constexpr int kConfigResultConnectError = 4;
constexpr int kConfigResultPingError = 5;

// Connection states of an engine.
constexpr int kEngineNotConnected = 0;
constexpr int kEngineConnecting = 1;
constexpr int kEngineConnected = 2;

// The texts a failed exchange leaves to its requester.
class ConfigMessageText {
public:
    QString get() const {
        std::lock_guard lock(mutex_);
        return text_;
    }
    void set(const QString& text) {
        std::lock_guard lock(mutex_);
        text_ = text;
    }

private:
    mutable std::mutex mutex_;
    QString text_;
};

// One exchange at a time with one receiver for a requester: ping, connect, send the items that
// the requester's masks select one at a time, store each answer in the requester's table copy,
// close, and post one result (2002 for a start by 2004, 2003 for 2005) with 0 … 5. Lives on its
// own thread (CCommThreadConfig) and is driven by application messages only.
class ConfigEngine : public QObject {
public:
    ConfigEngine(ReceiverTable* table, QObject* requester, CommTrace* trace,
                 ConfigMessageText* messageText, EngineOptions options);
    ~ConfigEngine() override;

protected:
    bool event(QEvent* event) override;

private:
    void startExchange(int code, qintptr value);
    void onConnectTimer();
    void pingAndConnect();
    void sendNext(qintptr value);
    bool sendItem(const CommandItem& item);
    void onBlock();
    void onAnswerTimer();
    void onFailure();
    void onAnswerTimeout();
    void onClosedByReceiver();
    void onReceiveError(qintptr value);

    void postResult(int result);
    void stopWaiting();
    void setMessage(const QString& text) { messageText_->set(text); }
    void trace(const QString& text);
    void traceTwoPart(const QString& first, const QString& second);

    ReceiverTable* table_;
    QObject* requester_;
    CommTrace* trace_;
    ConfigMessageText* messageText_;
    EngineOptions options_;

    std::unique_ptr<CSockCli> socket_;
    CQueData queue_{kConfigQueueCapacity};
    QTimer connectTimer_;
    QTimer answerTimer_;

    int resultCode_ = 0;
    int connectionState_ = kEngineNotConnected;
    bool waiting_ = false;
    bool exchangeActive_ = false; // a result is still owed for the running exchange
    AnswerLineCollector answerLine_;
    CommandItem currentItem_;
    int32_t awaitedItemId_ = 0;
    QString lastCommand_;
    ReceiverRecord* record_ = nullptr;
};

} // namespace tessaly
