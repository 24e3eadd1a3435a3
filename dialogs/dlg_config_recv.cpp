#include "dialogs/dlg_config_recv.h"

#include "chrome/ap_list_ctrl.h"
#include "chrome/dlg_comm_config.h"
#include "chrome/image_png.h"
#include "chrome/text_functions.h"
#include "chrome/user_prompts.h"
#include "core/app_message.h"
#include "dialogs/coordination_marks.h"
#include "dialogs/dlg_coordinate.h"
#include "dialogs/dlg_get_receiver_inf.h"
#include "dialogs/dlg_input_ip.h"
#include "dialogs/dlg_ref_arp.h"
#include "dialogs/receiver_list_edits.h"
#include "dialogs/receiver_list_rows.h"
#include "protocol/frequency.h"
#include "protocol/settings.h"
#include "resources/resource_ids.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tessaly {

namespace {

constexpr QSize kListMinimumSize(820, 360);
constexpr int kLogoHeight = 32;

bool runInputDialog(QWidget* parent, const std::shared_ptr<INeighbourFinder>& finder,
                    const EngineOptions& options, const std::shared_ptr<CUserPrompts>& prompts,
                    int mode, int number, const ReceiverTable& table, ReceiverRecord& record) {
    CDlgInputIP dialog(parent, finder, options, prompts);
    dialog.setMode(mode);
    dialog.setReceiverNumber(number);
    dialog.table().copyFrom(table);
    dialog.record().copyFrom(record);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    record.copyFrom(dialog.record());
    return true;
}

class ConfigRecvDialogs : public IConfigRecvDialogs {
public:
    ConfigRecvDialogs(std::shared_ptr<INeighbourFinder> finder, EngineOptions options,
                      std::shared_ptr<CUserPrompts> prompts)
        : finder_(std::move(finder)), options_(std::move(options)), prompts_(std::move(prompts)) {}

    bool inputAddress(QWidget* parent, int mode, int number, const ReceiverTable& table,
                      ReceiverRecord& record) override {
        return runInputDialog(parent, finder_, options_, prompts_, mode, number, table, record);
    }
    bool searchReceivers(QWidget* parent, ReceiverTable& found) override {
        CDlgRefArp dialog(parent, finder_, prompts_);
        if (dialog.exec() != QDialog::Accepted) {
            return false;
        }
        found.copyFrom(dialog.result());
        return true;
    }
    bool proposeChannels(QWidget* parent, const ReceiverTable& table, int selectedNumber,
                         PlanProposal& proposal) override {
        CDlgCoordinate dialog(parent, table, selectedNumber, coordinationThresholds(),
                              programSettings().defaultBand);
        if (dialog.exec() != QDialog::Accepted) {
            return false;
        }
        proposal = dialog.proposal();
        return true;
    }

private:
    std::shared_ptr<INeighbourFinder> finder_;
    EngineOptions options_;
    std::shared_ptr<CUserPrompts> prompts_;
};

} // namespace

std::shared_ptr<IConfigRecvDialogs> configRecvDialogs(std::shared_ptr<INeighbourFinder> finder,
                                                      EngineOptions options,
                                                      std::shared_ptr<CUserPrompts> prompts) {
    return std::make_shared<ConfigRecvDialogs>(std::move(finder), std::move(options),
                                               std::move(prompts));
}

