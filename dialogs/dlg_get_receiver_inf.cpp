#include "dialogs/dlg_get_receiver_inf.h"

#include "chrome/ap_list_ctrl.h"
#include "chrome/dlg_comm_config.h"
#include "chrome/text_functions.h"
#include "dialogs/receiver_list_rows.h"

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
    progressBar_ = new QProgressBar(this);
    progressBar_->setTextVisible(false);
    list_ = new CApListCtrl(this);
    list_->setMinimumSize(kListMinimumSize);
    failureLine_ = new QLabel(this);
    failureLine_->setWordWrap(true);
    failureLine_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    stopButton_ = new QPushButton(QString::fromLatin1(kStopCaption), this);
    stopButton_->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(failureLine_, 1);
    buttons->addWidget(stopButton_, 0, Qt::AlignRight | Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(progressLine_);
    layout->addWidget(progressBar_);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);

    insertReceiverColumns(*list_);
    list_->setMinimumWidth(std::max(kListMinimumSize.width(), list_->widthShowingAllColumns()));
    connect(stopButton_, &QPushButton::clicked, this, &CDlgGetReceiverInf::onStopClicked);

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
    sequence_ = std::make_unique<ExchangeSequence>(
        isUpload() ? ExchangeKind::Upload : ExchangeKind::Download, table_, options_);
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

void CDlgGetReceiverInf::onExchangeStarted(int number, int /*position*/, int total) {
    const ReceiverRecord& record = sequence_->table().byNumber(number);
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
    const ReceiverRecord& record = sequence_->table().byNumber(number);
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
    table_.copyFrom(sequence_->table());
    dataChanged_ = sequence_->dataChanged() ? 1 : 0;
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
    if (busy_ != 0) {
        stop_ = 1;
        sequence_->requestStop();
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
}

} // namespace tessaly
