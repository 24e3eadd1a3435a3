#include "dialogs/dlg_set_recv_inf.h"

#include "chrome/key_in.h"
#include "chrome/text_functions.h"
#include "chrome/user_prompts.h"
#include "core/app_message.h"
#include "dialogs/setting_messages.h"
#include "protocol/bands.h"
#include "protocol/settings.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tessaly {

namespace {

constexpr const char* kCaption = "Receiver Information Setting";

// The value sets offered by the lists.
constexpr int kVolumeHighest = 0;
constexpr int kVolumeLowest = -20;
constexpr int kVolumeStep = 2;
constexpr int kSquelchOff = 0;
constexpr int kSquelchLowest = 20;
constexpr int kSquelchHighest = 50;
constexpr int kSquelchStep = 6;
constexpr int kMicGainHighest = 20;
constexpr int kMicGainLowest = 0;
constexpr int kMicGainStep = 2;
constexpr int kPinEditWidthChars = 8; // room for four digits and the frame

// What a list shows when the record holds a value outside its set.
constexpr int kVolumeFallbackIndex = 0;  // "0"
constexpr int kSquelchFallbackIndex = 1; // "20"

constexpr int kLine = 1;
constexpr int kMic = 0;
constexpr int kOff = 0;
constexpr int kOn = 1;
constexpr int kRfLow = 1;
constexpr int kRfMiddle = 2;
constexpr int kRfHigh = 3;
constexpr int kAlkaline = 0;
constexpr int kNiMh = 1;

// Item names of the refusals.
constexpr const char* kVolumeItem = "Volume";
constexpr const char* kLineMicItem = "Line/Mic";
constexpr const char* kAntennaSwitchItem = "Antenna Switch";
constexpr const char* kRxKeyLockItem = "RX Key Lock";
constexpr const char* kRxKeyLockPinItem = "RX Key Lock Pin";
constexpr const char* kSquelchItem = "Squelch";
constexpr const char* kRfPowerItem = "RF Power";
constexpr const char* kMicGainItem = "Mic Gain";
constexpr const char* kTxKeyLockItem = "TX Key Lock";
constexpr const char* kBatteryItem = "Battery";

// The digits at the start of the PIN text; none gives 0. Saturates rather than overflowing, so any
// long run of digits is simply out of range.
int leadingDigitsValue(const QString& text) {
    int value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            break;
        }
        value = std::min(value * 10 + (c.unicode() - '0'), kPinLargest + 1);
    }
    return value;
}

QString pinText(int pin) {
    const int shown = (pin >= 0 && pin <= kPinLargest) ? pin : 0;
    return QStringLiteral("%1").arg(shown, kPinMaxLength, 10, QLatin1Char('0'));
}

// Selects the item holding `value`, or the fallback item when none does.
void selectValue(QComboBox* list, int value, int fallbackIndex) {
    const int index = list->findData(value);
    list->setCurrentIndex(index >= 0 ? index : fallbackIndex);
}

} // namespace

CDlgSetRecvInf::CDlgSetRecvInf(QWidget* parent, bool monitoring, int receiverNumber,
                               const ReceiverTable& tableCopy,
                               std::shared_ptr<CUserPrompts> prompts)
    : QDialog(parent), monitoring_(monitoring ? 1 : 0), receiverNumber_(receiverNumber),
      table_(tableCopy), prompts_(std::move(prompts)) {
    setWindowIcon(QApplication::windowIcon());
    const QString name = textFromBytes(record().name);
    const QString caption = QString::fromLatin1(kCaption);
    setWindowTitle(name.isEmpty() ? caption : QStringLiteral("%1 (%2)").arg(caption, name));

    buildControls();

    band_ = bandOfFrequency(record().freqKhz);
    if (band_ == kBandNone) {
        band_ = effectiveDefaultBand(programSettings().defaultBand);
    }
    if (band_ == kBandJpn) {
        radio(kSetRecvRfMiddleId)->setEnabled(false);
    }
    showRecord();
}