CDlgConfigRecv::CDlgConfigRecv(QWidget* parent, std::shared_ptr<INeighbourFinder> finder,
                               EngineOptions options, std::shared_ptr<IConfigRecvDialogs> dialogs,
                               std::shared_ptr<CUserPrompts> prompts)
    : QDialog(parent), finder_(std::move(finder)), options_(std::move(options)),
      prompts_(std::move(prompts)),
      dialogs_(dialogs ? std::move(dialogs) : configRecvDialogs(finder_, options_, prompts_)) {
    setWindowTitle(QStringLiteral("Receiver Configuration"));
    CImagePngRes logo;
    if (logo.load(kBmpConfigLogo)) {
        logo_ = colourKeyedImage(logo.takeImage(), qRgb(255, 255, 255));
    }
    header_ = new QLabel(this);
    header_->setFixedHeight(kLogoHeight);
    list_ = new CApListCtrl(this);
    list_->setMinimumSize(kListMinimumSize);
    insertReceiverColumns(*list_);
    list_->setMinimumWidth(std::max(kListMinimumSize.width(), list_->widthShowingAllColumns()));
    failureLine_ = new QLabel(this);
    failureLine_->setWordWrap(true);
    conflictLine_ = new QLabel(this);
    conflictLine_->setObjectName(QStringLiteral("conflictLine"));
    keepReadableWhenDisabled(*failureLine_);

    auto* side = new QVBoxLayout;
    side->addWidget(addButton(kIdUp, "Up"));
    side->addWidget(addButton(kIdDown, "Down"));
    side->addSpacing(8);
    side->addWidget(addButton(kIdInsert, "Insert..."));
    side->addWidget(addButton(kIdAdd, "Add..."));
    side->addWidget(addButton(kIdEdit, "Edit..."));
    side->addWidget(addButton(kIdDelete, "Delete"));
    side->addWidget(addButton(kIdAllDelete, "All Delete"));
    side->addSpacing(8);
    side->addWidget(addButton(kIdIpSearch, "IP search..."));
    side->addWidget(addButton(kIdUpload, "Upload"));
    side->addWidget(addButton(kIdDownload, "Download"));
    side->addSpacing(8);
    side->addWidget(addButton(kIdCoordinate, "Coordinate..."));
    side->addStretch(1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(list_, 1);
    middle->addLayout(side);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(failureLine_, 1);
    bottom->addWidget(addButton(kIdOk, "OK"));
    bottom->addWidget(addButton(kIdApply, "Apply"));
    bottom->addWidget(addButton(kIdCancel, "Cancel"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header_);
    layout->addLayout(middle, 1);
    layout->addWidget(conflictLine_);
    layout->addLayout(bottom);

    connect(button(kIdUp), &QPushButton::clicked, this, &CDlgConfigRecv::moveUp);
    connect(button(kIdDown), &QPushButton::clicked, this, &CDlgConfigRecv::moveDown);
    connect(button(kIdInsert), &QPushButton::clicked, this, &CDlgConfigRecv::insertReceiver);
    connect(button(kIdAdd), &QPushButton::clicked, this, &CDlgConfigRecv::addReceiver);
    connect(button(kIdEdit), &QPushButton::clicked, this, &CDlgConfigRecv::editReceiver);
    connect(button(kIdDelete), &QPushButton::clicked, this, &CDlgConfigRecv::deleteReceiver);
    connect(button(kIdAllDelete), &QPushButton::clicked, this, &CDlgConfigRecv::deleteAllReceivers);
    connect(button(kIdIpSearch), &QPushButton::clicked, this, &CDlgConfigRecv::ipSearch);
    connect(button(kIdUpload), &QPushButton::clicked, this, &CDlgConfigRecv::upload);
    connect(button(kIdDownload), &QPushButton::clicked, this, &CDlgConfigRecv::download);
    connect(button(kIdCoordinate), &QPushButton::clicked, this, &CDlgConfigRecv::coordinate);
    connect(button(kIdOk), &QPushButton::clicked, this, &CDlgConfigRecv::accept);
    connect(button(kIdApply), &QPushButton::clicked, this, &CDlgConfigRecv::apply);
    connect(button(kIdCancel), &QPushButton::clicked, this, &CDlgConfigRecv::cancel);
    connect(list_, &QTableWidget::cellDoubleClicked, this, [this] { editReceiver(); });

    for (const auto& [id, control] : buttons_) {
        control->setEnabled(false);
    }
    startTimer_.setSingleShot(true);
    startTimer_.setInterval(kConfigRecvStartDelayMs);
    connect(&startTimer_, &QTimer::timeout, this, &CDlgConfigRecv::opened);
}

CDlgConfigRecv::~CDlgConfigRecv() = default;

QPushButton* CDlgConfigRecv::addButton(int id, const char* text) {
    auto* control = new QPushButton(QString::fromLatin1(text), this);
    control->setAutoDefault(false);
    buttons_.emplace_back(id, control);
    return control;
}

QPushButton* CDlgConfigRecv::button(int id) const {
    for (const auto& [known, control] : buttons_) {
        if (known == id) {
            return control;
        }
    }
    return nullptr;
}

void CDlgConfigRecv::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_ == 0) {
        started_ = 1;
        original_.copyFrom(table_);
        startTimer_.start();
    }
}

void CDlgConfigRecv::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (logo_.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(QPoint((width() - logo_.width()) / 2, header_->y()), logo_);
}

