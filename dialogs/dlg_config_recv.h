#pragma once

#include "chrome/user_prompts.h"
#include "comm/engine_options.h"
#include "comm/exchange_sequence.h"
#include "dialogs/neighbour_finder.h"
#include "protocol/receiver_table.h"
#include "show/plan_proposer.h"

#include <QDialog>
#include <QImage>
#include <QTimer>

#include <memory>

class QLabel;
class QPushButton;

namespace tessaly {

class CDlgCommConfig;

class CApListCtrl;

constexpr int kConfigRecvStartDelayMs = 100; // timer 1
constexpr const char* kDeleteQuestion = "Do you want to delete ?";
constexpr const char* kDeleteAllQuestion = "Do you want to delete All ?";
constexpr const char* kDiscardQuestion = "Discard the changes?";
constexpr const char* kListFullTip = "The list is full: 60 receivers at most.";

// Operation kinds.
constexpr int kOperationIdle = 0;
constexpr int kOperationUpload = 1;
constexpr int kOperationDownload = 2; // also the get-information sequence after an IP Search

// The dialogs the receiver list editor opens. Tests give their own to answer without dialogs.
class IConfigRecvDialogs {
public:
    virtual ~IConfigRecvDialogs() = default;

    // The Input IP Address dialog: mode, receiver number, the prepared table copy and the
    // initial record; true with the record filled in on OK.
    virtual bool inputAddress(QWidget* parent, int mode, int number, const ReceiverTable& table,
                              ReceiverRecord& record) = 0;
    // IP Search; true with the ticked entries on OK.
    virtual bool searchReceivers(QWidget* parent, ReceiverTable& found) = 0;
    // The proposed channels (for all receivers, or for the selected one when 0 < number); true
    // with the proposal when the operator confirms it.
    virtual bool proposeChannels(QWidget* parent, const ReceiverTable& table, int selectedNumber,
                                 PlanProposal& proposal) = 0;
};

// The real dialogs, looking for receivers through `finder`, talking to them with `options` and
// asking the operator through `prompts`.
std::shared_ptr<IConfigRecvDialogs>
configRecvDialogs(std::shared_ptr<INeighbourFinder> finder, EngineOptions options,
                  std::shared_ptr<CUserPrompts> prompts = systemPrompts());

// Receiver Configuration: the receiver list editor. The caller copies a table into table(),
// runs the dialog, and takes table() over after OK, or appliedTable() after Cancel when
// applied() is set; changed() tells whether to set the modified flag. On opening the addresses
// are brought in line with the neighbour table.
class CDlgConfigRecv : public QDialog {
    Q_OBJECT

public:
    // `dialogs` null: the real ones, on the same finder, options and prompts.
    explicit CDlgConfigRecv(QWidget* parent = nullptr,
                            std::shared_ptr<INeighbourFinder> finder = systemNeighbourFinder(),
                            EngineOptions options = {},
                            std::shared_ptr<IConfigRecvDialogs> dialogs = nullptr,
                            std::shared_ptr<CUserPrompts> prompts = systemPrompts());
    ~CDlgConfigRecv() override;

    ReceiverTable& table() { return table_; }
    const ReceiverTable& appliedTable() const { return applied_; }
    int changed() const { return changed_; }
    int applied() const { return appliedFlag_; }
    int operationKind() const { return operation_; }
    bool ready() const { return ready_ != 0; }
    const QString& lastFailureText() const { return lastFailureText_; }

    CApListCtrl* list() const { return list_; }
    QPushButton* button(int id) const;
    QLabel* failureLine() const { return failureLine_; }

    // The editing commands, as their buttons run them.
    void insertReceiver();
    void addReceiver();
    void editReceiver();
    void deleteReceiver();
    void deleteAllReceivers();
    void moveUp();
    void moveDown();
    void ipSearch();
    void upload();
    void download();
    void apply();
    // Proposes conflict-free channels and, once confirmed, takes them over as pending changes.
    void coordinate();

public slots:
    void accept() override;
    // Escape and the window's close button: asks before edits are thrown away. Cancel closes
    // without asking.
    void reject() override;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QPushButton* addButton(int id, const char* text);
    void opened();
    void applyCountRule();
    void setBusy(bool busy);
    void cancel();
    bool duplicateCheckPasses();
    void startSequence(int kind, int firstNumber);
    void onExchangeFinished(int number, int result, const QString& status, const QString& detail);
    void onSequenceFinished(bool stopped);
    void refreshRow(int row);
    void refreshConflicts();
    int selectedOrFirst() const;
    ReceiverRecord freshRecord() const;

    std::shared_ptr<INeighbourFinder> finder_;
    EngineOptions options_;
    std::shared_ptr<CUserPrompts> prompts_;
    std::shared_ptr<IConfigRecvDialogs> dialogs_;
    ReceiverTable table_;
    ReceiverTable applied_;
    ReceiverTable original_; // the table as it was given
    std::unique_ptr<ExchangeSequence> sequence_;
    std::unique_ptr<CDlgCommConfig> traceWindow_; // "Comm Config", shown with comm/debug
    int changed_ = 0;
    int appliedFlag_ = 0;
    int operation_ = kOperationIdle;
    int started_ = 0;
    int ready_ = 0;
    QString lastFailureText_;
    QTimer startTimer_;
    QImage logo_;

    CApListCtrl* list_ = nullptr;
    QLabel* header_ = nullptr; // hidden: marks where the logo goes
    QLabel* failureLine_ = nullptr;
    QLabel* conflictLine_ = nullptr; // "3 conflicts: 1 same channel, 2 intermodulation"
    std::vector<std::pair<int, QPushButton*>> buttons_;
};

// Button ids of the dialog.
constexpr int kIdUp = 1016;
constexpr int kIdDown = 1017;
constexpr int kIdInsert = 1011;
constexpr int kIdAdd = 1012;
constexpr int kIdEdit = 1013;
constexpr int kIdDelete = 1014;
constexpr int kIdAllDelete = 1015;
constexpr int kIdIpSearch = 1010;
constexpr int kIdUpload = 1117;
constexpr int kIdDownload = 1118;
constexpr int kIdCoordinate = 1119;
constexpr int kIdOk = 1;
constexpr int kIdApply = 1097;
constexpr int kIdCancel = 2;

} // namespace tessaly
