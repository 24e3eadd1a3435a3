#pragma once

#include "protocol/receiver_table.h"

#include <QDialog>
#include <QString>

#include <map>

class QLabel;

namespace tessaly {

// Value fields of the receiver information display.
constexpr int kInfoGainId = 1112;
constexpr int kInfoLineMicId = 1113;
constexpr int kInfoAntennaSwitchId = 1114;
constexpr int kInfoRxKeyLockId = 1115;
constexpr int kInfoSquelchId = 1117;
constexpr int kInfoRfPowerId = 1118;
constexpr int kInfoMicGainId = 1119;
constexpr int kInfoTxKeyLockId = 1120;
constexpr int kInfoBatteryId = 1121;

// "Receiver Information": the RX/TX settings of one receiver record, read-only. It changes
// nothing and returns nothing; "Close" ends it.
class CDlgDispReceiverInf : public QDialog {
    Q_OBJECT

public:
    CDlgDispReceiverInf(QWidget* parent, int receiverNumber, const ReceiverRecord& record);

    int receiverNumber() const { return receiverNumber_; }
    const ReceiverRecord& record() const { return record_; }

    // The value field with this id (nullptr for an unknown id) and its text.
    QLabel* valueField(int controlId) const;
    QString valueText(int controlId) const;

private:
    int receiverNumber_;
    ReceiverRecord record_;
    std::map<int, QLabel*> fields_;
};

} // namespace tessaly