void CDlgConfigRecv::opened() {
    setCursor(Qt::WaitCursor);
    if (table_.count > 0) {
        std::vector<NeighbourEntry> found;
        failureLine_->setText(QString::fromUtf8(kSearchingText));
        runBlockingWork(*this, [&] {
            finder_->sweepLocalSubnets();
            finder_->scanNeighbourTable(found);
        });
        failureLine_->clear();
        reconcileWithNeighbours(table_, found);
        fillReceiverList(*list_, table_);
        selectRow(*list_, 0);
    }
    refreshConflicts();
    for (const auto& [id, control] : buttons_) {
        control->setEnabled(true);
    }
    applyCountRule();
    ready_ = 1;
    unsetCursor();
}

void CDlgConfigRecv::applyCountRule() {
    const int count = table_.count;
    button(kIdUp)->setEnabled(count > 1);
    button(kIdDown)->setEnabled(count > 1);
    // Insert and Add could only do nothing on a full list: say so instead.
    for (int id : {kIdInsert, kIdAdd}) {
        button(id)->setEnabled(count < kMaxReceivers);
        button(id)->setToolTip(count < kMaxReceivers ? QString()
                                                     : QString::fromLatin1(kListFullTip));
    }
    for (int id : {kIdEdit, kIdDelete, kIdAllDelete, kIdUpload, kIdDownload, kIdCoordinate}) {
        button(id)->setEnabled(count > 0);
    }
}

void CDlgConfigRecv::setBusy(bool busy) {
    for (const auto& [id, control] : buttons_) {
        control->setEnabled(!busy);
    }
    if (busy) {
        setCursor(Qt::WaitCursor);
    } else {
        unsetCursor();
        applyCountRule();
    }
}

int CDlgConfigRecv::selectedOrFirst() const {
    const int row = selectedRow(*list_);
    return row < 0 ? 0 : row;
}

ReceiverRecord CDlgConfigRecv::freshRecord() const {
    const Settings& settings = programSettings();
    return newReceiverRecord(
        newReceiverFrequency(table_, settings.defaultBand, settings.defaultFreqText));
}

void CDlgConfigRecv::refreshRow(int row) {
    fillReceiverRow(*list_, row, table_.records[static_cast<size_t>(row)]);
}

// Every change of the table may make or end a conflict anywhere in it.
void CDlgConfigRecv::refreshConflicts() {
    const ConflictReport report = markReceiverConflicts(*list_, table_, coordinationThresholds());
    conflictLine_->setText(QString::fromStdString(conflictSummary(report.counts)));
}

void CDlgConfigRecv::coordinate() {
    if (table_.count <= 0 || operation_ != kOperationIdle) {
        return;
    }
    const int row = selectedRow(*list_);
    PlanProposal proposal;
    if (!dialogs_->proposeChannels(this, table_, row >= 0 && row < table_.count ? row + 1 : 0,
                                   proposal)) {
        return;
    }
    for (const Assignment& assignment : proposal.assignment) {
        ReceiverRecord& record = table_.byNumber(assignment.receiver);
        if (assignment.newKhz == record.freqKhz) {
            continue;
        }
        record.setFrequencyText(khzToText(assignment.newKhz));
        record.freqChanged = 1;
        changed_ = 1;
        refreshRow(assignment.receiver - 1);
    }
    refreshConflicts();
}

void CDlgConfigRecv::insertReceiver() {
    const int count = table_.count;
    if (count >= kMaxReceivers || operation_ != kOperationIdle) {
        return;
    }
    const int position = std::min(selectedOrFirst(), count);
    ReceiverTable prepared(table_);
    ReceiverRecord record = freshRecord();
    insertRecord(prepared, position, record);
    if (dialogs_->inputAddress(this, kInputModeInsert, position + 1, prepared, record)) {
        record.nameChanged = 1;
        record.freqChanged = 1;
        insertRecord(table_, position, record);
        changed_ = 1;
        fillReceiverList(*list_, table_);
        applyCountRule();
        refreshConflicts();
    }
    selectRow(*list_, position);
}

void CDlgConfigRecv::addReceiver() {
    const int count = table_.count;
    if (count >= kMaxReceivers || operation_ != kOperationIdle) {
        return;
    }
    ReceiverTable prepared(table_);
    prepared.count = count + 1;
    ReceiverRecord record = freshRecord();
    if (!dialogs_->inputAddress(this, kInputModeAdd, count + 1, prepared, record)) {
        return;
    }
    record.nameChanged = 1;
    record.freqChanged = 1;
    table_.records[static_cast<size_t>(count)].copyFrom(record);
    table_.count = count + 1;
    changed_ = 1;
    const int row = appendReceiverRow(*list_, count + 1);
    refreshRow(row);
    selectRow(*list_, row);
    list_->ensureVisible(row);
    applyCountRule();
    refreshConflicts();
}