// Controls are made in the order the operator tabs through them, each inside its group box.
void CDlgSetRecvInf::buildControls() {
    auto* rx = new QGroupBox(QStringLiteral("RX Setting"), this);
    auto* rxColumn = new QVBoxLayout(rx);
    auto* tx = new QGroupBox(QStringLiteral("TX Setting"), this);
    auto* txColumn = new QVBoxLayout(tx);

    // A titled box in `column` holding one row of controls.
    auto addBox = [](QGroupBox* owner, QVBoxLayout* column, const char* title) {
        auto* box = new QGroupBox(QString::fromLatin1(title), owner);
        column->addWidget(box);
        auto* row = new QHBoxLayout(box);
        return std::pair{box, row};
    };
    auto addList = [&](QGroupBox* owner, QVBoxLayout* column, const char* title, int id, int first,
                       int last, int step) {
        auto [box, row] = addBox(owner, column, title);
        auto* list = new QComboBox(box);
        for (int value = first; step > 0 ? value <= last : value >= last; value += step) {
            list->addItem(QString::number(value), value);
        }
        row->addWidget(list);
        row->addStretch(1);
        controls_[id] = list;
        return list;
    };
    // Radio buttons in a box of their own, which makes them exclusive.
    auto addRadios = [&](QGroupBox* owner, QVBoxLayout* column, const char* title,
                         std::initializer_list<std::pair<int, const char*>> buttons) {
        auto [box, row] = addBox(owner, column, title);
        for (const auto& [id, text] : buttons) {
            auto* radio = new QRadioButton(QString::fromLatin1(text), box);
            controls_[id] = radio;
            row->addWidget(radio);
        }
        row->addStretch(1);
    };

    addList(rx, rxColumn, "Gain", kSetRecvVolumeListId, kVolumeHighest, kVolumeLowest,
            -kVolumeStep);
    addRadios(rx, rxColumn, "Line/Mic", {{kSetRecvLineId, "Line"}, {kSetRecvMicId, "Mic"}});
    addRadios(rx, rxColumn, "Antenna Switch",
              {{kSetRecvAntennaOffId, "OFF"}, {kSetRecvAntennaOnId, "ON"}});
    addRadios(rx, rxColumn, "Key Lock", {{kSetRecvRxLockOffId, "OFF"}, {kSetRecvRxLockOnId, "ON"}});
    {
        auto [box, row] = addBox(rx, rxColumn, "Key Lock Pin");
        pinEdit_ = new CKeyIn(box);
        pinEdit_->setObjectName(QStringLiteral("pinEdit"));
        pinEdit_->setFilterMode(kFilterDigits);
        pinEdit_->setMaxLength(kPinMaxLength);
        pinEdit_->setNotifyMessage(kAppMessageNumber);
        pinEdit_->setControlId(kSetRecvPinEditId);
        pinEdit_->setNotifyTarget(this);
        pinEdit_->setFixedWidth(pinEdit_->fontMetrics().horizontalAdvance(QStringLiteral("0")) *
                                kPinEditWidthChars);
        row->addWidget(pinEdit_);
        row->addStretch(1);
        controls_[kSetRecvPinEditId] = pinEdit_;
    }
    QComboBox* squelch = addList(rx, rxColumn, "Squelch", kSetRecvSquelchListId, kSquelchLowest,
                                 kSquelchHighest, kSquelchStep);
    squelch->insertItem(0, QStringLiteral("OFF"), kSquelchOff);
    rxColumn->addStretch(1);

    addRadios(
        tx, txColumn, "RF Power",
        {{kSetRecvRfLowId, "Low"}, {kSetRecvRfMiddleId, "Middle"}, {kSetRecvRfHighId, "High"}});
    addList(tx, txColumn, "Mic Gain", kSetRecvMicGainListId, kMicGainHighest, kMicGainLowest,
            -kMicGainStep);
    addRadios(tx, txColumn, "Key Lock", {{kSetRecvTxLockOffId, "OFF"}, {kSetRecvTxLockOnId, "ON"}});
    addRadios(tx, txColumn, "Battery",
              {{kSetRecvAlkalineId, "Alkaline"}, {kSetRecvNiMhId, "Ni-MH"}});
    txColumn->addStretch(1);

    // No default button: Enter is handled in keyPressEvent.
    auto addButton = [this](int id, const char* text) {
        auto* button = new QPushButton(QString::fromLatin1(text), this);
        button->setAutoDefault(false);
        controls_[id] = button;
        return button;
    };
    QPushButton* ok = addButton(kSetRecvOkId, "OK");
    QPushButton* applyButton = addButton(kSetRecvApplyId, "Apply");
    QPushButton* cancel = addButton(kSetRecvCancelId, "Cancel");
    connect(ok, &QPushButton::clicked, this, &CDlgSetRecvInf::accept);
    connect(applyButton, &QPushButton::clicked, this, &CDlgSetRecvInf::apply);
    connect(cancel, &QPushButton::clicked, this, &CDlgSetRecvInf::reject);

    auto* groups = new QHBoxLayout;
    groups->addWidget(rx);
    groups->addWidget(tx);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(applyButton);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CDlgSetRecvInf::showRecord() {
    const ReceiverRecord& r = record();
    selectValue(list(kSetRecvVolumeListId), r.afVolume, kVolumeFallbackIndex);
    selectValue(list(kSetRecvSquelchListId), r.squelch, kSquelchFallbackIndex);
    QComboBox* micGain = list(kSetRecvMicGainListId);
    selectValue(micGain, r.micGain, micGain->count() - 1);

    // Checks the button of the value, or of the fallback when the value is none of them.
    auto check = [this](int value, std::initializer_list<std::pair<int, int>> buttons) {
        int checkedId = buttons.begin()->first;
        for (const auto& [id, buttonValue] : buttons) {
            if (buttonValue == value) {
                checkedId = id;
            }
        }
        for (const auto& [id, buttonValue] : buttons) {
            radio(id)->setChecked(id == checkedId);
        }
    };
    check(r.lineMic, {{kSetRecvLineId, kLine}, {kSetRecvMicId, kMic}});
    check(r.antennaSwitch, {{kSetRecvAntennaOffId, kOff}, {kSetRecvAntennaOnId, kOn}});
    check(r.rxKeyLock, {{kSetRecvRxLockOffId, kOff}, {kSetRecvRxLockOnId, kOn}});
    check(
        r.rfPower,
        {{kSetRecvRfLowId, kRfLow}, {kSetRecvRfMiddleId, kRfMiddle}, {kSetRecvRfHighId, kRfHigh}});
    check(r.txKeyLock, {{kSetRecvTxLockOffId, kOff}, {kSetRecvTxLockOnId, kOn}});
    check(r.batteryKind, {{kSetRecvAlkalineId, kAlkaline}, {kSetRecvNiMhId, kNiMh}});
    pinEdit_->setText(pinText(r.rxKeyLockPin));
}

QWidget* CDlgSetRecvInf::control(int controlId) const {
    const auto found = controls_.find(controlId);
    return found != controls_.end() ? found->second : nullptr;
}

QComboBox* CDlgSetRecvInf::list(int controlId) const {
    return qobject_cast<QComboBox*>(control(controlId));
}

QRadioButton* CDlgSetRecvInf::radio(int controlId) const {
    return qobject_cast<QRadioButton*>(control(controlId));
}

QPushButton* CDlgSetRecvInf::button(int controlId) const {
    return qobject_cast<QPushButton*>(control(controlId));
}

bool CDlgSetRecvInf::refuseOutOfRange(const char* itemName, QWidget* focusTarget) {
    prompts_->messageBox(this, outOfRangeMessage(QString::fromLatin1(itemName)), PromptButtons::Ok,
                         PromptIcon::Exclamation);
    if (focusTarget != nullptr) {
        focusTarget->setFocus();
    }
    return false;
}

bool CDlgSetRecvInf::refuseInvalid(const char* itemName, QWidget* focusTarget) {
    prompts_->messageBox(this, invalidMessage(QString::fromLatin1(itemName)), PromptButtons::Ok,
                         PromptIcon::Exclamation);
    if (focusTarget != nullptr) {
        focusTarget->setFocus();
    }
    return false;
}

// Stores the entries one after the other; the ones before a refused entry stay stored.
bool CDlgSetRecvInf::storeEntries() {
    ReceiverRecord& r = table_.byNumber(receiverNumber_);
    auto selectedData = [this](int id, int& value) {
        const QComboBox* box = list(id);
        if (box->currentIndex() < 0) {
            return false;
        }
        value = box->currentData().toInt();
        return true;
    };
    // The value of the first checked button of a group; false when none is checked.
    auto checkedValue = [this](std::initializer_list<std::pair<int, int>> buttons, int& value) {
        for (const auto& [id, buttonValue] : buttons) {
            if (radio(id)->isChecked()) {
                value = buttonValue;
                return true;
            }
        }
        return false;
    };

    int value = 0;
    if (!selectedData(kSetRecvVolumeListId, value)) {
        return refuseOutOfRange(kVolumeItem, nullptr);
    }
    r.afVolume = value;
    if (!checkedValue({{kSetRecvLineId, kLine}, {kSetRecvMicId, kMic}}, value)) {
        return refuseInvalid(kLineMicItem, nullptr);
    }
    r.lineMic = value;
    if (!checkedValue({{kSetRecvAntennaOffId, kOff}, {kSetRecvAntennaOnId, kOn}}, value)) {
        return refuseInvalid(kAntennaSwitchItem, nullptr);
    }
    r.antennaSwitch = value;
    if (!checkedValue({{kSetRecvRxLockOffId, kOff}, {kSetRecvRxLockOnId, kOn}}, value)) {
        return refuseInvalid(kRxKeyLockItem, nullptr);
    }
    r.rxKeyLock = value;
    const QString pin = pinEdit_->text();
    value = leadingDigitsValue(pin);
    if (pin.isEmpty() || value > kPinLargest) {
        return refuseOutOfRange(kRxKeyLockPinItem, pinEdit_);
    }
    r.rxKeyLockPin = value;
    if (!selectedData(kSetRecvSquelchListId, value)) {
        return refuseOutOfRange(kSquelchItem, nullptr);
    }
    r.squelch = value;
    // In band 2 the transmitter has no middle power: a checked "Middle" does not count there.
    const bool rfChosen =
        band_ == kBandJpn
            ? checkedValue({{kSetRecvRfLowId, kRfLow}, {kSetRecvRfHighId, kRfHigh}}, value)
            : checkedValue({{kSetRecvRfLowId, kRfLow},
                            {kSetRecvRfMiddleId, kRfMiddle},
                            {kSetRecvRfHighId, kRfHigh}},
                           value);
    if (!rfChosen) {
        return refuseInvalid(kRfPowerItem, radio(kSetRecvRfLowId));
    }
    r.rfPower = value;
    if (!selectedData(kSetRecvMicGainListId, value)) {
        return refuseOutOfRange(kMicGainItem, nullptr);
    }
    r.micGain = value;
    if (!checkedValue({{kSetRecvTxLockOffId, kOff}, {kSetRecvTxLockOnId, kOn}}, value)) {
        return refuseInvalid(kTxKeyLockItem, nullptr);
    }
    r.txKeyLock = value;
    if (!checkedValue({{kSetRecvAlkalineId, kAlkaline}, {kSetRecvNiMhId, kNiMh}}, value)) {
        return refuseInvalid(kBatteryItem, nullptr);
    }
    r.batteryKind = value;
    r.rxtxChanged = 1;
    return true;
}

void CDlgSetRecvInf::accept() {
    if (storeEntries()) {
        accepted_ = 1;
        QDialog::accept();
    }
}

void CDlgSetRecvInf::apply() {
    if (storeEntries()) {
        accepted_ = 1;
    }
}

bool CDlgSetRecvInf::event(QEvent* event) {
    const AppMessage* message = AppMessage::from(event);
    if (message == nullptr) {
        return QDialog::event(event);
    }
    switch (message->code()) {
    case kKeyInTab:
        if (QWidget* from = control(static_cast<int>(message->value()))) {
            from->setFocus(Qt::TabFocusReason);
            focusNextChild();
        }
        break;
    case kKeyInEscape:
        reject();
        break;
    default:
        break;
    }
    return true;
}

// Enter presses a focused push button and does nothing anywhere else: without a default button it
// would otherwise close the dialog as if OK had been pressed while storing nothing.
void CDlgSetRecvInf::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (auto* pressed = qobject_cast<QPushButton*>(focusWidget())) {
            pressed->click();
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace tessaly
