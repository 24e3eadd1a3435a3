#pragma once

#include "protocol/receiver_table.h"
#include "show/plan_proposer.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace tessaly {

class CApListCtrl;

// The proposed channels for the receivers of the Receiver Configuration dialog's table: one row
// per receiver (number, name, old and new frequency); those that did not fit are listed as
// staying where they are. With a receiver selected in the list, "Only receiver N" proposes for
// it alone and keeps the others fixed. Nothing changes unless the operator confirms with OK.
class CDlgCoordinate : public QDialog {
    Q_OBJECT

public:
    CDlgCoordinate(QWidget* parent, const ReceiverTable& table, int selectedNumber,
                   const CoordinationThresholds& thresholds, int defaultBand);

    const PlanProposal& proposal() const { return proposal_; }

    CApListCtrl* list() const { return list_; }
    QCheckBox* selectedOnly() const { return selectedOnly_; }
    QPushButton* okButton() const { return ok_; }

private:
    void propose();

    const ReceiverTable& table_;
    int selectedNumber_;
    CoordinationThresholds thresholds_;
    int defaultBand_;
    PlanProposal proposal_;

    CApListCtrl* list_ = nullptr;
    QLabel* summary_ = nullptr;
    QCheckBox* selectedOnly_ = nullptr;
    QPushButton* ok_ = nullptr;
};

// Column titles of the proposal list.
constexpr int kProposalColumnNumber = 0;
constexpr int kProposalColumnName = 1;
constexpr int kProposalColumnOld = 2;
constexpr int kProposalColumnNew = 3;

} // namespace tessaly
