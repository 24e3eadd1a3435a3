#include "dialogs/dlg_disp_receiver_inf.h"

#include "chrome/text_functions.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <initializer_list>

namespace tessaly {

namespace {

constexpr const char* kCaption = "Receiver Information";
constexpr int kValueFieldMinimumWidth = 90;

QString unknownText(int value) {
    return QStringLiteral("Unknown(%1)").arg(value);
}

// A text for each known value; "Unknown(n)" for any other.
QString namedValue(int value, std::initializer_list<const char*> names) {
    if (value >= 0 && static_cast<size_t>(value) < names.size()) {
        return QString::fromLatin1(names.begin()[value]);
    }
    return unknownText(value);
}

QString offOnText(int value) {
    return namedValue(value, {"Off", "On"});
}

} // namespace

CDlgDispReceiverInf::CDlgDispReceiverInf(QWidget* parent, int receiverNumber,
                                         const ReceiverRecord& record)
    : QDialog(parent), receiverNumber_(receiverNumber), record_(record) {
    setWindowIcon(QApplication::windowIcon());
    const QString name = textFromBytes(record_.name);
    const QString caption = QString::fromLatin1(kCaption);
    setWindowTitle(name.isEmpty() ? caption : QStringLiteral("%1 (%2)").arg(caption, name));

    const ReceiverRecord& r = record_;
    // The antenna switch has no "Unknown": an unexpected value leaves its field empty and grey.
    const bool antennaKnown = r.antennaSwitch == 0 || r.antennaSwitch == 1;

    struct Row {
        int id;
        const char* label;
        QString text;
    };
    const Row rxRows[] = {
        {kInfoGainId, "Gain", QString::number(r.afVolume)},
        {kInfoLineMicId, "Line/Mic", namedValue(r.lineMic, {"Mic", "Line"})},
        {kInfoAntennaSwitchId, "Antenna Switch",
         antennaKnown ? offOnText(r.antennaSwitch) : QString()},
        {kInfoRxKeyLockId, "Key Lock", offOnText(r.rxKeyLock)},
        {kInfoSquelchId, "Squelch",
         r.squelch == 0 ? QStringLiteral("Off") : QString::number(r.squelch)},
    };
    const Row txRows[] = {
        {kInfoRfPowerId, "RF Power", namedValue(r.rfPower, {"Off", "Low", "Middle", "High"})},
        {kInfoMicGainId, "Mic Gain", QString::number(r.micGain)},
        {kInfoTxKeyLockId, "Key Lock", offOnText(r.txKeyLock)},
        {kInfoBatteryId, "Battery", namedValue(r.batteryKind, {"Alkaline", "Ni-MH"})},
    };

    auto makeGroup = [this](const char* title, const auto& rows) {
        auto* group = new QGroupBox(QString::fromLatin1(title), this);
        auto* grid = new QGridLayout(group);
        int line = 0;
        for (const Row& row : rows) {
            auto* field = new QLabel(row.text, group);
            field->setAlignment(Qt::AlignCenter);
            field->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
            field->setMinimumWidth(kValueFieldMinimumWidth);
            field->setObjectName(QString::number(row.id));
            fields_[row.id] = field;
            grid->addWidget(new QLabel(QString::fromLatin1(row.label), group), line, 0);
            grid->addWidget(field, line, 1);
            ++line;
        }
        grid->setRowStretch(line, 1);
        return group;
    };

    auto* groups = new QHBoxLayout;
    groups->addWidget(makeGroup("RX Setting", rxRows));
    groups->addWidget(makeGroup("TX Setting", txRows));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    valueField(kInfoAntennaSwitchId)->setEnabled(antennaKnown);
}

QLabel* CDlgDispReceiverInf::valueField(int controlId) const {
    const auto found = fields_.find(controlId);
    return found != fields_.end() ? found->second : nullptr;
}

QString CDlgDispReceiverInf::valueText(int controlId) const {
    const QLabel* field = valueField(controlId);
    return field != nullptr ? field->text() : QString();
}

} // namespace tessaly
