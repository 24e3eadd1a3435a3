#include "dialogs/dlg_input_ip.h"

#include "chrome/comb_color.h"
#include "chrome/dlg_comm_config.h"
#include "chrome/key_in.h"
#include "chrome/text_functions.h"
#include "chrome/user_prompts.h"
#include "comm/subnet_plan.h"
#include "core/app_message.h"
#include "dialogs/coordination_marks.h"
#include "protocol/bands.h"
#include "protocol/command_builder.h"
#include "protocol/frequency.h"
#include "protocol/settings.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessaly {

namespace {

constexpr int kOctetLimit = 255;

QPushButton* makeButton(const char* text, QWidget* parent) {
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setAutoDefault(false);
    return button;
}

// "MAC address overlaps. (receiver 3, VOCAL3)": which receiver already has it.
QString macOverlapsMessage(int otherNumber, const QString& otherName) {
    const QString other = otherName.isEmpty()
                              ? QStringLiteral("receiver %1").arg(otherNumber)
                              : QStringLiteral("receiver %1, %2").arg(otherNumber).arg(otherName);
    return QStringLiteral("%1 (%2)").arg(QString::fromLatin1(kMacOverlapsText), other);
}

} // namespace

std::optional<std::array<int, 4>> parseIpOctets(const QString& text) {
    const std::optional<Ipv4> address = parseIpv4(text);
    if (!address) {
        return std::nullopt;
    }
    return std::array<int, 4>{
        static_cast<int>(*address >> 24), static_cast<int>(*address >> 16 & 0xFF),
        static_cast<int>(*address >> 8 & 0xFF), static_cast<int>(*address & 0xFF)};
}

bool isUnusableAddress(const std::array<int, 4>& octets) {
    bool allZero = true;
    for (int octet : octets) {
        if (octet == kOctetLimit) {
            return true;
        }
        allZero = allZero && octet == 0;
    }
    return allZero;
}

CDlgInputIP::CDlgInputIP(QWidget* parent, std::shared_ptr<INeighbourFinder> finder,
                         EngineOptions options, std::shared_ptr<CUserPrompts> prompts)
    : QDialog(parent), finder_(std::move(finder)), options_(std::move(options)),
      prompts_(std::move(prompts)) {
    ipEdit_ = new QLineEdit(this);
    ipEdit_->setObjectName(QStringLiteral("ipEdit"));
    nameEdit_ = new CKeyIn(this);
    nameEdit_->setObjectName(QStringLiteral("nameEdit"));
    nameEdit_->setFilterMode(kFilterName);
    nameEdit_->setMaxLength(kNameMaxLength);
    nameEdit_->setNotifyMessage(kAppMessageNumber);
    nameEdit_->setControlId(kNameEditId);
    nameEdit_->setNotifyTarget(this);
    bandCombo_ = new CCombColor(this);
    bandCombo_->setObjectName(QStringLiteral("bandCombo"));
    channelCombo_ = new CCombColor(this);
    channelCombo_->setObjectName(QStringLiteral("channelCombo"));
    bandWidth_ = makeButton("Band Width", this);
    bandWidth_->setObjectName(QStringLiteral("bandWidthButton"));
    bandRange_ = new QLabel(this);
    bandRange_->setObjectName(QStringLiteral("bandRangeLabel"));
    ok_ = makeButton("OK", this);
    cancel_ = makeButton("Cancel", this);

    for (int band = kFirstBand; band <= kLastBand; ++band) {
        bandCombo_->addItem(QString::fromStdString(bandName(band)), band);
    }

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("IP ADDRESS"), ipEdit_);
    form->addRow(QStringLiteral("Receiver Name"), nameEdit_);
    auto* bandRow = new QHBoxLayout;
    bandRow->addWidget(bandCombo_);
    bandRow->addWidget(bandWidth_);
    bandRow->addWidget(bandRange_, 1);
    form->addRow(QStringLiteral("Band"), bandRow);
    form->addRow(QStringLiteral("Frequency"), channelCombo_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(ok_, &QPushButton::clicked, this, &CDlgInputIP::accept);
    connect(cancel_, &QPushButton::clicked, this, &CDlgInputIP::reject);
    connect(bandWidth_, &QPushButton::clicked, this, &CDlgInputIP::askBandWidth);
    connect(bandCombo_, &QComboBox::activated, this,
            [this](int index) { fillChannels(bandCombo_->itemData(index).toInt()); });
}

