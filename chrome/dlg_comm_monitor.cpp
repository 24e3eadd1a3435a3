#include "chrome/dlg_comm_monitor.h"

#include "chrome/ap_list_box.h"
#include "core/comm_trace.h"

#include <QCheckBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessaly {

namespace {
constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 480;
constexpr int kDataListStretch = 3;
constexpr int kMessageListStretch = 2;
} // namespace

CDlgCommMonitor::CDlgCommMonitor(CommTrace& trace, const QString& title, QWidget* parent)
    : QDialog(parent), trace_(trace), traceCheck_(new QCheckBox(QStringLiteral("Trace"), this)),
      dataList_(new CApListBox(this)), messageList_(new CApListBox(this)) {
    setWindowTitle(title);
    setModal(false);
    resize(kWindowWidth, kWindowHeight);
    traceCheck_->setObjectName(QString::number(kTraceCheckId));
    dataList_->setObjectName(QString::number(kDataListId));
    messageList_->setObjectName(QString::number(kMessageListId));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setVisible(false);
    connect(cancel, &QPushButton::clicked, this, &CDlgCommMonitor::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(traceCheck_);
    layout->addWidget(dataList_, kDataListStretch);
    layout->addWidget(messageList_, kMessageListStretch);

    for (const QString& line : trace_.list(kTraceListData).lines()) {
        dataList_->addTraceLine(line);
    }
    for (const QString& line : trace_.list(kTraceListMessages).lines()) {
        messageList_->addTraceLine(line);
    }
    connect(traceCheck_, &QCheckBox::toggled, this, [this](bool on) { trace_.setDataTraceOn(on); });
    connect(&trace_, &CommTrace::lineAdded, this, &CDlgCommMonitor::onLineAdded,
            Qt::QueuedConnection);
    connect(&trace_, &CommTrace::showRequested, this, &CDlgCommMonitor::onShowRequested,
            Qt::QueuedConnection);
}

void CDlgCommMonitor::onShowRequested() {
    trace_.setDataTraceOn(traceCheck_->isChecked());
    show();
    raise();
}

void CDlgCommMonitor::reject() {
    trace_.setDataTraceOn(false);
    hide();
}

void CDlgCommMonitor::onLineAdded(int listId, const QString& line) {
    (listId == kTraceListData ? dataList_ : messageList_)->addTraceLine(line);
}

} // namespace tessaly
