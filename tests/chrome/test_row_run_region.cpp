#include "chrome/row_run_region.h"

#include <gtest/gtest.h>

using tessaly::rowRunRegion;

namespace {
constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kGrey = 0xFF808080;

QImage filled(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}
} // namespace

TEST(RowRunRegion, TheLastColumnNeverBelongs) {
    const QRegion region = rowRunRegion(filled(10, 3, kGrey), kRed);
    EXPECT_EQ(region.boundingRect(), QRect(0, 0, 9, 3));
    EXPECT_TRUE(region.contains(QPoint(8, 2)));
    EXPECT_FALSE(region.contains(QPoint(9, 0)));
}

TEST(RowRunRegion, OutsideColourSplitsRunsAndEndsThem) {
    QImage image = filled(8, 2, kGrey);
    // Row 0: inside 0-1, outside 2, inside 3-5, outside 6, inside 7 (the last column).
    image.setPixel(2, 0, kRed);
    image.setPixel(6, 0, kRed);
    // Row 1: all outside but a single pixel in column 4.
    for (int x = 0; x < 8; ++x) {
        image.setPixel(x, 1, x == 4 ? kGrey : kRed);
    }
    const QRegion region = rowRunRegion(image, kRed);
    const QRegion expected = QRegion(0, 0, 2, 1) + QRegion(3, 0, 3, 1) + QRegion(4, 1, 1, 1);
    EXPECT_EQ(region, expected);
}

TEST(RowRunRegion, ComparesColourOnlyNotAlpha) {
    QImage image = filled(4, 1, kGrey);
    image.setPixel(1, 0, qRgba(255, 0, 0, 0)); // outside colour, transparent
    image.setPixel(2, 0, qRgba(0, 128, 128, 255));
    EXPECT_EQ(rowRunRegion(image, kRed), QRegion(0, 0, 1, 1) + QRegion(2, 0, 1, 1));
    // The splash's key colour cuts instead of red.
    EXPECT_EQ(rowRunRegion(image, 0xFF008080), QRegion(0, 0, 2, 1));
}

TEST(RowRunRegion, AllOutsideOrEmptyGivesNoShape) {
    EXPECT_TRUE(rowRunRegion(filled(5, 5, kRed), kRed).isEmpty());
    EXPECT_TRUE(rowRunRegion(QImage(), kRed).isEmpty());
    EXPECT_TRUE(rowRunRegion(filled(1, 4, kGrey), kRed).isEmpty()); // one column: the last
}