CDlgInputIP::~CDlgInputIP() {
    if (engine_) {
        engine_->stop();
    }
}

void CDlgInputIP::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (prepared_ != 0) {
        return;
    }
    prepared_ = 1;
    const QString name = textFromBytes(record_.name);
    setWindowTitle(name.isEmpty() ? QStringLiteral("Receiver Setting")
                                  : QStringLiteral("Receiver Setting (%1)").arg(name));
    bandRange_->clear();
    bandWidth_->setVisible(programSettings().dispBand != 0);
    nameEdit_->setText(name);
    if (!record_.ip.empty()) {
        ipEdit_->setText(QString::fromStdString(record_.ip));
    }
    int band = bandOfFrequency(record_.freqKhz);
    if (band == kBandNone) {
        band = effectiveDefaultBand(programSettings().defaultBand);
    }
    fillChannels(band);
    bandCombo_->setCurrentIndex(bandCombo_->findData(band));
}

void CDlgInputIP::fillChannels(int band) {
    fillChannelCombo(*channelCombo_, band, table_, number_, record_.freqKhz);
    markChannelConflicts(*channelCombo_, table_, number_, coordinationThresholds());
    autoKhz_ = channelCombo_->currentIndex() >= 0 ? channelCombo_->currentData().toInt() : 0;
}

bool CDlgInputIP::confirmMove(int32_t& khz) {
    if (khz == record_.freqKhz || khz != autoKhz_ || record_.freqKhz <= 0) {
        return true;
    }
    const QString from = QString::fromStdString(khzToText(record_.freqKhz));
    const QString to = QString::fromStdString(khzToText(khz));
    const QString band = QString::fromStdString(bandName(bandOfFrequency(khz)));
    const QString where =
        bandOfFrequency(record_.freqKhz) == kBandNone
            ? QStringLiteral("%1 MHz is outside the band %2.").arg(from, band)
            : QStringLiteral("%1 MHz is not a channel of the band %2.").arg(from, band);
    const PromptAnswer answer = prompts_->messageBox(
        this,
        QStringLiteral("%1\nMove the receiver to %2 MHz?\n(No keeps %3 MHz.)").arg(where, to, from),
        PromptButtons::YesNoCancel, PromptIcon::Question);
    if (answer == PromptAnswer::Cancel) {
        channelCombo_->setFocus();
        return false;
    }
    if (answer == PromptAnswer::No) {
        khz = record_.freqKhz;
    }
    return true;
}

bool CDlgInputIP::event(QEvent* event) {
    const AppMessage* message = AppMessage::from(event);
    if (message == nullptr) {
        return QDialog::event(event);
    }
    switch (message->code()) {
    case kKeyInTab:
        if (message->value() == kNameEditId) {
            focusNextChild();
        }
        break;
    case kKeyInPaste:
        if (message->value() == kNameEditId) {
            const QString cleaned = keepNameCharacters(nameEdit_->text());
            nameEdit_->setText(cleaned);
            record_.name = bytesFromText(cleaned);
        }
        break;
    case kEvConfigReady:
        if (message->value() == kConfigReadyValue && engineReady_ == 0) {
            engineReady_ = 1;
            if (bandPending_ != 0) {
                engine_->post(kEvConfigStartOther, number_);
            }
        }
        break;
    case kEvConfigResultOther:
        if (bandPending_ != 0) {
            bandAnswered(static_cast<int>(message->value()));
        }
        break;
    default:
        break;
    }
    return true;
}

