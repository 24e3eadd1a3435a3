#include "comm/monitor_engine.h"

#include "core/app_message.h"
#include "protocol/answer_parser.h"
#include "protocol/command_builder.h"
#include "show/alarm_settings.h"
#include "show/show_clock.h"

#include <string_view>

namespace tessaly {

MonitorEngine::MonitorEngine(ReceiverTable* table, MonitorValueTable* values, int receiverNumber,
                             CommTrace* trace, MonitorEngineStatus* status, EngineOptions options)
    : table_(table), record_(&table->byNumber(receiverNumber)),
      values_(&values->byNumber(receiverNumber)), receiverNumber_(receiverNumber), trace_(trace),
      status_(status), options_(std::move(options)), socket_(std::make_unique<CSockCli>(this)) {
    socket_->setConnectLimitMs(options_.connectLimitMs);
    // A coarse timer may fire up to 5 % early or late to batch wake-ups: at a 100 ms poll
    // interval that is several milliseconds of jitter in every poll period.
    pollTimer_.setTimerType(Qt::PreciseTimer);
    connectTimer_.setSingleShot(true);
    answerTimer_.setSingleShot(true);
    connect(&pollTimer_, &QTimer::timeout, this, [this] { onPollTimer(); });
    connect(&connectTimer_, &QTimer::timeout, this, [this] { onConnectTimer(); });
    connect(&answerTimer_, &QTimer::timeout, this, [this] { onAnswerTimer(); });
    record_->commState = kCommOk;
}

MonitorEngine::~MonitorEngine() = default;

bool MonitorEngine::event(QEvent* event) {
    const AppMessage* message = AppMessage::from(event);
    if (message == nullptr) {
        return QObject::event(event);
    }
    switch (message->code()) {
    case kEvMonitorStart:
        start();
        break;
    case kEvMonitorStop:
        stop();
        break;
    case kEvMonitorShowTrace:
        trace_->requestShow();
        break;
    case kEvSendNext:
        sendNext(message->value());
        break;
    case kEvPingConnect:
        pingAndConnect();
        break;
    case kEvFailure:
        onFailure();
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
        onReceiveError();
        break;
    default:
        break;
    }
    return true;
}

void MonitorEngine::start() {
    stopPending_ = false;
    clear();
    if (connectionState_ == kEngineConnected) {
        socket_->close();
    }
    // A restart must not be hit by the timers of the connection it replaces.
    pollTimer_.stop();
    answerTimer_.stop();
    setConnectionState(kEngineNotConnected);
    waiting_ = false;
    resetHealth();
    connectTimer_.start(options_.startDelayMs);
    retryTimerPending_ = true;
    setRunState(kMonitorRunning);
    traceMessage(QStringLiteral("Start Request."));
}

void MonitorEngine::stop() {
    clear();
    if (trace_->messageTraceOn()) {
        trace_->addTwoPartLine(kTraceListMessages, QStringLiteral("Stop Request."),
                               QStringLiteral(" [wait:%1]").arg(waiting_ ? 1 : 0));
    }
    if (retryTimerPending_) {
        connectTimer_.stop();
        retryTimerPending_ = false;
    } else {
        pollTimer_.stop();
    }
    if (waiting_) {
        stopPending_ = true; // the stop completes when the answer comes (or the wait times out)
        return;
    }
    if (connectionState_ == kEngineConnected) {
        stopSequence();
    }
    setConnectionState(kEngineNotConnected);
    waiting_ = false;
    setRunState(kMonitorStopped);
}

void MonitorEngine::onConnectTimer() {
    connectTimer_.stop();
    retryTimerPending_ = false;
    if (!stopPending_) {
        postAppMessage(this, kEvPingConnect, 0);
    }
}

void MonitorEngine::pingAndConnect() {
    // A connect attempt that was already on its way when monitoring stopped is dropped.
    if (runState_ != kMonitorRunning || stopPending_) {
        return;
    }
    setConnectionState(kEngineConnecting);
    QString ip;
    {
        auto lock = table_->lockTexts();
        ip = QString::fromStdString(record_->ip);
    }
    const int port = table_->portNumber;
    if (options_.ping(ip, kPingBeforeConnectMs, port) == 0) {
        traceMessage(QStringLiteral("Ping Timeout"));
        record_->commState = kCommError;
        scheduleReconnect(options_.reconnectDelayMs);
        return;
    }
    if (socket_->connectTo(port, ip) != kConnectOk) {
        traceMessage(socket_->connectionErrorText());
        setConnectionState(kEngineNotConnected);
        record_->commState = kCommError;
        scheduleReconnect(options_.reconnectDelayMs);
        return;
    }
    record_->commState = kCommOk;
    if (connectedOnce_) {
        status_->reconnects.fetch_add(1, std::memory_order_relaxed);
    }
    connectedOnce_ = true;
    setConnectionState(kEngineConnected);
    answerLine_.reset();
    pollTimer_.start(table_->pollIntervalMs.load());
    traceMessage(QStringLiteral("Connected."));
    CommandItem connectItem;
    {
        auto lock = table_->lockTexts();
        connectItem = buildConnectTimeCommand(*record_);
    }
    queue_.put(connectItem.id, connectItem); // sent at the first poll tick
}

void MonitorEngine::onPollTimer() {
    if (connectionState_ != kEngineConnected || queue_.count() > 1) {
        return;
    }
    const CommandItem& poll = pollCommandItem();
    queue_.put(poll.id, poll);
    postAppMessage(this, kEvSendNext, 0);
}

void MonitorEngine::sendNext(qintptr value) {
    if (waiting_) {
        return;
    }
    int32_t itemId = 0;
    if (queue_.take(itemId, currentItem_) == 0) {
        return;
    }
    if (connectionState_ != kEngineConnected) {
        return; // the item is dropped
    }
    if (socket_->send(currentItem_.length, currentItem_.text) != kSendOk) {
        traceMessage(QStringLiteral("Send Error"));
        setConnectionState(kEngineNotConnected);
        waiting_ = false;
        postAppMessage(this, kEvFailure, value);
        return;
    }
    traceSent(currentItem_);
    if (currentItem_.answerKind == kAnswerLine) {
        waiting_ = true;
        awaitedItemId_ = currentItem_.id;
        sentAtMs_ = show::steadyNowMs();
        answerTimer_.start(table_->answerTimeoutMs.load());
    } else {
        postAppMessage(this, kEvSendNext, 0);
    }
}

void MonitorEngine::onBlock() {
    QByteArray block;
    if (socket_->takeBlock(block) == 0) {
        return;
    }
    if (trace_->dataTraceOn()) {
        trace_->addReceivedBlockLine(kTraceListData, block.constData(),
                                     static_cast<int>(block.size()));
    }
    int32_t parseResult = kMonitorParseOk;
    answerLine_.feed(std::string_view(block.constData(), block.size()), [&](std::string_view line) {
        if (parseResult != kMonitorParseOk) {
            return; // the rest of a failed block is not read
        }
        if (line.empty()) {
            return; // a line end alone answers nothing; the answer is still to come
        }
        const MonitorParseResult parsed = parseMonitorAnswer(awaitedItemId_, line, *values_);
        if (waiting_) {
            answerTimer_.stop();
            waiting_ = false;
        }
        if (parsed.code == kMonitorParseOk && awaitedItemId_ == pollCommandItem().id) {
            notePollAnswer();
        }
        if (parsed.code != kMonitorParseOk) {
            parseResult = parsed.code;
            if (!parsed.message.empty()) {
                traceMessage(QString::fromStdString(parsed.message));
            }
        } else {
            status_->answered.store(true, std::memory_order_relaxed);
        }
    });
    if (stopPending_) {
        clear();
        stopSequence();
        return;
    }
    if (parseResult != kMonitorParseOk) {
        fail();
        postAppMessage(this, kEvFailure, 0);
        return;
    }
    postAppMessage(this, kEvSendNext, 0);
}

void MonitorEngine::onAnswerTimer() {
    answerTimer_.stop();
    traceMessage(QStringLiteral("Answer Timeout"));
    postAppMessage(this, kEvAnswerTimeout, 0);
    setConnectionState(kEngineNotConnected);
    waiting_ = false;
}

void MonitorEngine::onFailure() {
    if (waiting_) {
        answerTimer_.stop();
        waiting_ = false;
    }
    fail();
    closeConnection();
    scheduleReconnect(options_.reconnectDelayMs);
    clear();
    finishPendingStop();
}

void MonitorEngine::onAnswerTimeout() {
    fail();
    closeConnection();
    scheduleReconnect(options_.reconnectDelayMs);
    clear();
    finishPendingStop();
}

void MonitorEngine::onClosedByReceiver() {
    if (waiting_) {
        waiting_ = false;
        answerTimer_.stop();
    }
    pollTimer_.stop();
    fail();
    traceMessage(QStringLiteral("DisConnect"));
    scheduleReconnect(options_.reconnectDelayMs);
    clear();
    finishPendingStop();
}

void MonitorEngine::onReceiveError() {
    traceMessage(QStringLiteral("communication fault ") + socket_->ioErrorText());
    fail();
    postAppMessage(this, kEvFailure, 0);
}

void MonitorEngine::stopSequence() {
    const std::string_view endRemote = kEndRemoteCommandText;
    const QByteArray line = QByteArray(endRemote.data(), static_cast<qsizetype>(endRemote.size())) +
                            QByteArrayLiteral("\r\n");
    if (socket_->send(static_cast<int>(line.size()), line.constData()) != kSendOk) {
        traceMessage(QStringLiteral("Send Error"));
    } else if (trace_->dataTraceOn()) {
        trace_->addTwoPartLine(kTraceListData, QStringLiteral("Send"), QString::fromLatin1(line));
    }
    closeConnection();
    setConnectionState(kEngineNotConnected);
    waiting_ = false;
    stopPending_ = false;
    setRunState(kMonitorStopped);
}

void MonitorEngine::closeConnection() {
    pollTimer_.stop();
    socket_->close();
}

void MonitorEngine::scheduleReconnect(int delayMs) {
    if (stopPending_ || runState_ != kMonitorRunning) {
        return;
    }
    connectTimer_.start(delayMs);
    retryTimerPending_ = true;
}

// A stop that waited for an answer which then failed to come ends here instead of in onBlock.
void MonitorEngine::finishPendingStop() {
    if (stopPending_) {
        stopPending_ = false;
        setRunState(kMonitorStopped);
    }
}

void MonitorEngine::clear() {
    queue_.clear();
    answerLine_.reset();
}

void MonitorEngine::fail() {
    setConnectionState(kEngineNotConnected);
    record_->commState = kCommError;
}

void MonitorEngine::setRunState(int state) {
    runState_ = state;
    status_->runState.store(state, std::memory_order_relaxed);
}

void MonitorEngine::setConnectionState(int state) {
    connectionState_ = state;
    status_->connectionState.store(state, std::memory_order_relaxed);
    // A new attempt has had no answer yet. A clean stop keeps what the last connection showed.
    if (state == kEngineConnecting) {
        status_->answered.store(false, std::memory_order_relaxed);
    }
}

void MonitorEngine::resetHealth() {
    connectedOnce_ = false;
    clipRun_ = 0;
    roundTrips_.reset();
    status_->lastAnswerMs.store(-1, std::memory_order_relaxed);
    status_->roundTripLastMs.store(-1, std::memory_order_relaxed);
    status_->roundTripWorstMs.store(-1, std::memory_order_relaxed);
    status_->reconnects.store(0, std::memory_order_relaxed);
    status_->clipRun.store(0, std::memory_order_relaxed);
}

// Called for every good answer to a level poll: its round trip, its time, and the run of
// answers at the PEAK level that the clip alarm counts (the view samples less often than the
// engine polls, so only the engine sees every answer).
void MonitorEngine::notePollAnswer() {
    const int64_t now = show::steadyNowMs();
    const auto roundTrip = static_cast<int32_t>(now - sentAtMs_);
    roundTrips_.add(now, roundTrip);
    clipRun_ = values_->afLevel.load() >= show::kClipLevelTenths ? clipRun_ + 1 : 0;
    status_->roundTripLastMs.store(roundTrip, std::memory_order_relaxed);
    status_->roundTripWorstMs.store(roundTrips_.worst(now), std::memory_order_relaxed);
    status_->clipRun.store(clipRun_, std::memory_order_relaxed);
    status_->lastAnswerMs.store(now, std::memory_order_relaxed);
}

void MonitorEngine::traceMessage(const QString& text) {
    if (trace_->messageTraceOn()) {
        trace_->addMessageLine(kTraceListMessages, text);
    }
}

void MonitorEngine::traceSent(const CommandItem& item) {
    if (trace_->dataTraceOn()) {
        const std::string_view line = item.line();
        trace_->addTwoPartLine(
            kTraceListData, QStringLiteral("Send"),
            QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
    }
}

} // namespace tessaly
