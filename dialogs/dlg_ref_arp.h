#pragma once

#include "chrome/user_prompts.h"
#include "dialogs/neighbour_finder.h"
#include "protocol/receiver_table.h"

#include <QDialog>
#include <QTimer>

#include <memory>

class QLabel;
class QPushButton;

namespace tessaly {

class CApListCtrl;

constexpr int kRefArpStartDelayMs = 100; // timer 1
constexpr const char* kNotSelectedText = "not selected.";
constexpr const char* kNeighbourTableUnreadableText = "The neighbour table could not be read.";

// IP Search: the receivers found on the LAN (the neighbour scan after a sweep of the local
// subnets) in a list with check boxes, in address order, with a line that says how many. On OK
// result() holds the ticked entries, at most 60, each with only an IP address and a MAC address.
class CDlgRefArp : public QDialog {
    Q_OBJECT

public:
    explicit CDlgRefArp(QWidget* parent = nullptr,
                        std::shared_ptr<INeighbourFinder> finder = systemNeighbourFinder(),
                        std::shared_ptr<CUserPrompts> prompts = systemPrompts());

    const ReceiverTable& result() const { return result_; }

    CApListCtrl* list() const { return list_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    bool ready() const { return ready_ != 0; }

public slots:
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void firstSearch();
    void refresh();
    void searchAndFill();
    void setChecks(bool checked);

    std::shared_ptr<INeighbourFinder> finder_;
    std::shared_ptr<CUserPrompts> prompts_;
    ReceiverTable result_;
    QTimer startTimer_;
    int started_ = 0;
    int ready_ = 0;

    CApListCtrl* list_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* selectAll_ = nullptr;
    QPushButton* selectNone_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace tessaly
