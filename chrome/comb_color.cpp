#include "chrome/comb_color.h"

#include "protocol/bands.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStylePainter>
#include <QStyledItemDelegate>

namespace tessaly {

namespace {

constexpr int kTextIndent = 2; // pixels between the item's left edge and its text
constexpr int kVisibleItems = 12;

// Draws one list item: highlight or window background, then the text in the item's colour.
class ColorItemDelegate : public QStyledItemDelegate {
public:
    ColorItemDelegate(const CCombColor* combo, QObject* parent)
        : QStyledItemDelegate(parent), combo_(combo) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const int row = index.row();
        if (!index.isValid() || row < 0) {
            return;
        }
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        const QPalette::ColorGroup group =
            (option.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
        painter->save();
        painter->fillRect(option.rect, option.palette.color(group, selected ? QPalette::Highlight
                                                                            : QPalette::Base));
        if (row < combo_->count()) {
            painter->setPen(qColorFromRef(combo_->itemColor(row)));
            painter->setFont(option.font);
            const QRect textRect = option.rect.adjusted(kTextIndent, 0, 0, 0);
            painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                              index.data(Qt::DisplayRole).toString());
        }
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.backgroundColor =
                option.palette.color(selected ? QPalette::Highlight : QPalette::Base);
            const QWidget* widget = option.widget;
            QStyle* style = widget != nullptr ? widget->style() : combo_->style();
            style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
        }
        painter->restore();
    }

private:
    const CCombColor* combo_;
};

} // namespace

CCombColor::CCombColor(QWidget* parent) : QComboBox(parent) {
    setItemDelegate(new ColorItemDelegate(this, this));
    // A scrolling list of maxVisibleItems below the box, as a drop-down list is, instead of
    // the menu-like popup some styles use (which would show all 31 channels at once).
    setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    setMaxVisibleItems(kVisibleItems);
    // The list's pop-up window is hidden by every way of closing it, not all of which pass
    // through hidePopup().
    view()->window()->installEventFilter(this);
}

bool CCombColor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide && watched == view()->window()) {
        emit popupClosed();
    }
    return QComboBox::eventFilter(watched, event);
}

void CCombColor::setColors(std::vector<uint32_t> colors) {
    colors_ = std::move(colors);
    update();
    view()->viewport()->update();
}

uint32_t CCombColor::itemColor(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= colors_.size()) {
        return kColorRefBlack;
    }
    return colors_[static_cast<size_t>(index)];
}

void CCombColor::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const int index = currentIndex();
    if (index < 0) {
        return;
    }
    // Styles take the label's colour from different roles; give them all the item's colour.
    const QColor text = qColorFromRef(itemColor(index));
    for (const QPalette::ColorRole role :
         {QPalette::ButtonText, QPalette::Text, QPalette::WindowText}) {
        option.palette.setColor(QPalette::Active, role, text);
        option.palette.setColor(QPalette::Inactive, role, text);
    }
    painter.setPen(text);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void fillChannelCombo(CCombColor& combo, int band, const ReceiverTable& table, int ownNumber,
                      int32_t ownKhz) {
    const ChannelList list = channelList(band, table, ownNumber, ownKhz);
    const QSignalBlocker quiet(combo);
    combo.clear();
    std::vector<uint32_t> colors;
    colors.reserve(list.channels.size());
    for (const Channel& channel : list.channels) {
        combo.addItem(QString::fromStdString(channel.text), channel.khz);
        colors.push_back(channel.used ? kUsedChannelColor : kFreeChannelColor);
    }
    combo.setCurrentIndex(list.selectIndex);
    combo.setColors(std::move(colors));
}

} // namespace tessaly
