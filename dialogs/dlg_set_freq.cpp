#include "dialogs/dlg_set_freq.h"

#include "chrome/comb_color.h"
#include "chrome/user_prompts.h"
#include "dialogs/coordination_marks.h"
#include "protocol/bands.h"
#include "protocol/frequency.h"
#include "protocol/settings.h"

#include <QHBoxLayout>
#include <QTimer>

namespace tessaly {

CDlgSetFreq::CDlgSetFreq(QWidget* parent, bool monitoring, int receiverNumber,
                         const ReceiverTable& tableCopy, const FreqPickerPlacement& placement,
                         std::shared_ptr<CUserPrompts> prompts)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), monitoring_(monitoring ? 1 : 0),
      receiverNumber_(receiverNumber), table_(tableCopy), placement_(placement),
      prompts_(std::move(prompts)) {
    // The text is what the operator last saw on the panel; the kHz field may lag behind it.
    openingKhz_ = textToKhz(record().freqText);
    band_ = bandOfFrequency(openingKhz_);
    if (band_ == kBandNone) {
        band_ = effectiveDefaultBand(programSettings().defaultBand);
    }

    list_ = new CCombColor(this);
    if (placement_.fontHeight > 0) {
        QFont font = list_->font();
        font.setPixelSize(placement_.fontHeight);
        list_->setFont(font);
    }
    fillChannelCombo(*list_, band_, table_, receiverNumber_, openingKhz_);
    markChannelConflicts(*list_, table_, receiverNumber_, coordinationThresholds());

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);

    // The closed list's height follows its font; its width is the label's.
    const int width = placement_.width > 0 ? placement_.width : list_->sizeHint().width();
    list_->setFixedSize(width, list_->sizeHint().height());
    setFixedSize(list_->size());
    placeOverAnchor();

    connect(list_, &CCombColor::popupClosed, this, &CDlgSetFreq::choose, Qt::QueuedConnection);
    connect(list_, &QComboBox::activated, this, [this] { picked_ = 1; });
}

void CDlgSetFreq::placeOverAnchor() {
    const int offset = placement_.variant == kFreqPickerVariantVertical
                           ? kFreqPickerOffsetVertical
                           : kFreqPickerOffsetHorizontal;
    move(placement_.anchor.x() + offset, placement_.anchor.y());
}

void CDlgSetFreq::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Drop the list down once the picker is on screen, so the list opens over the label.
    QTimer::singleShot(0, this, &CDlgSetFreq::dropDown);
}

void CDlgSetFreq::dropDown() {
    if (chosen_ != 0 || !isVisible()) {
        return;
    }
    list_->setFocus();
    list_->showPopup();
}

// On X11 the Escape that closes the list reaches the picker too, and would close it before the
// list's closing is taken as the choice.
void CDlgSetFreq::reject() {
    choose();
}

// The list closed up, however that happened: its current item is the choice.
void CDlgSetFreq::choose() {
    if (chosen_ != 0) {
        return;
    }
    chosen_ = 1;
    const int index = list_->currentIndex();
    if (index < 0) {
        done(QDialog::Rejected);
        return;
    }
    ReceiverRecord& r = table_.byNumber(receiverNumber_);
    const int32_t khz = list_->itemData(index).toInt();
    // Closed without a choice, on a channel the picker selected because the frequency is none
    // of the band's: moving it is the operator's decision.
    if (picked_ == 0 && khz != openingKhz_) {
        const QString from = QString::fromStdString(khzToText(openingKhz_));
        const QString where = bandOfFrequency(openingKhz_) == kBandNone
                                  ? QStringLiteral("%1 MHz is outside the band %2.")
                                  : QStringLiteral("%1 MHz is not a channel of the band %2.");
        const QString question = QStringLiteral("%1\nMove the receiver to %2 MHz?")
                                     .arg(where.arg(from, QString::fromStdString(bandName(band_))),
                                          list_->itemText(index));
        if (prompts_->messageBox(this, question, PromptButtons::YesNo, PromptIcon::Question) !=
            PromptAnswer::Yes) {
            done(QDialog::Rejected);
            return;
        }
    }
    r.freqText = list_->itemText(index).toStdString();
    r.freqKhz = khz;
    r.freqChanged = 1;
    done(khz == openingKhz_ ? QDialog::Rejected : QDialog::Accepted);
}

} // namespace tessaly
