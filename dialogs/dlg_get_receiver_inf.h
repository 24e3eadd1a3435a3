#pragma once

#include "comm/checked_upload.h"
#include "comm/engine_options.h"
#include "comm/exchange_sequence.h"
#include "protocol/receiver_table.h"

#include <QDialog>
#include <QString>
#include <QTimer>

#include <memory>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace tessaly {

class CDlgCommConfig;

class CApListCtrl;

constexpr int kGetInfModeUpload = 1;
constexpr int kGetInfModeDownload = 2; // any mode other than upload downloads

constexpr int kGetInfStartDelayMs = 100; // timer 1

constexpr const char* kTitleUpload = "Upload";
constexpr const char* kTitleDownload = "Download";
constexpr const char* kGettingReadyFormat = "Getting ready for %1...";
constexpr const char* kInProgressFormat = "Operation now in progress %1 [%2/%3]";
constexpr const char* kStoppingText = "Currently processing stop, Please wait a moment.";
constexpr const char* kStoppedWord = "Stopped.";
constexpr const char* kFinishedWord = "Finished.";
constexpr const char* kStopCaption = "Stop";
constexpr const char* kCloseCaption = "Close";
constexpr const char* kReadingText = "Reading the receivers' names and frequencies...";
constexpr const char* kReviewFormat = "%1 of %2 receivers change. Press Send to upload.";
constexpr const char* kSendCaption = "Send";
constexpr const char* kCancelCaption = "Cancel";
constexpr const char* kShowUnchangedCaption = "Show unchanged receivers";
constexpr const char* kRowChanges = "Changes";
constexpr const char* kRowUnchanged = "Unchanged";
constexpr const char* kRowNotRead = "Not read";
constexpr const char* kNotVerifiedFormat = "%1 receiver(s) do not report what was sent.";

// Upload or download over every receiver of a table copy, one receiver after the other, with a
// progress line, a progress bar and a row per receiver. An upload first reads every receiver's
// name and frequency and shows what would change (unchanged rows hidden unless asked for); it
// sends only after Send, then reads name and frequency back and marks each row "Verified" or
// "Mismatch: receiver reports …", staying open when any row is not verified. The creator sets the
// mode, copies the program-wide table into table() and runs the dialog modally; it always ends with
// OK, after which table() holds what the receivers answered and dataChanged() says whether a
// download brought anything to take over. Esc and the close box do nothing: the run ends through
// "Stop".
class CDlgGetReceiverInf : public QDialog {
    Q_OBJECT

public:
    explicit CDlgGetReceiverInf(QWidget* parent = nullptr, EngineOptions options = {});
    ~CDlgGetReceiverInf() override;

    void setMode(int mode) { mode_ = mode; }
    int mode() const { return mode_; }
    bool isUpload() const { return mode_ == kGetInfModeUpload; }
    QString titleText() const;

    ReceiverTable& table() { return table_; }
    const ReceiverTable& table() const { return table_; }
    int dataChanged() const { return dataChanged_; }
    int busy() const { return busy_; }
    int stopRequested() const { return stop_; }
    // Why the last receiver that failed or answered differently did so; empty while none did.
    const QString& lastFailureText() const { return lastFailureText_; }

    // The position the run has reached: n while receiver n is exchanged, n + 1 after its
    // result. The bar shows it, held to its range.
    int progressPosition() const { return progressPosition_; }
    CApListCtrl* list() const { return list_; }
    QLabel* failureLine() const { return failureLine_; }
    // An upload's state: reviewing the difference, and whether anything was sent.
    bool reviewing() const;
    int sent() const { return sent_; }
    int mismatches() const { return mismatches_; }

public slots:
    void reject() override; // Esc and the close box: nothing

protected:
    void showEvent(QShowEvent* event) override;

private:
    void startRun();
    void startUpload();
    void onReadFinished(bool stopped);
    void onSendClicked();
    void onReceiverVerified(int number, bool ok, const QString& text);
    void applyRowFilter();
    const ReceiverTable& runTable() const;
    void onStopClicked();
    void onExchangeStarted(int number, int position, int total);
    void onExchangeFinished(int number, int result, const QString& status, const QString& detail);
    void onFinished(bool stopped);
    void setProgressPosition(int position);
    void endEngine();

    EngineOptions options_;
    int mode_ = kGetInfModeDownload;
    ReceiverTable table_;
    std::unique_ptr<ExchangeSequence> sequence_;
    std::unique_ptr<CheckedUpload> upload_;
    std::unique_ptr<CDlgCommConfig> traceWindow_; // "Comm Config", shown with comm/debug
    int busy_ = 0;
    int stop_ = 0;
    int dataChanged_ = 0;
    int started_ = 0;
    int progressPosition_ = 0;
    int sent_ = 0;
    int mismatches_ = 0;
    QString lastFailureText_;
    QTimer startTimer_;

    QLabel* progressLine_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    CApListCtrl* list_ = nullptr;
    QLabel* failureLine_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QPushButton* sendButton_ = nullptr;
    QCheckBox* showUnchanged_ = nullptr;
};

} // namespace tessaly
