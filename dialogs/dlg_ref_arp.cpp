#include "dialogs/dlg_ref_arp.h"

#include "chrome/ap_list_ctrl.h"
#include "chrome/text_functions.h"
#include "chrome/user_prompts.h"
#include "comm/subnet_plan.h"
#include "dialogs/receiver_list_rows.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <optional>
#include <tuple>

namespace tessaly {

namespace {

constexpr std::array<ListColumn, 3> kFoundColumns{{
    {"No", 50},
    {"IP ADDRESS", 120},
    {"MAC ADDRESS", 120},
}};
constexpr int kFoundIpColumn = 1;
constexpr int kFoundMacColumn = 2;
constexpr QSize kListMinimumSize(330, 300);

// Numeric address order; what does not read as an address goes last, in text order.
void sortByAddress(std::vector<NeighbourEntry>& entries) {
    const auto key = [](const NeighbourEntry& entry) {
        const std::optional<Ipv4> address = parseIpv4(entry.ip);
        return std::make_tuple(!address.has_value(), address.value_or(0), entry.ip, entry.mac);
    };
    std::stable_sort(
        entries.begin(), entries.end(),
        [&](const NeighbourEntry& a, const NeighbourEntry& b) { return key(a) < key(b); });
}

QString foundText(int count) {
    if (count == 0) {
        return QStringLiteral("No receiver found.");
    }
    return count == 1 ? QStringLiteral("1 receiver found.")
                      : QStringLiteral("%1 receivers found.").arg(count);
}

QPushButton* makeButton(const char* text, QWidget* parent) {
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setAutoDefault(false);
    return button;
}

} // namespace

CDlgRefArp::CDlgRefArp(QWidget* parent, std::shared_ptr<INeighbourFinder> finder,
                       std::shared_ptr<CUserPrompts> prompts)
    : QDialog(parent), finder_(std::move(finder)), prompts_(std::move(prompts)) {
    setWindowTitle(QStringLiteral("IP Search"));
    list_ = new CApListCtrl(this);
    list_->setCheckBoxes(true);
    list_->setMinimumSize(kListMinimumSize);
    insertScaledColumns(*list_, kFoundColumns);
    list_->fitColumnToTexts(kFoundIpColumn, {widestIpText(list_->font())});
    list_->fitColumnToTexts(kFoundMacColumn, {widestMacText(list_->font())});
    list_->setMinimumWidth(std::max(kListMinimumSize.width(), list_->widthShowingAllColumns()));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusLine"));
    keepReadableWhenDisabled(*status_);
    selectAll_ = makeButton("Select All", this);
    selectAll_->setObjectName(QStringLiteral("selectAllButton"));
    selectNone_ = makeButton("Select None", this);
    selectNone_->setObjectName(QStringLiteral("selectNoneButton"));
    refresh_ = makeButton("Refresh", this);
    refresh_->setObjectName(QStringLiteral("refreshButton"));
    ok_ = makeButton("OK", this);
    cancel_ = makeButton("Cancel", this);

    auto* side = new QVBoxLayout;
    side->addWidget(selectAll_);
    side->addWidget(selectNone_);
    side->addWidget(refresh_);
    side->addStretch(1);
    side->addWidget(ok_);
    side->addWidget(cancel_);
    auto* found = new QVBoxLayout;
    found->addWidget(list_, 1);
    found->addWidget(status_);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(found, 1);
    layout->addLayout(side);

    connect(selectAll_, &QPushButton::clicked, this, [this] { setChecks(true); });
    connect(selectNone_, &QPushButton::clicked, this, [this] { setChecks(false); });
    connect(refresh_, &QPushButton::clicked, this, &CDlgRefArp::refresh);
    connect(ok_, &QPushButton::clicked, this, &CDlgRefArp::accept);
    connect(cancel_, &QPushButton::clicked, this, &CDlgRefArp::reject);

    refresh_->setEnabled(false);
    ok_->setEnabled(false);
    cancel_->setEnabled(false);
    startTimer_.setSingleShot(true);
    startTimer_.setInterval(kRefArpStartDelayMs);
    connect(&startTimer_, &QTimer::timeout, this, &CDlgRefArp::firstSearch);
}

void CDlgRefArp::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_ == 0) {
        started_ = 1;
        startTimer_.start();
    }
}

void CDlgRefArp::firstSearch() {
    searchAndFill();
    refresh_->setEnabled(true);
    ok_->setEnabled(true);
    cancel_->setEnabled(true);
    ready_ = 1;
}

void CDlgRefArp::refresh() {
    refresh_->setEnabled(false);
    searchAndFill();
    refresh_->setEnabled(true);
}

void CDlgRefArp::searchAndFill() {
    std::vector<NeighbourEntry> found;
    int failed = 0;
    list_->deleteAllItems();
    status_->setText(QString::fromUtf8(kSearchingText));
    runBlockingWork(*this, [&] {
        finder_->sweepLocalSubnets();
        failed = finder_->scanNeighbourTable(found);
    });
    if (failed != 0) {
        status_->setText(QString::fromLatin1(kNeighbourTableUnreadableText));
        return;
    }
    sortByAddress(found);
    status_->setText(foundText(static_cast<int>(found.size())));
    for (const NeighbourEntry& entry : found) {
        const int number = list_->itemCount() + 1;
        const int row = list_->insertItem(list_->itemCount(), QString::number(number));
        list_->setItemData(row, number);
        list_->setItemText(row, kFoundIpColumn, entry.ip);
        list_->setItemText(row, kFoundMacColumn, entry.mac);
    }
}

void CDlgRefArp::setChecks(bool checked) {
    for (int row = 0; row < list_->itemCount(); ++row) {
        list_->setCheck(row, checked);
    }
}

void CDlgRefArp::accept() {
    if (ready_ == 0) {
        return;
    }
    result_.reset();
    int filled = 0;
    for (int row = 0; row < list_->itemCount() && filled < kMaxReceivers; ++row) {
        if (!list_->check(row)) {
            continue;
        }
        ReceiverRecord& record = result_.records[static_cast<size_t>(filled)];
        record.ip = bytesFromText(list_->itemText(row, kFoundIpColumn));
        record.mac = bytesFromText(list_->itemText(row, kFoundMacColumn));
        ++filled;
    }
    result_.count = filled;
    if (filled == 0) {
        prompts_->messageBox(this, QString::fromLatin1(kNotSelectedText), PromptButtons::Ok,
                             PromptIcon::Exclamation);
        return;
    }
    QDialog::accept();
}

void CDlgRefArp::reject() {
    if (ready_ == 0) {
        return; // Cancel is not offered before the first search has ended
    }
    QDialog::reject();
}

} // namespace tessaly
