#pragma once

#include "comm/engine_options.h"
#include "comm/exchange_sequence.h"
#include "protocol/receiver_table.h"
#include "protocol/upload_check.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace tessaly {

// An upload that shows what it will change and proves what it changed: it first reads every
// receiver's name and frequency, waits until send() is called, runs the upload exchanges, then
// reads the name and frequency back and compares them with what was sent. The dialogs and
// tessaly-cli share it; the exchanges themselves are the ordinary sequences.
class CheckedUpload : public QObject {
    Q_OBJECT
public:
    enum class Phase { Idle, Reading, Reviewing, Sending, Verifying, Done };

    CheckedUpload(const ReceiverTable& planned, EngineOptions options = {},
                  QObject* parent = nullptr);
    ~CheckedUpload() override;

    // Reads the receivers' current name and frequency; readFinished() brings the rows.
    void readCurrent();
    // Sends, then verifies; finished() ends it. Only after readFinished().
    void send();
    // The exchange in progress finishes; nothing after it is sent or read.
    void requestStop();

    Phase phase() const { return phase_; }
    const std::vector<UploadCheckRow>& rows() const { return rows_; }
    int changedCount() const;
    // The table the upload sent and read its other settings into.
    const ReceiverTable& uploaded() const { return uploaded_; }
    // Per receiver after finished(): "Verified", "Mismatch: …" or the upload's "Error".
    const QStringList& verification() const { return verification_; }
    // "n IP: text" for every receiver that is not verified.
    QStringList problems() const;
    ExchangeSequence* sequence() const { return sequence_.get(); }

signals:
    void engineCreated(CCommThreadConfig* engine);
    void exchangeStarted(int number, int position, int total);
    // The upload's own results, as ExchangeSequence reports them.
    void exchangeFinished(int number, int result, const QString& status, const QString& detail);
    void readFinished(bool stopped);
    void receiverVerified(int number, bool ok, const QString& text);
    void finished(bool stopped);

private:
    void runSequence(ExchangeKind kind, const ReceiverTable& source);
    void onSequenceFinished(bool stopped);

    ReceiverTable planned_;
    ReceiverTable uploaded_;
    EngineOptions options_;
    std::unique_ptr<ExchangeSequence> sequence_;
    Phase phase_ = Phase::Idle;
    bool stopRequested_ = false;
    std::vector<bool> answered_;
    std::vector<bool> sentOk_;
    std::vector<UploadCheckRow> rows_;
    QStringList verification_;
};

} // namespace tessaly