void CDlgConfigRecv::editReceiver() {
    const int row = selectedRow(*list_);
    if (row < 0 || row >= table_.count || operation_ != kOperationIdle) {
        return;
    }
    ReceiverRecord& current = table_.records[static_cast<size_t>(row)];
    ReceiverRecord record;
    record.copyFrom(current);
    if (!dialogs_->inputAddress(this, kInputModeEdit, row + 1, table_, record)) {
        return;
    }
    if (record.name != current.name) {
        record.nameChanged = 1;
    }
    if (record.freqKhz != current.freqKhz) {
        record.freqChanged = 1;
    }
    if (sameReceiver(record, current)) {
        return; // OK with nothing changed
    }
    current.copyFrom(record);
    changed_ = 1;
    refreshRow(row);
    refreshConflicts();
    selectRow(*list_, row);
}

void CDlgConfigRecv::deleteReceiver() {
    const int row = selectedRow(*list_);
    const int count = table_.count;
    if (row < 0 || row >= count || operation_ != kOperationIdle) {
        return;
    }
    const QString name = textFromBytes(table_.records[static_cast<size_t>(row)].name);
    const QString question = name.isEmpty() ? QString::fromLatin1(kDeleteQuestion)
                                            : QStringLiteral("%1 (%2)").arg(kDeleteQuestion, name);
    if (prompts_->messageBox(this, question, PromptButtons::OkCancel, PromptIcon::Information) !=
        PromptAnswer::Ok) {
        return;
    }
    deleteRecord(table_, row);
    changed_ = 1;
    fillReceiverList(*list_, table_);
    if (table_.count > 0) {
        selectRow(*list_, std::min(row, table_.count - 1));
    }
    applyCountRule();
    refreshConflicts();
}

void CDlgConfigRecv::deleteAllReceivers() {
    if (table_.count <= 0 || operation_ != kOperationIdle) {
        return;
    }
    if (prompts_->messageBox(this, QString::fromLatin1(kDeleteAllQuestion), PromptButtons::OkCancel,
                             PromptIcon::Information) != PromptAnswer::Ok) {
        return;
    }
    deleteAllRecords(table_); // the header's communication settings stay as they were
    changed_ = 1;
    list_->deleteAllItems();
    applyCountRule();
    refreshConflicts();
}

void CDlgConfigRecv::moveUp() {
    const int row = selectedRow(*list_);
    if (table_.count <= 1 || row <= 0 || row >= table_.count || operation_ != kOperationIdle) {
        return;
    }
    swapRecords(table_, row - 1, row);
    changed_ = 1;
    refreshRow(row - 1);
    refreshRow(row);
    refreshConflicts();
    selectRow(*list_, row - 1);
}

void CDlgConfigRecv::moveDown() {
    const int row = selectedRow(*list_);
    if (table_.count <= 1 || row < 0 || row >= table_.count - 1 || operation_ != kOperationIdle) {
        return;
    }
    swapRecords(table_, row, row + 1);
    changed_ = 1;
    refreshRow(row);
    refreshRow(row + 1);
    refreshConflicts();
    selectRow(*list_, row + 1);
}

void CDlgConfigRecv::ipSearch() {
    if (operation_ != kOperationIdle) {
        return;
    }
    ReceiverTable found;
    if (!dialogs_->searchReceivers(this, found) || found.count <= 0) {
        return;
    }
    const Settings& settings = programSettings();
    const MergeResult merged = mergeFoundReceivers(table_, found, selectedOrFirst(),
                                                   settings.defaultBand, settings.defaultFreqText);
    if (merged.appended) {
        changed_ = 1;
    }
    fillReceiverList(*list_, table_);
    selectRow(*list_, merged.lastTouchedRow);
    list_->ensureVisible(merged.lastTouchedRow);
    applyCountRule();
    refreshConflicts();
    if (merged.appended) {
        startSequence(kOperationDownload, merged.firstAppended);
    }
}

bool CDlgConfigRecv::duplicateCheckPasses() {
    const std::string duplicate = duplicatedIp(table_);
    if (duplicate.empty()) {
        return true;
    }
    prompts_->messageBox(
        this, QStringLiteral("%1 (%2)").arg(kIpOverlapsText, QString::fromStdString(duplicate)),
        PromptButtons::Ok, PromptIcon::Exclamation);
    return false;
}

