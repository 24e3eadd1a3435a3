#pragma once

#include "chrome/user_prompts.h"
#include "protocol/receiver_table.h"

#include <QDialog>
#include <QPoint>

#include <memory>

namespace tessaly {

class CCombColor;

constexpr int kFreqPickerListId = 1113;

// Placement variants: 0 beside the label of a horizontal layout, 1 over the wider label of a
// vertical one.
constexpr int kFreqPickerVariantHorizontal = 0;
constexpr int kFreqPickerVariantVertical = 1;
constexpr int kFreqPickerOffsetHorizontal = 4; // pixels right of the anchor
constexpr int kFreqPickerOffsetVertical = -2;

// Where the picker lies over the panel: the frequency label's top-left corner in screen
// coordinates, the size of the closed channel list, the pixel height of its font and the
// placement variant.
struct FreqPickerPlacement {
    QPoint anchor;
    int width = 0;
    int height = 0;
    int fontHeight = 0;
    int variant = kFreqPickerVariantHorizontal;
};

// The pop-up channel picker over a panel's frequency: the channels of the receiver's band with
// those of other receivers in red, dropped down as soon as the picker shows. It closes when the
// list closes up, however that happens; the selected channel is then the record's, and the
// result is OK only when its kHz value differs from the one at opening.
class CDlgSetFreq : public QDialog {
    Q_OBJECT

public:
    CDlgSetFreq(QWidget* parent, bool monitoring, int receiverNumber,
                const ReceiverTable& tableCopy, const FreqPickerPlacement& placement,
                std::shared_ptr<CUserPrompts> prompts = systemPrompts());

    // After OK: the new frequency text, its kHz value and a frequency-changed flag of 1.
    const ReceiverRecord& record() const { return table_.byNumber(receiverNumber_); }
    int receiverNumber() const { return receiverNumber_; }
    bool monitoring() const { return monitoring_ != 0; }
    int band() const { return band_; }
    CCombColor* channelList() const { return list_; }

public slots:
    // Escape or a close before the list has reported its choice: the choice is made now.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void placeOverAnchor();
    void dropDown();
    void choose();

    int monitoring_;
    int receiverNumber_;
    ReceiverTable table_;
    FreqPickerPlacement placement_;
    std::shared_ptr<CUserPrompts> prompts_;
    int openingKhz_ = 0;
    int band_ = 0;
    int chosen_ = 0;
    int picked_ = 0; // the operator chose an item (click or Enter), not Escape or a click away

    CCombColor* list_ = nullptr;
};

} // namespace tessaly