void CDlgInputIP::refuse(const QString& text) {
    prompts_->messageBox(this, text, PromptButtons::Ok, PromptIcon::Exclamation);
    ipEdit_->setFocus();
}

void CDlgInputIP::accept() {
    if (bandPending_ != 0) {
        return;
    }
    const std::optional<std::array<int, 4>> octets = parseIpOctets(ipEdit_->text());
    if (!octets || isUnusableAddress(*octets)) {
        prompts_->messageBox(this, invalidMessage(QString::fromLatin1(kIpAddressWord)),
                             PromptButtons::Ok, PromptIcon::Exclamation);
        ipEdit_->setFocus();
        return;
    }
    const std::array<int, 4>& o = *octets;
    record_.ip =
        QStringLiteral("%1.%2.%3.%4").arg(o[0]).arg(o[1]).arg(o[2]).arg(o[3]).toStdString();
    const int count = table_.count;
    for (int number = 1; number <= count; ++number) {
        if (number != number_ && table_.byNumber(number).ip == record_.ip) {
            refuse(QString::fromLatin1(kIpOverlapsText));
            return;
        }
    }
    int32_t khz = record_.freqKhz;
    if (channelCombo_->currentIndex() >= 0) {
        khz = channelCombo_->currentData().toInt();
    }
    if (!confirmMove(khz)) {
        return;
    }

    record_.name = bytesFromText(nameEdit_->text());
    if (channelCombo_->currentIndex() >= 0 && khz != record_.freqKhz) {
        record_.freqKhz = khz;
        record_.freqText = khzToText(khz);
    }

    const QString ip = QString::fromStdString(record_.ip);
    std::vector<NeighbourEntry> found;
    runBlockingWork(*this, [&] {
        finder_->ping(ip, kAddressInputPingTimeoutMs); // the neighbour table learns the address
        finder_->scanNeighbourTable(found);
    });
    record_.mac.clear();
    for (const NeighbourEntry& entry : found) {
        if (entry.ip == ip) {
            record_.mac = entry.mac.toStdString();
            break;
        }
    }
    if (!record_.mac.empty()) {
        for (int number = 1; number <= count; ++number) {
            const ReceiverRecord& other = table_.byNumber(number);
            if (number != number_ && other.mac == record_.mac) {
                refuse(macOverlapsMessage(number, textFromBytes(other.name)));
                return;
            }
        }
    }
    QDialog::accept();
}

void CDlgInputIP::reject() {
    if (bandPending_ == 0) {
        QDialog::reject();
    }
}

void CDlgInputIP::setButtonsEnabled(bool enabled) {
    ok_->setEnabled(enabled);
    cancel_->setEnabled(enabled);
    bandWidth_->setEnabled(enabled);
}

void CDlgInputIP::askBandWidth() {
    setButtonsEnabled(false);
    bandPending_ = 1;
    table_.setMask = 0;
    table_.getMask = kMaskBand;
    if (engine_ && engineReady_ != 0) {
        engine_->post(kEvConfigStartOther, number_);
        return;
    }
    if (!engine_) {
        engine_ = std::make_unique<CCommThreadConfig>(&table_, this, options_);
        traceWindow_ =
            std::make_unique<CDlgCommConfig>(engine_->trace(), QStringLiteral("Comm Config"), this);
        engine_->start();
    }
}

void CDlgInputIP::bandAnswered(int result) {
    bandPending_ = 0;
    if (result != 0) {
        prompts_->messageBox(this, engine_->messageText(), PromptButtons::Ok,
                             PromptIcon::Exclamation);
    } else {
        bandRange_->setText(QString::fromStdString(bandRangeText(table_.byNumber(number_).band)));
    }
    setButtonsEnabled(true);
}

} // namespace tessaly
