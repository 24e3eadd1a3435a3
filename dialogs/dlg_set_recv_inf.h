#pragma once

#include "chrome/user_prompts.h"
#include "protocol/receiver_table.h"

#include <QDialog>

#include <map>
#include <memory>

class QComboBox;
class QPushButton;
class QRadioButton;

namespace tessaly {

class CKeyIn;

// Control ids of the receiver settings dialog; tests and the key notifications name controls
// by them.
constexpr int kSetRecvVolumeListId = 1106;
constexpr int kSetRecvLineId = 1040;
constexpr int kSetRecvMicId = 1039;
constexpr int kSetRecvAntennaOffId = 1067;
constexpr int kSetRecvAntennaOnId = 1068;
constexpr int kSetRecvRxLockOffId = 1069;
constexpr int kSetRecvRxLockOnId = 1048;
constexpr int kSetRecvPinEditId = 1070;
constexpr int kSetRecvSquelchListId = 1108;
constexpr int kSetRecvRfLowId = 1072;
constexpr int kSetRecvRfMiddleId = 1073;
constexpr int kSetRecvRfHighId = 1074;
constexpr int kSetRecvMicGainListId = 1107;
constexpr int kSetRecvTxLockOffId = 1078;
constexpr int kSetRecvTxLockOnId = 1079;
constexpr int kSetRecvAlkalineId = 1080;
constexpr int kSetRecvNiMhId = 1081;
constexpr int kSetRecvOkId = 1061;
constexpr int kSetRecvApplyId = 1037;
constexpr int kSetRecvCancelId = 2;

constexpr int kPinMaxLength = 4;
constexpr int kPinLargest = 9999;

// "Setting Receiver Information": the ten RX/TX settings of one receiver of a table copy. OK and
// Apply store the entries into the copy's record one after the other and refuse the first bad
// one; a successful store sets the record's RX/TX-settings-changed flag and the accepted flag,
// which stays set until the dialog is destroyed, Cancel included. The creator reads accepted()
// and record(), never the dialog's result code.
class CDlgSetRecvInf : public QDialog {
    Q_OBJECT

public:
    CDlgSetRecvInf(QWidget* parent, bool monitoring, int receiverNumber,
                   const ReceiverTable& tableCopy,
                   std::shared_ptr<CUserPrompts> prompts = systemPrompts());

    // Hides QDialog's signal of the same name on purpose: this is the flag the creator reads.
    bool accepted() const { return accepted_ != 0; }
    const ReceiverRecord& record() const { return table_.byNumber(receiverNumber_); }
    int receiverNumber() const { return receiverNumber_; }
    bool monitoring() const { return monitoring_ != 0; }
    // The band whose rules the RF power follows (the default band when the frequency has none).
    int band() const { return band_; }

    // Controls by their ids (nullptr for an unknown id).
    QWidget* control(int controlId) const;
    QComboBox* list(int controlId) const;
    QRadioButton* radio(int controlId) const;
    QPushButton* button(int controlId) const;

public slots:
    // OK: store, and close with OK when every entry was good.
    void accept() override;
    // Apply: store; the dialog stays open.
    void apply();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void showRecord();
    bool storeEntries();
    bool refuseOutOfRange(const char* itemName, QWidget* focusTarget);
    bool refuseInvalid(const char* itemName, QWidget* focusTarget);

    int monitoring_;
    int receiverNumber_;
    ReceiverTable table_;
    std::shared_ptr<CUserPrompts> prompts_;
    int band_ = 0;
    int accepted_ = 0;

    std::map<int, QWidget*> controls_;
    CKeyIn* pinEdit_ = nullptr;
};

} // namespace tessaly
