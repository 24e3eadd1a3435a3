#include "comm/config_engine.h"

#include "core/app_message.h"
#include "protocol/answer_parser.h"
#include "protocol/command_builder.h"

#include <string_view>

namespace tessaly {

ConfigEngine::ConfigEngine(ReceiverTable* table, QObject* requester, CommTrace* trace,
                           ConfigMessageText* messageText, EngineOptions options)
    : EngineSession(table, trace, std::move(options), kConfigQueueCapacity), requester_(requester),
      messageText_(messageText) {
    trace_->setDataTraceOn(options_.commDebug);
}

ConfigEngine::~ConfigEngine() = default;

void ConfigEngine::onRequest(int code, qintptr value) {
    if (code == kEvConfigStart || code == kEvConfigStartOther) {
        startExchange(code, value);
    } else {
        trace(QStringLiteral("OnApiEvent unkown event"));
    }
}

void ConfigEngine::startExchange(int code, qintptr value) {
    resultCode_ = code == kEvConfigStart ? kEvConfigResult : kEvConfigResultOther;
    const int number = static_cast<int>(value & kReceiverNumberBits);
    if (number < 1 || number > kMaxReceivers) {
        // Receiver number 0 would address the record before the table.
        exchangeActive_ = true;
        setMessage(QStringLiteral("Receiver Number Error [%1]").arg(number));
        trace(messageText_->get());
        postResult(kConfigResultConnectError);
        return;
    }
    record_ = &table_->byNumber(number);
    answerLine_.reset();
    queue_.clear();
    if (connectionState_ == kEngineConnected) {
        socket_->close();
    }
    stopWaiting();
    {
        auto lock = table_->lockTexts();
        for (const CommandItem& item :
             buildConfigurationExchange(*record_, table_->setMask, table_->getMask)) {
            queue_.put(item.id, item); // items beyond the queue's capacity are left out
        }
    }
    connectionState_ = kEngineNotConnected;
    exchangeActive_ = true;
    connectTimer_.start(options_.startDelayMs);
}

void ConfigEngine::onConnectTimer() {
    connectTimer_.stop();
    postAppMessage(this, kEvPingConnect, 0);
}

void ConfigEngine::pingAndConnect() {
    if (!exchangeActive_) {
        return;
    }
    connectionState_ = kEngineConnecting;
    QString ip;
    switch (pingAndConnectTo(*record_, ip)) {
    case Reach::PingFailed:
        setMessage(QStringLiteral("Ping Error (%1)").arg(ip)); // which receiver is shown beside it
        trace(QStringLiteral("Ping Error"));
        postResult(kConfigResultPingError);
        return;
    case Reach::Connected:
        connectionState_ = kEngineConnected;
        postAppMessage(this, kEvSendNext, 0);
        trace(QStringLiteral("Connected."));
        return;
    case Reach::ConnectFailed:
        break;
    }
    setMessage(socket_->connectionErrorText());
    connectionState_ = kEngineNotConnected;
    postResult(kConfigResultConnectError);
    trace(socket_->connectionErrorText());
}

void ConfigEngine::sendNext(qintptr value) {
    if (waiting()) {
        return;
    }
    int32_t itemId = 0;
    if (queue_.take(itemId, currentItem_) == 0) {
        if (connectionState_ == kEngineConnected) {
            connectionState_ = kEngineNotConnected;
            socket_->close();
            postResult(kConfigResultOk);
        }
        return;
    }
    if (connectionState_ != kEngineConnected) {
        return; // the item is dropped
    }
    if (!sendItem(currentItem_)) {
        setMessage(QStringLiteral("Send Error ") + socket_->ioErrorText());
        connectionState_ = kEngineNotConnected;
        postAppMessage(this, kEvFailure, value);
    }
}

bool ConfigEngine::sendItem(const CommandItem& item) {
    if (!send(item)) {
        traceTwoPart(QStringLiteral("SockSend Error"), socket_->ioErrorText());
        return false;
    }
    const std::string_view line = item.line();
    lastCommand_ = QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()) - 2);
    traceTwoPart(QStringLiteral("Send"),
                 QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
    return true;
}

void ConfigEngine::onBlock() {
    QByteArray block;
    if (!takeBlock(block, kTraceListMessages)) {
        return;
    }
    trace(QString::fromLatin1(block));
    if (waiting()) {
        bool answered = false;
        answerLine_.feed(std::string_view(block.constData(), block.size()),
                         [&](std::string_view line) {
                             // Every line is looked at until the answer comes: a line end alone
                             // answers nothing, and lines after the awaited answer are no
                             // answer to anything.
                             if (answered || line.empty()) {
                                 return;
                             }
                             auto lock = table_->lockTexts();
                             parseConfigurationAnswer(awaitedItemId(), line, *record_);
                             answered = true;
                         });
        if (answered) {
            answerLine_.reset();
            stopWaiting();
        }
    }
    postAppMessage(this, kEvSendNext, 0);
}

void ConfigEngine::onAnswerTimer() {
    answerTimer_.stop();
    const QString text = QStringLiteral("Answer Timeout (%1)").arg(lastCommand_);
    setMessage(text);
    traceTwoPart(text, lastCommand_);
    postAppMessage(this, kEvAnswerTimeout, 0);
    connectionState_ = kEngineNotConnected;
    stopWaiting();
}

void ConfigEngine::onFailure(qintptr /*value*/) {
    stopWaiting();
    connectionState_ = kEngineNotConnected;
    socket_->close();
    postResult(kConfigResultSendError);
}

void ConfigEngine::onAnswerTimeout() {
    connectionState_ = kEngineNotConnected;
    socket_->close();
    postResult(kConfigResultAnswerTimeout);
}

void ConfigEngine::onClosedByReceiver() {
    stopWaiting();
    setMessage(QStringLiteral("DisConnect"));
    connectionState_ = kEngineNotConnected;
    traceTwoPart(QStringLiteral("DisConnect"), QStringLiteral("From Receiver"));
    postResult(kConfigResultDisconnected);
}

void ConfigEngine::onReceiveError(qintptr value) {
    const QString text = QStringLiteral("communication fault ") + socket_->ioErrorText();
    setMessage(text);
    trace(text);
    connectionState_ = kEngineNotConnected;
    postAppMessage(this, kEvFailure, value);
}

void ConfigEngine::postResult(int result) {
    // One result per exchange: a late notification of a connection that already failed (or a
    // stray 103) must not report the exchange a second time.
    if (!exchangeActive_) {
        return;
    }
    exchangeActive_ = false;
    postAppMessage(requester_, resultCode_, result);
}

void ConfigEngine::trace(const QString& text) {
    trace_->addMessageLine(kTraceListMessages, text);
}

void ConfigEngine::traceTwoPart(const QString& first, const QString& second) {
    trace_->addTwoPartLine(kTraceListMessages, first, second);
}

} // namespace tessaly
