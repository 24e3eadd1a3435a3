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
    : EngineSession(table, trace, std::move(options), kMonitorQueueCapacity),
      record_(&table->byNumber(receiverNumber)), values_(&values->byNumber(receiverNumber)),
      receiverNumber_(receiverNumber), status_(status) {
    // A coarse timer may fire up to 5 % early or late to batch wake-ups: at a 100 ms poll
    // interval that is several milliseconds of jitter in every poll period.
    pollTimer_.setTimerType(Qt::PreciseTimer);
    connect(&pollTimer_, &QTimer::timeout, this, [this] { onPollTimer(); });
    record_->commState = kCommOk;
}

MonitorEngine::~MonitorEngine() = default;

void MonitorEngine::onRequest(int code, qintptr /*value*/) {
    switch (code) {
    case kEvMonitorStart:
        start();
        break;
    case kEvMonitorStop:
        stop();
        break;
    case kEvMonitorShowTrace:
        trace_->requestShow();
        break;
    default:
        break;
    }
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
    stopWaiting();
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
                               QStringLiteral(" [wait:%1]").arg(waiting() ? 1 : 0));
    }
    if (retryTimerPending_) {
        connectTimer_.stop();
        retryTimerPending_ = false;
    } else {
        pollTimer_.stop();
    }
    if (waiting()) {
        stopPending_ = true; // the stop completes when the answer comes (or the wait times out)
        return;
    }
    if (connectionState_ == kEngineConnected) {
        stopSequence();
    }
    setConnectionState(kEngineNotConnected);
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
    switch (pingAndConnectTo(*record_, ip)) {
    case Reach::PingFailed:
        traceMessage(QStringLiteral("Ping Timeout"));
        record_->commState = kCommError;
        scheduleReconnect(options_.reconnectDelayMs);
        return;
    case Reach::ConnectFailed:
        traceMessage(socket_->connectionErrorText());
        setConnectionState(kEngineNotConnected);
        record_->commState = kCommError;
        scheduleReconnect(options_.reconnectDelayMs);
        return;
    case Reach::Connected:
        break;
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
    if (waiting()) {
        return;
    }
    int32_t itemId = 0;
    if (queue_.take(itemId, currentItem_) == 0) {
        return;
    }
    if (connectionState_ != kEngineConnected) {
        return; // the item is dropped
    }
    if (!send(currentItem_)) {
        traceMessage(QStringLiteral("Send Error"));
        setConnectionState(kEngineNotConnected);
        postAppMessage(this, kEvFailure, value);
        return;
    }
    sentAtMs_ = show::steadyNowMs();
    traceSent(currentItem_);
}

void MonitorEngine::onBlock() {
    QByteArray block;
    if (!takeBlock(block, kTraceListData)) {
        return;
    }
    int32_t parseResult = kMonitorParseOk;
    answerLine_.feed(std::string_view(block.constData(), block.size()), [&](std::string_view line) {
        if (parseResult != kMonitorParseOk) {
            return; // the rest of a failed block is not read
        }
        if (line.empty()) {
            return; // a line end alone answers nothing; the answer is still to come
        }
        const MonitorParseResult parsed = parseMonitorAnswer(awaitedItemId(), line, *values_);
        stopWaiting();
        if (parsed.code == kMonitorParseOk && awaitedItemId() == pollCommandItem().id) {
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
    stopWaiting();
}

void MonitorEngine::onFailure(qintptr /*value*/) {
    stopWaiting();
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
    stopWaiting();
    pollTimer_.stop();
    fail();
    traceMessage(QStringLiteral("DisConnect"));
    scheduleReconnect(options_.reconnectDelayMs);
    clear();
    finishPendingStop();
}

void MonitorEngine::onReceiveError(qintptr /*value*/) {
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
    stopWaiting();
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
