#include "comm/checked_upload.h"

namespace tessaly {

namespace {
constexpr const char* kNoReadBackText = "Mismatch: no answer when read back";
} // namespace

CheckedUpload::CheckedUpload(const ReceiverTable& planned, EngineOptions options, QObject* parent)
    : QObject(parent), planned_(planned), uploaded_(planned), options_(std::move(options)) {}

CheckedUpload::~CheckedUpload() = default;

int CheckedUpload::changedCount() const {
    int count = 0;
    for (const UploadCheckRow& row : rows_) {
        count += row.changed() ? 1 : 0;
    }
    return count;
}

QStringList CheckedUpload::problems() const {
    QStringList lines;
    for (int i = 0; i < verification_.size(); ++i) {
        if (verification_[i] != QLatin1String(kStatusVerified)) {
            lines.append(
                QStringLiteral("%1 %2: %3")
                    .arg(i + 1)
                    .arg(QString::fromStdString(planned_.records[i].ip), verification_[i]));
        }
    }
    return lines;
}

void CheckedUpload::readCurrent() {
    if (phase_ != Phase::Idle) {
        return;
    }
    phase_ = Phase::Reading;
    answered_.assign(static_cast<size_t>(planned_.count), false);
    runSequence(ExchangeKind::ReadBack, planned_);
}

void CheckedUpload::send() {
    if (phase_ != Phase::Reviewing) {
        return;
    }
    phase_ = Phase::Sending;
    sentOk_.assign(static_cast<size_t>(planned_.count), false);
    runSequence(ExchangeKind::Upload, planned_);
}

void CheckedUpload::requestStop() {
    stopRequested_ = true;
    if (sequence_) {
        sequence_->requestStop();
    }
}

void CheckedUpload::runSequence(ExchangeKind kind, const ReceiverTable& source) {
    if (sequence_) {
        sequence_.release()->deleteLater(); // it is still emitting its finished()
    }
    sequence_ = std::make_unique<ExchangeSequence>(kind, source, options_);
    connect(sequence_.get(), &ExchangeSequence::engineCreated, this, &CheckedUpload::engineCreated);
    connect(sequence_.get(), &ExchangeSequence::exchangeStarted, this,
            &CheckedUpload::exchangeStarted);
    connect(sequence_.get(), &ExchangeSequence::exchangeFinished, this,
            [this](int number, int result, const QString& status, const QString& detail) {
                const auto index = static_cast<size_t>(number - 1);
                if (phase_ == Phase::Reading) {
                    answered_[index] = result == 0;
                } else if (phase_ == Phase::Sending) {
                    sentOk_[index] = result == 0;
                    emit exchangeFinished(number, result, status, detail);
                } else if (phase_ == Phase::Verifying && sentOk_[index]) {
                    const ReceiverRecord& reported = sequence_->table().byNumber(number);
                    const QString text = result == 0 ? QString::fromStdString(verificationText(
                                                           planned_.byNumber(number), reported))
                                                     : QString::fromLatin1(kNoReadBackText);
                    verification_[number - 1] = text;
                    emit receiverVerified(number, text == QLatin1String(kStatusVerified), text);
                }
            });
    connect(sequence_.get(), &ExchangeSequence::finished, this, &CheckedUpload::onSequenceFinished);
    sequence_->start(1);
}

void CheckedUpload::onSequenceFinished(bool stopped) {
    stopped = stopped || stopRequested_;
    switch (phase_) {
    case Phase::Reading:
        rows_ = uploadCheckRows(planned_, sequence_->table(), answered_);
        phase_ = stopped ? Phase::Done : Phase::Reviewing;
        emit readFinished(stopped);
        break;
    case Phase::Sending:
        uploaded_.copyFrom(sequence_->table());
        verification_.clear();
        for (int number = 1; number <= planned_.count; ++number) {
            const std::string& status = uploaded_.byNumber(number).statusText;
            verification_.append(sentOk_[number - 1] ? QString::fromLatin1(kNoReadBackText)
                                 : status.empty()    ? QStringLiteral("Not sent")
                                                     : QString::fromStdString(status));
        }
        if (stopped) {
            phase_ = Phase::Done;
            emit finished(true);
            break;
        }
        phase_ = Phase::Verifying;
        runSequence(ExchangeKind::ReadBack, planned_);
        break;
    case Phase::Verifying:
        phase_ = Phase::Done;
        emit finished(stopped);
        break;
    default:
        break;
    }
}

} // namespace tessaly
