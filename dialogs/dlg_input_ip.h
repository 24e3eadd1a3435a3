#pragma once

#include "chrome/user_prompts.h"
#include "comm/comm_thread_config.h"
#include "comm/engine_options.h"
#include "dialogs/neighbour_finder.h"
#include "dialogs/setting_messages.h"
#include "protocol/receiver_table.h"

#include <QDialog>

#include <array>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tessaly {

class CDlgCommConfig;

class CCombColor;
class CKeyIn;

constexpr int kInputModeEdit = 0;
constexpr int kInputModeInsert = 1;
constexpr int kInputModeAdd = 2;

constexpr int kNameEditId = 1058;
constexpr int kNameMaxLength = 10;
constexpr const char* kIpAddressWord = "IP Address";
constexpr const char* kIpOverlapsText = "IP address overlaps.";
constexpr const char* kMacOverlapsText = "MAC address overlaps.";

// The four octets of a typed IPv4 address, read as every address is read (parseIpv4); none when
// the text is no such address, also when a part is missing ("1..2.3").
std::optional<std::array<int, 4>> parseIpOctets(const QString& text);
// All four 0, or any 255: not an address a receiver can have.
bool isUnusableAddress(const std::array<int, 4>& octets);

// One receiver of the Receiver Configuration dialog's working table: its IP address, name and
// channel. On OK the address is checked, the MAC address looked up in the neighbour table and
// duplicates refused; record() is then the result. With disp/band set, "Band Width" asks the
// receiver for its band through an engine of the dialog's own.
class CDlgInputIP : public QDialog {
    Q_OBJECT

public:
    explicit CDlgInputIP(QWidget* parent = nullptr,
                         std::shared_ptr<INeighbourFinder> finder = systemNeighbourFinder(),
                         EngineOptions options = {},
                         std::shared_ptr<CUserPrompts> prompts = systemPrompts());
    ~CDlgInputIP() override;

    // Set-up by the creator before the dialog is shown.
    void setMode(int mode) { mode_ = mode; }
    void setReceiverNumber(int number) { number_ = number; }
    ReceiverTable& table() { return table_; }
    ReceiverRecord& record() { return record_; }
    const ReceiverRecord& record() const { return record_; }

    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

public slots:
    void accept() override;
    void reject() override;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void fillChannels(int band);
    // The dialog selected a channel other than the record's frequency by itself (the
    // frequency lies outside the band or between channels): asks before moving it. False when
    // the operator wants to go back to the dialog.
    bool confirmMove(int32_t& khz);
    void askBandWidth();
    void bandAnswered(int result);
    void setButtonsEnabled(bool enabled);
    void refuse(const QString& text);

    std::shared_ptr<INeighbourFinder> finder_;
    EngineOptions options_;
    std::shared_ptr<CUserPrompts> prompts_;
    std::unique_ptr<CCommThreadConfig> engine_;
    std::unique_ptr<CDlgCommConfig> traceWindow_; // "Comm Config", shown with comm/debug
    int engineReady_ = 0;
    int bandPending_ = 0;
    int mode_ = kInputModeAdd;
    int number_ = 1;
    int prepared_ = 0;
    int32_t autoKhz_ = 0; // the channel the last fill selected by itself
    ReceiverTable table_;
    ReceiverRecord record_;

    QLineEdit* ipEdit_ = nullptr;
    CKeyIn* nameEdit_ = nullptr;
    CCombColor* bandCombo_ = nullptr;
    CCombColor* channelCombo_ = nullptr;
    QPushButton* bandWidth_ = nullptr;
    QLabel* bandRange_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace tessaly
