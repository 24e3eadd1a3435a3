#include "chrome/dlg_comm_monitor.h"

#include "chrome/ap_list_box.h"
#include "comm/comm_thread_monitor.h"

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

CDlgCommMonitor::CDlgCommMonitor(CCommThreadMonitor& engine, QWidget* parent)
    : QDialog(parent), engine_(engine), traceCheck_(new QCheckBox(QStringLiteral("Trace"), this)),
      dataList_(new CApListBox(this)), messageList_(new CApListBox(this)) {
    setWindowTitle(QStringLiteral("Comm Interval(%1)").arg(engine.receiverNumber()));
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

    CommTrace& trace = engine.trace();
    for (const QString& line : trace.list(kTraceListData).lines()) {
        dataList_->addTraceLine(line);
    }
    for (const QString& line : trace.list(kTraceListMessages).lines()) {
        messageList_->addTraceLine(line);
    }
    connect(traceCheck_, &QCheckBox::toggled, this,
            [this](bool on) { engine_.trace().setDataTraceOn(on); });
    connect(&trace, &CommTrace::lineAdded, this, &CDlgCommMonitor::onLineAdded,
            Qt::QueuedConnection);
    connect(&trace, &CommTrace::showRequested, this, &CDlgCommMonitor::onShowRequested,
            Qt::QueuedConnection);
}

void CDlgCommMonitor::onShowRequested() {
    engine_.trace().setDataTraceOn(traceCheck_->isChecked());
    show();
    raise();
}

void CDlgCommMonitor::reject() {
    engine_.trace().setDataTraceOn(false);
    hide();
}

void CDlgCommMonitor::onLineAdded(int listId, const QString& line) {
    (listId == kTraceListData ? dataList_ : messageList_)->addTraceLine(line);
}

} // namespace tessaly
