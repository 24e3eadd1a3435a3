#include "chrome/dlg_comm_config.h"

#include "chrome/ap_list_box.h"
#include "core/comm_trace.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace tessaly {

namespace {
constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 360;
} // namespace

CDlgCommConfig::CDlgCommConfig(CommTrace& trace, const QString& title, QWidget* parent)
    : QDialog(parent), traceList_(new CApListBox(this)) {
    setWindowTitle(title);
    setModal(false);
    resize(kWindowWidth, kWindowHeight);
    traceList_->setObjectName(QString::number(kTraceListId));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setVisible(false);
    connect(cancel, &QPushButton::clicked, this, &CDlgCommConfig::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(traceList_);

    for (const QString& line : trace.list(kTraceListMessages).lines()) {
        traceList_->addTraceLine(line);
    }
    connect(&trace, &CommTrace::lineAdded, this, &CDlgCommConfig::onLineAdded,
            Qt::QueuedConnection);
    connect(&trace, &CommTrace::showRequested, this, &QWidget::show, Qt::QueuedConnection);
}

void CDlgCommConfig::reject() {
    hide();
}

void CDlgCommConfig::onLineAdded(int listId, const QString& line) {
    if (listId == kTraceListMessages) {
        traceList_->addTraceLine(line);
    }
}

} // namespace tessaly
