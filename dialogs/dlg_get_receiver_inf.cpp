#include "dialogs/dlg_get_receiver_inf.h"

#include "chrome/ap_list_ctrl.h"
#include "chrome/dlg_comm_config.h"
#include "chrome/text_functions.h"
#include "dialogs/receiver_list_rows.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tessaly {

namespace {
constexpr QSize kListMinimumSize(820, 260);
} // namespace

CDlgGetReceiverInf::CDlgGetReceiverInf(QWidget* parent, EngineOptions options)
    : QDialog(parent), options_(std::move(options)) {
    progressLine_ = new QLabel(this);
    progressLine_->setObjectName(QStringLiteral("progressLine"));
    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("progressBar"));
    progressBar_->setTextVisible(false);
    list_ = new CApListCtrl(this);
    list_->setMinimumSize(kListMinimumSize);
    failureLine_ = new QLabel(this);
    failureLine_->setWordWrap(true);
    failureLine_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    stopButton_ = new QPushButton(QString::fromLatin1(kStopCaption), this);
    stopButton_->setObjectName(QStringLiteral("stopButton"));
    stopButton_->setAutoDefault(false);
    sendButton_ = new QPushButton(QString::fromLatin1(kSendCaption), this);
    sendButton_->setObjectName(QStringLiteral("sendButton"));
    sendButton_->setAutoDefault(false);
    sendButton_->hide();
    showUnchanged_ = new QCheckBox(QString::fromLatin1(kShowUnchangedCaption), this);
    showUnchanged_->setObjectName(QStringLiteral("showUnchangedBox"));
    showUnchanged_->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(failureLine_, 1);
    buttons->addWidget(showUnchanged_, 0, Qt::AlignBottom);
    buttons->addWidget(sendButton_, 0, Qt::AlignRight | Qt::AlignBottom);
    buttons->addWidget(stopButton_, 0, Qt::AlignRight | Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(progressLine_);
    layout->addWidget(progressBar_);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);

    insertReceiverColumns(*list_);
    list_->setMinimumWidth(std::max(kListMinimumSize.width(), list_->widthShowingAllColumns()));
    connect(stopButton_, &QPushButton::clicked, this, &CDlgGetReceiverInf::onStopClicked);
    connect(sendButton_, &QPushButton::clicked, this, &CDlgGetReceiverInf::onSendClicked);
    connect(showUnchanged_, &QCheckBox::toggled, this, &CDlgGetReceiverInf::applyRowFilter);

    startTimer_.setSingleShot(true);
    startTimer_.setInterval(kGetInfStartDelayMs);
    connect(&startTimer_, &QTimer::timeout, this, &CDlgGetReceiverInf::startRun);
}

CDlgGetReceiverInf::~CDlgGetReceiverInf() {
    endEngine();
}

QString CDlgGetReceiverInf::titleText() const {
    return QString::fromLatin1(isUpload() ? kTitleUpload : kTitleDownload);
}

void CDlgGetReceiverInf::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_ != 0) {
        return;
    }
    started_ = 1;
    const int count = table_.count;
    progressBar_->setRange(1, std::max(1, count));
    setWindowTitle(titleText());
    progressLine_->setText(QString::fromLatin1(kGettingReadyFormat).arg(titleText()));
    stopButton_->setEnabled(false);
    startTimer_.start();
}

void CDlgGetReceiverInf::startRun() {
    setCursor(Qt::WaitCursor);
    list_->deleteAllItems();
    const int count = table_.count;
    for (int number = 1; number <= count; ++number) {
        const ReceiverRecord& record = table_.byNumber(number);
        const int row = appendReceiverRow(*list_, number);
        list_->setItemText(row, kColumnIp, textFromBytes(record.ip));
        list_->setItemText(row, kColumnMac, textFromBytes(record.mac));
        if (isUpload()) {
            list_->setItemText(row, kColumnName, textFromBytes(record.name));
            list_->setItemText(row, kColumnFrequency, textFromBytes(record.freqText));
        }
        list_->setItemText(row, kColumnStatus, QString());
    }
    if (count > 0) {
        selectRow(*list_, 0);
    }

    busy_ = 1;
    if (isUpload()) {
        startUpload();
        return;
    }
    sequence_ = std::make_unique<ExchangeSequence>(ExchangeKind::Download, table_, options_);
    connect(sequence_.get(), &ExchangeSequence::engineCreated, this,
            [this](CCommThreadConfig* engine) {
                traceWindow_ = std::make_unique<CDlgCommConfig>(*engine, this);
            });
    connect(sequence_.get(), &ExchangeSequence::exchangeStarted, this,
            &CDlgGetReceiverInf::onExchangeStarted);
    connect(sequence_.get(), &ExchangeSequence::exchangeFinished, this,
            &CDlgGetReceiverInf::onExchangeFinished);
    connect(sequence_.get(), &ExchangeSequence::finished, this, &CDlgGetReceiverInf::onFinished);
    sequence_->start(1);
}

