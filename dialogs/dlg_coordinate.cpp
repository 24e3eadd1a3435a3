#include "dialogs/dlg_coordinate.h"

#include "chrome/ap_list_ctrl.h"
#include "chrome/text_functions.h"
#include "protocol/frequency.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

namespace tessaly {

namespace {

constexpr std::array<ListColumn, 4> kProposalColumns{{
    {"No", 30},
    {"Receiver Name", 110},
    {"Old", 80},
    {"New", 120},
}};
constexpr QSize kListMinimumSize(380, 300);
constexpr const char* kStaysText = "does not fit, stays";

} // namespace

CDlgCoordinate::CDlgCoordinate(QWidget* parent, const ReceiverTable& table, int selectedNumber,
                               const CoordinationThresholds& thresholds, int defaultBand)
    : QDialog(parent), table_(table), selectedNumber_(selectedNumber), thresholds_(thresholds),
      defaultBand_(defaultBand) {
    setWindowTitle(QStringLiteral("Coordinate Frequencies"));
    summary_ = new QLabel(this);
    summary_->setWordWrap(true);
    list_ = new CApListCtrl(this);
    list_->setMinimumSize(kListMinimumSize);
    insertScaledColumns(*list_, kProposalColumns);
    selectedOnly_ = new QCheckBox(this);
    selectedOnly_->setText(
        QStringLiteral("Only receiver %1; the others keep their channels").arg(selectedNumber));
    selectedOnly_->setVisible(selectedNumber > 0);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    ok_->setAutoDefault(false);
    cancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(selectedOnly_);
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);

    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(selectedOnly_, &QCheckBox::toggled, this, &CDlgCoordinate::propose);
    propose();
}

void CDlgCoordinate::propose() {
    std::vector<int> selected;
    if (selectedOnly_->isChecked() && selectedNumber_ > 0) {
        selected.push_back(selectedNumber_);
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    proposal_ = proposePlan(planReceiversOf(table_, defaultBand_, selected), thresholds_);
    QGuiApplication::restoreOverrideCursor();

    list_->deleteAllItems();
    const auto addRow = [&](int number, const QString& newText, bool changed) {
        const int row = list_->insertItem(list_->itemCount(), QString::number(number));
        list_->setItemData(row, number);
        const ReceiverRecord& record = table_.byNumber(number);
        list_->setItemText(row, kProposalColumnName, textFromBytes(record.name));
        list_->setItemText(row, kProposalColumnOld, textFromBytes(record.freqText));
        list_->setItemText(row, kProposalColumnNew, newText);
        if (changed) {
            QFont bold = list_->font();
            bold.setBold(true);
            list_->item(row, kProposalColumnNew)->setFont(bold);
        }
    };
    size_t a = 0;
    size_t u = 0;
    while (a < proposal_.assignment.size() || u < proposal_.unassigned.size()) {
        const bool takeAssigned = u >= proposal_.unassigned.size() ||
                                  (a < proposal_.assignment.size() &&
                                   proposal_.assignment[a].receiver < proposal_.unassigned[u]);
        if (takeAssigned) {
            const Assignment& assignment = proposal_.assignment[a++];
            addRow(assignment.receiver, QString::fromStdString(khzToText(assignment.newKhz)),
                   assignment.newKhz != assignment.oldKhz);
        } else {
            addRow(proposal_.unassigned[u++], QString::fromLatin1(kStaysText), false);
        }
    }

    const int placed = static_cast<int>(proposal_.assignment.size());
    QString text = QStringLiteral("%1 of %2 receivers placed without any conflict, %3 to change.")
                       .arg(placed)
                       .arg(placed + static_cast<int>(proposal_.unassigned.size()))
                       .arg(proposal_.changedCount());
    if (!proposal_.unassigned.empty()) {
        text +=
            QStringLiteral(" %1 did not fit and stay unchanged.").arg(proposal_.unassigned.size());
    }
    text += QStringLiteral(" OK takes the new channels; they are sent to the receivers like "
                           "any other change.");
    summary_->setText(text);
    ok_->setEnabled(proposal_.changedCount() > 0);
}

} // namespace tessaly
