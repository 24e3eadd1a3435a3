#include "comm/exchange_sequence.h"

#include "core/app_message.h"
#include "protocol/command_builder.h"
#include "protocol/frequency.h"

namespace tessaly {

ExchangeSequence::ExchangeSequence(ExchangeKind kind, const ReceiverTable& source,
                                   EngineOptions options, QObject* parent)
    : QObject(parent), kind_(kind), table_(source), options_(std::move(options)) {}

ExchangeSequence::~ExchangeSequence() {
    if (engine_) {
        engine_->stop();
    }
}

uint32_t ExchangeSequence::setMask() const {
    switch (kind_) {
    case ExchangeKind::Upload:
        return kUploadSetMask;
    case ExchangeKind::ReadBack:
        return kReadBackSetMask;
    default:
        return kDownloadSetMask;
    }
}

uint32_t ExchangeSequence::getMask() const {
    switch (kind_) {
    case ExchangeKind::Upload:
        return kUploadGetMask;
    case ExchangeKind::ReadBack:
        return kReadBackGetMask;
    default:
        return kDownloadGetMask;
    }
}

void ExchangeSequence::start(int firstNumber) {
    if (busy_ || firstNumber < 1 || firstNumber > table_.count) {
        emit finished(false);
        return;
    }
    first_ = firstNumber;
    current_ = firstNumber;
    busy_ = true;
    stopRequested_ = false;
    table_.setMask = setMask();
    table_.getMask = getMask();
    for (int number = first_; number <= table_.count; ++number) {
        table_.byNumber(number).statusText.clear();
    }
    if (!engine_) {
        engine_ = std::make_unique<CCommThreadConfig>(&table_, this, options_);
        emit engineCreated(engine_.get());
        engine_->start();
    }
    if (ready_) {
        beginExchange();
    } else {
        startPending_ = true;
    }
}

void ExchangeSequence::requestStop() {
    if (busy_) {
        stopRequested_ = true;
    }
}

bool ExchangeSequence::event(QEvent* event) {
    const AppMessage* message = AppMessage::from(event);
    if (message == nullptr) {
        return QObject::event(event);
    }
    switch (message->code()) {
    case kEvConfigReady:
        if (message->value() == kConfigReadyValue && !ready_) {
            ready_ = true;
            emit engineReady();
            if (startPending_) {
                startPending_ = false;
                beginExchange();
            }
        }
        break;
    case kEvConfigResult:
    case kEvConfigResultOther:
        if (busy_) {
            onResult(static_cast<int>(message->value()));
        }
        break;
    default:
        break;
    }
    return true;
}

void ExchangeSequence::beginExchange() {
    snapshot_ = table_.byNumber(current_);
    emit exchangeStarted(current_, current_ - first_ + 1, table_.count - first_ + 1);
    engine_->post(kEvConfigStart, current_);
}

QString ExchangeSequence::mismatchText(const ReceiverRecord& record) const {
    const QString sentName = QString::fromUtf8(snapshot_.name);
    if ((setMask() & kMaskName) && record.name != snapshot_.name) {
        return QString("%1 Receiver Name dose not match\n Getting Name : %2")
            .arg(sentName, QString::fromUtf8(record.name));
    }
    if ((setMask() & kMaskFrequency) && record.freqKhz != snapshot_.freqKhz) {
        return QString("%1 Freq dose not match\n Getting Freq : %2")
            .arg(sentName, QString::fromStdString(record.freqText));
    }
    return {};
}

void ExchangeSequence::onResult(int result) {
    ReceiverRecord& record = table_.byNumber(current_);
    QString detail;
    if (result != kConfigResultOk) {
        record.statusText = kStatusError;
        detail = QString("%1\n%2").arg(QString::fromUtf8(record.name), engine_->messageText());
        lastFailureText_ = detail;
    } else {
        detail = mismatchText(record);
        if (!detail.isEmpty()) {
            lastFailureText_ = detail;
        }
        if ((setMask() & kMaskName) && record.name != snapshot_.name) {
            record.name = snapshot_.name; // keep the name that was sent
        }
        record.statusText = kStatusSynchronize;
        if (getMask() & (kMaskName | kMaskFrequency)) {
            dataChanged_ = true;
        }
        record.freqChanged = 0;
        record.nameChanged = 0;
    }
    emit exchangeFinished(current_, result, QString::fromStdString(record.statusText), detail);

    if (stopRequested_) {
        endRun(true);
    } else if (current_ < table_.count) {
        ++current_;
        beginExchange();
    } else {
        endRun(false);
    }
}

void ExchangeSequence::endRun(bool stopped) {
    busy_ = false;
    if (engine_) {
        engine_->stop();
        engine_.reset();
        ready_ = false;
    }
    emit finished(stopped);
}

} // namespace tessaly