bool CDlgGetReceiverInf::reviewing() const {
    return upload_ && upload_->phase() == CheckedUpload::Phase::Reviewing;
}

const ReceiverTable& CDlgGetReceiverInf::runTable() const {
    if (upload_) {
        return upload_->phase() == CheckedUpload::Phase::Sending ? upload_->sequence()->table()
                                                                 : table_;
    }
    return sequence_->table();
}

void CDlgGetReceiverInf::startUpload() {
    upload_ = std::make_unique<CheckedUpload>(table_, options_);
    connect(upload_.get(), &CheckedUpload::engineCreated, this, [this](CCommThreadConfig* engine) {
        traceWindow_ = std::make_unique<CDlgCommConfig>(*engine, this);
    });
    connect(upload_.get(), &CheckedUpload::exchangeStarted, this,
            &CDlgGetReceiverInf::onExchangeStarted);
    connect(upload_.get(), &CheckedUpload::exchangeFinished, this,
            &CDlgGetReceiverInf::onExchangeFinished);
    connect(upload_.get(), &CheckedUpload::readFinished, this, &CDlgGetReceiverInf::onReadFinished);
    connect(upload_.get(), &CheckedUpload::receiverVerified, this,
            &CDlgGetReceiverInf::onReceiverVerified);
    connect(upload_.get(), &CheckedUpload::finished, this, &CDlgGetReceiverInf::onFinished);
    progressLine_->setText(QString::fromLatin1(kReadingText));
    upload_->readCurrent();
}

void CDlgGetReceiverInf::onReadFinished(bool stopped) {
    if (stopped) {
        onFinished(true);
        return;
    }
    busy_ = 0;
    for (const UploadCheckRow& row : upload_->rows()) {
        const int index = row.number - 1;
        const std::string unknown = "?";
        list_->setItemText(
            index, kColumnName,
            textFromBytes(changeText(row.reported ? row.reportedName : unknown, row.plannedName)));
        list_->setItemText(index, kColumnFrequency,
                           textFromBytes(changeText(row.reported ? row.reportedFreqText : unknown,
                                                    row.plannedFreqText)));
        list_->setItemText(index, kColumnStatus,
                           QString::fromLatin1(!row.reported   ? kRowNotRead
                                               : row.changed() ? kRowChanges
                                                               : kRowUnchanged));
    }
    progressLine_->setText(QString::fromLatin1(kReviewFormat)
                               .arg(upload_->changedCount())
                               .arg(upload_->rows().size()));
    // "old -> new" needs more room than the value alone.
    list_->resizeColumnToContents(kColumnName);
    list_->resizeColumnToContents(kColumnFrequency);
    showUnchanged_->setChecked(false);
    showUnchanged_->show();
    applyRowFilter();
    sendButton_->show();
    sendButton_->setEnabled(true);
    sendButton_->setDefault(true);
    stopButton_->setText(QString::fromLatin1(kCancelCaption));
    stopButton_->setEnabled(true);
    unsetCursor();
}

void CDlgGetReceiverInf::applyRowFilter() {
    const bool showAll = !reviewing() || showUnchanged_->isChecked();
    for (const UploadCheckRow& row : upload_ ? upload_->rows() : std::vector<UploadCheckRow>{}) {
        list_->setRowHidden(row.number - 1, !showAll && !row.changed());
    }
}

