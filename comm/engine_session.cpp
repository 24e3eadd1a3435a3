#include "comm/engine_session.h"

#include "core/app_message.h"

namespace tessaly {

EngineSession::EngineSession(ReceiverTable* table, CommTrace* trace, EngineOptions options,
                             int queueCapacity)
    : table_(table), trace_(trace), options_(std::move(options)),
      socket_(std::make_unique<CSockCli>(this)), queue_(queueCapacity) {
    socket_->setConnectLimitMs(options_.connectLimitMs);
    connectTimer_.setSingleShot(true);
    answerTimer_.setSingleShot(true);
    connect(&connectTimer_, &QTimer::timeout, this, [this] { onConnectTimer(); });
    connect(&answerTimer_, &QTimer::timeout, this, [this] { onAnswerTimer(); });
}

EngineSession::~EngineSession() = default;

bool EngineSession::event(QEvent* event) {
    const AppMessage* message = AppMessage::from(event);
    if (message == nullptr) {
        return QObject::event(event);
    }
    switch (message->code()) {
    case kEvSendNext:
        sendNext(message->value());
        break;
    case kEvPingConnect:
        pingAndConnect();
        break;
    case kEvFailure:
        onFailure(message->value());
        break;
    case kEvAnswerTimeout:
        onAnswerTimeout();
        break;
    case kEvSocketClosed:
        onClosedByReceiver();
        break;
    case kEvSocketBlock:
        onBlock();
        break;
    case kEvSocketReceiveError:
        onReceiveError(message->value());
        break;
    default:
        onRequest(message->code(), message->value());
        break;
    }
    return true;
}

EngineSession::Reach EngineSession::pingAndConnectTo(const ReceiverRecord& record, QString& ip) {
    {
        auto lock = table_->lockTexts();
        ip = QString::fromStdString(record.ip);
    }
    const int port = table_->portNumber;
    if (options_.ping(ip, kPingBeforeConnectMs, port) == 0) {
        return Reach::PingFailed;
    }
    return socket_->connectTo(port, ip) == kConnectOk ? Reach::Connected : Reach::ConnectFailed;
}

bool EngineSession::send(const CommandItem& item) {
    if (socket_->send(item.length, item.text) != kSendOk) {
        return false;
    }
    if (item.answerKind == kAnswerLine) {
        waiting_ = true;
        awaitedItemId_ = item.id;
        answerTimer_.start(table_->answerTimeoutMs.load());
    } else {
        postAppMessage(this, kEvSendNext, 0);
    }
    return true;
}

void EngineSession::stopWaiting() {
    answerTimer_.stop();
    waiting_ = false;
}

bool EngineSession::takeBlock(QByteArray& block, int traceList) {
    if (socket_->takeBlock(block) == 0) {
        return false;
    }
    if (trace_->dataTraceOn()) {
        trace_->addReceivedBlockLine(traceList, block.constData(), static_cast<int>(block.size()));
    }
    return true;
}

void EngineSession::clear() {
    queue_.clear();
    answerLine_.reset();
}

} // namespace tessaly
