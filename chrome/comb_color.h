#pragma once

#include "chrome/color_ref.h"

#include <QComboBox>

#include <cstdint>
#include <vector>

namespace tessaly {

class ReceiverTable;

// A drop-down list that draws each item's text in a colour of its own (0x00BBGGRR by item
// index; black for an item beyond the colours). The text keeps its colour when the item is
// highlighted, and the closed box shows the current item in its colour too.
class CCombColor : public QComboBox {
    Q_OBJECT

public:
    explicit CCombColor(QWidget* parent = nullptr);

    // Replaces the colours: item i is drawn in colours[i].
    void setColors(std::vector<uint32_t> colors);
    const std::vector<uint32_t>& colors() const { return colors_; }
    uint32_t itemColor(int index) const;

signals:
    // The dropped-down list closed up, however: an item clicked, Enter, Escape or a click
    // elsewhere. The current index is already the chosen item.
    void popupClosed();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<uint32_t> colors_;
};

// Channel combo fill: the band's channels (text, kHz as item data), the receiver's own channel
// selected (the first when its frequency is none of them), channels that another receiver of
// the table uses in red and the others in black. Like a program-made selection it emits no
// change signals.
constexpr uint32_t kUsedChannelColor = kColorRefRed;
constexpr uint32_t kFreeChannelColor = kColorRefBlack;
void fillChannelCombo(CCombColor& combo, int band, const ReceiverTable& table, int ownNumber,
                      int32_t ownKhz);

} // namespace tessaly