void CDlgGetReceiverInf::onSendClicked() {
    if (!reviewing()) {
        return;
    }
    for (int number = 1; number <= table_.count; ++number) {
        const ReceiverRecord& record = table_.byNumber(number);
        list_->setItemText(number - 1, kColumnName, textFromBytes(record.name));
        list_->setItemText(number - 1, kColumnFrequency, textFromBytes(record.freqText));
        list_->setItemText(number - 1, kColumnStatus, QString());
    }
    sendButton_->hide();
    showUnchanged_->hide();
    stopButton_->setText(QString::fromLatin1(kStopCaption));
    setCursor(Qt::WaitCursor);
    busy_ = 1;
    sent_ = 1;
    upload_->send(); // leaves the review, so every row shows again
    applyRowFilter();
}

void CDlgGetReceiverInf::onReceiverVerified(int number, bool ok, const QString& text) {
    list_->setItemText(number - 1, kColumnStatus, text);
    if (!ok) {
        ++mismatches_;
        setRowToolTip(*list_, number - 1, text);
        lastFailureText_ = QString::fromLatin1(kNotVerifiedFormat).arg(mismatches_);
        failureLine_->setText(lastFailureText_);
    }
}

void CDlgGetReceiverInf::onExchangeStarted(int number, int /*position*/, int total) {
    const ReceiverRecord& record = runTable().byNumber(number);
    progressLine_->setText(QString::fromLatin1(kInProgressFormat)
                               .arg(textFromBytes(record.ip))
                               .arg(number)
                               .arg(total));
    setProgressPosition(number);
    if (stop_ == 0) {
        stopButton_->setEnabled(true);
    }
}

void CDlgGetReceiverInf::onExchangeFinished(int number, int result, const QString& status,
                                            const QString& detail) {
    const int row = number - 1;
    const ReceiverRecord& record = runTable().byNumber(number);
    if (result != 0) {
        list_->setItemText(row, kColumnStatus, status);
    } else {
        fillReceiverRow(*list_, row, record);
    }
    // The reason stays where the operator can read it: on the row and below the list.
    setRowToolTip(*list_, row, detail);
    if (!detail.isEmpty()) {
        lastFailureText_ = detail;
        failureLine_->setText(detail);
    }
    setProgressPosition(number + 1);
}

void CDlgGetReceiverInf::onFinished(bool stopped) {
    busy_ = 0;
    if (upload_) {
        if (sent_ != 0) {
            table_.copyFrom(upload_->uploaded());
        }
        sendButton_->hide();
        showUnchanged_->hide();
        applyRowFilter();
        if (mismatches_ != 0) {
            list_->resizeColumnToContents(kColumnStatus); // "Mismatch: receiver reports …"
        }
    } else {
        table_.copyFrom(sequence_->table());
        dataChanged_ = sequence_->dataChanged() ? 1 : 0;
    }
    progressLine_->setText(QStringLiteral("%1 %2").arg(
        titleText(), QString::fromLatin1(stopped ? kStoppedWord : kFinishedWord)));
    stopButton_->setText(QString::fromLatin1(kCloseCaption));
    unsetCursor();
    stopButton_->setEnabled(true);
    repaint();
    // A run with a failure waits for Close, so that the operator can read why; closing at once
    // would take the reasons away with the dialog.
    if (!stopped && lastFailureText_.isEmpty()) {
        accept();
    }
}

void CDlgGetReceiverInf::onStopClicked() {
    if (reviewing()) {
        endEngine(); // Cancel: nothing was sent
        accept();
        return;
    }
    if (busy_ != 0) {
        stop_ = 1;
        if (upload_) {
            upload_->requestStop();
        } else {
            sequence_->requestStop();
        }
        stopButton_->setEnabled(false);
        progressLine_->setText(QString::fromLatin1(kStoppingText));
        return;
    }
    endEngine();
    accept();
}

void CDlgGetReceiverInf::reject() {}

void CDlgGetReceiverInf::setProgressPosition(int position) {
    progressPosition_ = position;
    progressBar_->setValue(std::clamp(position, progressBar_->minimum(), progressBar_->maximum()));
}

void CDlgGetReceiverInf::endEngine() {
    startTimer_.stop();
    sequence_.reset(); // ends an engine still running, waiting at most its quit limit
    upload_.reset();
}

} // namespace tessaly
