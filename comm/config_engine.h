#pragma once

#include "comm/engine_options.h"
#include "comm/engine_session.h"
#include "core/comm_trace.h"
#include "protocol/command_item.h"
#include "protocol/receiver_table.h"

#include <QString>

#include <mutex>

namespace tessaly {

// Results of a configuration exchange (the value of events 2002 and 2003).
constexpr int kConfigResultOk = 0;
constexpr int kConfigResultDisconnected = 1;
constexpr int kConfigResultSendError = 2;
constexpr int kConfigResultAnswerTimeout = 3;
constexpr int kConfigResultConnectError = 4;
constexpr int kConfigResultPingError = 5;

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
class ConfigEngine : public EngineSession {
public:
    ConfigEngine(ReceiverTable* table, QObject* requester, CommTrace* trace,
                 ConfigMessageText* messageText, EngineOptions options);
    ~ConfigEngine() override;

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

    void startExchange(int code, qintptr value);
    bool sendItem(const CommandItem& item);
    void postResult(int result);
    void setMessage(const QString& text) { messageText_->set(text); }
    void trace(const QString& text);
    void traceTwoPart(const QString& first, const QString& second);

    QObject* requester_;
    ConfigMessageText* messageText_;

    int resultCode_ = 0;
    int connectionState_ = kEngineNotConnected;
    bool exchangeActive_ = false; // a result is still owed for the running exchange
    QString lastCommand_;
    ReceiverRecord* record_ = nullptr;
};

} // namespace tessaly
