#include "chrome/comb_color.h"

#include "protocol/bands.h"
#include "protocol/frequency.h"
#include "protocol/receiver_table.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemView>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStyleOptionViewItem>

#include <gtest/gtest.h>

using namespace tessaly;

namespace {

constexpr QRgb kRed = qRgb(255, 0, 0);

bool reddish(QRgb pixel) {
    return qRed(pixel) > 150 && qGreen(pixel) < 90 && qBlue(pixel) < 90;
}

bool dark(QRgb pixel) {
    return qRed(pixel) < 90 && qGreen(pixel) < 90 && qBlue(pixel) < 90;
}

struct InkCount {
    int red = 0;
    int dark = 0;
};

InkCount countInk(const QImage& image) {
    InkCount ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            ink.red += reddish(pixel) ? 1 : 0;
            ink.dark += dark(pixel) ? 1 : 0;
        }
    }
    return ink;
}

// One list item as the drop-down list draws it.
QImage drawItem(const CCombColor& combo, int row, bool selected) {
    QImage image(160, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.rect = image.rect();
    option.palette = combo.palette();
    option.palette.setColor(QPalette::Highlight, QColor(0, 0, 160));
    option.palette.setColor(QPalette::Base, Qt::white);
    option.font = combo.font();
    option.state = QStyle::State_Enabled | (selected ? QStyle::State_Selected : QStyle::State_None);
    combo.itemDelegate()->paint(&painter, option, combo.model()->index(row, 0));
    return image;
}

ReceiverTable tableWithFrequencies(std::initializer_list<int32_t> khz) {
    ReceiverTable table;
    int i = 0;
    for (const int32_t value : khz) {
        table.records[static_cast<size_t>(i++)].setFrequencyText(khzToText(value));
    }
    table.count = i;
    return table;
}

} // namespace

TEST(CombColor, ItemsAreDrawnInTheirOwnColourBlackBeyondTheColours) {
    CCombColor combo;
    combo.addItems({QStringLiteral("MMMM 0"), QStringLiteral("MMMM 1"), QStringLiteral("MMMM 2"),
                    QStringLiteral("MMMM 3")});
    combo.setColors({kColorRefBlack, kColorRefRed, kColorRefBlack});
    EXPECT_EQ(combo.itemColor(1), kColorRefRed);
    EXPECT_EQ(combo.itemColor(3), kColorRefBlack);

    const InkCount item0 = countInk(drawItem(combo, 0, false));
    const InkCount item1 = countInk(drawItem(combo, 1, false));
    const InkCount item3 = countInk(drawItem(combo, 3, false));
    EXPECT_EQ(item0.red, 0);
    EXPECT_GT(item0.dark, 20);
    EXPECT_GT(item1.red, 20);
    EXPECT_EQ(item3.red, 0);
    EXPECT_GT(item3.dark, 20);

    // Highlighted: the background changes, the text keeps its colour.
    const QImage selected = drawItem(combo, 1, true);
    EXPECT_EQ(selected.pixel(selected.width() - 2, 2), qRgb(0, 0, 160));
    EXPECT_GT(countInk(selected).red, 20);
}

TEST(CombColor, ClosedBoxShowsTheCurrentItemInItsColour) {
    CCombColor combo;
    combo.addItems({QStringLiteral("710.125"), QStringLiteral("710.250")});
    combo.setColors({kColorRefBlack, kColorRefRed});
    combo.resize(140, 26);
    combo.setCurrentIndex(1);
    EXPECT_GT(countInk(combo.grab().toImage()).red, 20);
    combo.setCurrentIndex(0);
    EXPECT_EQ(countInk(combo.grab().toImage()).red, 0);
}

// Two receivers on 710125 kHz: each sees that channel as used; the receiver alone on its
// channel sees its own channel black and selected.
TEST(CombColor, ChannelFillMarksChannelsOfOtherReceiversRed) {
    const ReceiverTable table = tableWithFrequencies({710125, 710125, 711000});
    CCombColor combo;
    combo.addItem(QStringLiteral("stale"));
    int changes = 0;
    QObject::connect(&combo, &QComboBox::currentIndexChanged, [&changes] { ++changes; });

    fillChannelCombo(combo, kBandJpn, table, 1, 710125);
    ASSERT_EQ(combo.count(), kChannelsPerBand);
    EXPECT_EQ(combo.itemText(0), QStringLiteral("710.125"));
    EXPECT_EQ(combo.itemData(30).toInt(), 713875);
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(combo.itemColor(0), kUsedChannelColor);
    EXPECT_EQ(combo.itemColor(7), kUsedChannelColor); // 711.000, receiver 3
    EXPECT_EQ(combo.itemColor(1), kFreeChannelColor);
    EXPECT_EQ(qColorFromRef(combo.itemColor(0)).rgb(), kRed);
    EXPECT_EQ(changes, 0);

    fillChannelCombo(combo, kBandJpn, table, 3, 711000);
    EXPECT_EQ(combo.currentIndex(), 7);
    EXPECT_EQ(combo.itemColor(7), kFreeChannelColor);
    EXPECT_EQ(combo.itemColor(0), kUsedChannelColor);
    size_t used = 0;
    for (const uint32_t color : combo.colors()) {
        used += color == kUsedChannelColor ? 1 : 0;
    }
    EXPECT_EQ(used, 1u);

    // A frequency between channels selects the first; another band has its own channels.
    fillChannelCombo(combo, kBandJpn, table, 1, 710100);
    EXPECT_EQ(combo.currentIndex(), 0);
    fillChannelCombo(combo, kBandUsa, table, 1, 710125);
    EXPECT_EQ(combo.itemText(0), QStringLiteral("946.125"));
    EXPECT_EQ(combo.itemColor(0), kFreeChannelColor);
}

TEST(CombColor, ClosingTheDroppedListIsReportedHoweverItCloses) {
    CCombColor combo;
    combo.addItems({QStringLiteral("710.125"), QStringLiteral("710.250")});
    combo.show();
    int closed = 0;
    QObject::connect(&combo, &CCombColor::popupClosed, [&closed] { ++closed; });
    combo.showPopup();
    combo.hidePopup();
    EXPECT_EQ(closed, 1);
    combo.showPopup();
    combo.view()->window()->close(); // what a click elsewhere does
    EXPECT_EQ(closed, 2);
}