void CDlgConfigRecv::upload() {
    if (table_.count <= 0 || operation_ != kOperationIdle || !duplicateCheckPasses()) {
        return;
    }
    if (prompts_->messageBox(
            this,
            QStringLiteral("Are you sure you want to override the configurations of the "
                           "receivers ?"),
            PromptButtons::OkCancel, PromptIcon::Information) != PromptAnswer::Ok) {
        return;
    }
    // The checked upload: the difference first, Send, then every row read back.
    CDlgGetReceiverInf progress(this, options_);
    progress.setMode(kGetInfModeUpload);
    progress.table().copyFrom(table_);
    progress.exec();
    if (progress.sent() != 0) {
        table_.copyFrom(progress.table());
        fillReceiverList(*list_, table_);
    }
}

void CDlgConfigRecv::download() {
    if (table_.count <= 0 || operation_ != kOperationIdle || !duplicateCheckPasses()) {
        return;
    }
    if (prompts_->messageBox(
            this, QStringLiteral("Are you sure you want to replace the contents of the table ?"),
            PromptButtons::OkCancel, PromptIcon::Information) != PromptAnswer::Ok) {
        return;
    }
    startSequence(kOperationDownload, 1);
}

void CDlgConfigRecv::startSequence(int kind, int firstNumber) {
    for (int row = 0; row < list_->itemCount(); ++row) {
        list_->setItemText(row, kColumnStatus, QString());
        setRowToolTip(*list_, row, QString());
    }
    operation_ = kind;
    setBusy(true);
    const ExchangeKind exchange = kind == kOperationUpload ? ExchangeKind::Upload
                                  : firstNumber > 1        ? ExchangeKind::Information
                                                           : ExchangeKind::Download;
    sequence_ = std::make_unique<ExchangeSequence>(exchange, table_, options_);
    connect(sequence_.get(), &ExchangeSequence::engineCreated, this,
            [this](CCommThreadConfig* engine) {
                traceWindow_ = std::make_unique<CDlgCommConfig>(
                    engine->trace(), QStringLiteral("Comm Config"), this);
            });
    connect(sequence_.get(), &ExchangeSequence::exchangeFinished, this,
            &CDlgConfigRecv::onExchangeFinished);
    connect(sequence_.get(), &ExchangeSequence::finished, this,
            &CDlgConfigRecv::onSequenceFinished);
    sequence_->start(firstNumber);
}

void CDlgConfigRecv::onExchangeFinished(int number, int result, const QString& status,
                                        const QString& detail) {
    const int row = number - 1;
    if (result != 0) {
        list_->setItemText(row, kColumnStatus, status);
    } else {
        fillReceiverRow(*list_, row, sequence_->table().byNumber(number));
    }
    setRowToolTip(*list_, row, detail);
    if (!detail.isEmpty()) {
        lastFailureText_ = detail;
        failureLine_->setText(detail);
    }
}

void CDlgConfigRecv::onSequenceFinished(bool /*stopped*/) {
    table_.copyFrom(sequence_->table());
    if (sequence_->dataChanged()) {
        changed_ = 1;
    }
    // The sequence is still emitting: let it go once it has returned.
    sequence_.release()->deleteLater();
    operation_ = kOperationIdle;
    setBusy(false);
    refreshConflicts();
    repaint();
    postAppMessage(this, kEvSequenceEnd, 0);
}

bool CDlgConfigRecv::event(QEvent* event) {
    if (const AppMessage* message = AppMessage::from(event)) {
        if (message->code() == kEvSequenceEnd && operation_ == kOperationIdle) {
            unsetCursor();
        }
        return true;
    }
    return QDialog::event(event);
}

void CDlgConfigRecv::apply() {
    if (operation_ != kOperationIdle || !duplicateCheckPasses()) {
        return;
    }
    appliedFlag_ = 1;
    applied_.copyFrom(table_);
}

void CDlgConfigRecv::accept() {
    if (operation_ != kOperationIdle || !duplicateCheckPasses()) {
        return;
    }
    QDialog::accept();
}

void CDlgConfigRecv::cancel() {
    if (operation_ != kOperationIdle) {
        return; // Cancel is disabled while receivers are being talked to
    }
    QDialog::reject();
}

void CDlgConfigRecv::reject() {
    if (operation_ != kOperationIdle) {
        return;
    }
    // Cancel hands the caller the applied table when there is one, else nothing.
    const ReceiverTable& kept = appliedFlag_ != 0 ? applied_ : original_;
    if (!sameReceivers(table_, kept) &&
        prompts_->messageBox(this, QString::fromLatin1(kDiscardQuestion), PromptButtons::OkCancel,
                             PromptIcon::Information) != PromptAnswer::Ok) {
        return;
    }
    QDialog::reject();
}

} // namespace tessaly
