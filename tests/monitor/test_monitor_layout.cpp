#include "monitor/monitor_layout.h"

#include <gtest/gtest.h>

using namespace tessaly;

namespace {

const QSize kLargeVertical(94, 659);
const QSize kLargeHorizontal(984, 96);
const QSize kSmallVertical(94, 223);
const QSize kSmallHorizontal(492, 83);
const QSize kScreen(1920, 1080);

std::array<MatrixPair, kLayoutModeCount> defaultPairs() {
    return {MatrixPair{1, 60}, MatrixPair{60, 1}, MatrixPair{3, 20}, MatrixPair{30, 2}};
}

PlatformMetrics metrics() {
    PlatformMetrics m;
    m.captionHeight = 23;
    m.sizingFrameWidth = 4;
    m.sizingFrameHeight = 4;
    m.paddedBorderWidth = 0;
    m.verticalScrollBarWidth = 17;
    m.horizontalScrollBarHeight = 17;
    m.dpiY = 96;
    m.screen = kScreen;
    m.workArea = QSize(1920, 1040);
    return m;
}

} // namespace

TEST(MonitorLayout, FillCountComesFromTheRightHalfOfThePair) {
    auto pairs = defaultPairs();
    pairs[kLayoutLargeVertical] = {9, 7};
    pairs[kLayoutLargeHorizontal] = {5, 12};
    EXPECT_EQ(fillCount(kLayoutLargeVertical, pairs), 7);
    EXPECT_EQ(fillCount(kLayoutLargeHorizontal, pairs), 5);
    EXPECT_EQ(fillCount(kLayoutSmallVertical, pairs), 20);
    EXPECT_EQ(fillCount(kLayoutSmallHorizontal, pairs), 30);

    EXPECT_TRUE(isWideLayout(kLayoutLargeVertical, 4));
    EXPECT_FALSE(isWideLayout(kLayoutLargeHorizontal, 3));
    EXPECT_TRUE(isWideLayout(kLayoutSmallVertical, 3));
    EXPECT_FALSE(isWideLayout(kLayoutSmallHorizontal, 2));
}

TEST(MonitorLayout, LargeVerticalSevenColumnsTwentyReceivers) {
    const MatrixExtent extent = matrixExtent(kLayoutLargeVertical, 7, 20);
    EXPECT_EQ(extent.columns, 7);
    EXPECT_EQ(extent.rows, 3);

    const int h = kLargeVertical.height();
    EXPECT_EQ(panelOrigin(kLayoutLargeVertical, 7, kLargeVertical, 1), QPoint(0, 0));
    EXPECT_EQ(panelOrigin(kLayoutLargeVertical, 7, kLargeVertical, 7), QPoint(6 * 94, 0));
    EXPECT_EQ(panelOrigin(kLayoutLargeVertical, 7, kLargeVertical, 8), QPoint(0, h + 1));
    EXPECT_EQ(panelOrigin(kLayoutLargeVertical, 7, kLargeVertical, 15), QPoint(0, 2 * h + 1));
    EXPECT_EQ(panelOrigin(kLayoutLargeVertical, 7, kLargeVertical, 20), QPoint(5 * 94, 2 * h + 1));

    // Width raised to the screen because seven columns are wide; height three panels.
    EXPECT_EQ(contentImageSize(kLayoutLargeVertical, 7, extent, kLargeVertical, kScreen),
              QSize(1920, 3 * h));
    EXPECT_EQ(contentSize(kLayoutLargeVertical, extent, 20, kLargeVertical, QSize(28, 659)),
              QSize(7 * 94 + 28 - 1, 3 * h));
}

TEST(MonitorLayout, HorizontalModesFillColumnsTopToBottom) {
    const MatrixExtent extent = matrixExtent(kLayoutSmallHorizontal, 30, 45);
    EXPECT_EQ(extent.columns, 2);
    EXPECT_EQ(extent.rows, 30);
    EXPECT_EQ(panelOrigin(kLayoutSmallHorizontal, 30, kSmallHorizontal, 30), QPoint(0, 29 * 83));
    EXPECT_EQ(panelOrigin(kLayoutSmallHorizontal, 30, kSmallHorizontal, 31), QPoint(492, 0));

    // Default pair 60,1 with 12 receivers: one column, as wide as the screen.
    const MatrixExtent one = matrixExtent(kLayoutLargeHorizontal, 60, 12);
    EXPECT_EQ(one.columns, 1);
    EXPECT_EQ(one.rows, 12);
    EXPECT_EQ(contentImageSize(kLayoutLargeHorizontal, 60, one, kLargeHorizontal, kScreen),
              QSize(1920, 12 * 96));
    EXPECT_EQ(contentSize(kLayoutLargeHorizontal, one, 12, kLargeHorizontal, QSize(984, 24)),
              QSize(984, 12 * 96 + 24));
}

TEST(MonitorLayout, NarrowSmallVerticalKeepsItsOwnWidth) {
    const MatrixExtent extent = matrixExtent(kLayoutSmallVertical, 2, 5);
    EXPECT_EQ(extent.columns, 2);
    EXPECT_EQ(extent.rows, 3);
    EXPECT_EQ(contentImageSize(kLayoutSmallVertical, 2, extent, kSmallVertical, kScreen),
              QSize(2 * 94, 1080));
    EXPECT_EQ(contentSize(kLayoutSmallVertical, extent, 5, kSmallVertical, QSize()),
              QSize(2 * 94 - 1, 3 * 223));
}

TEST(MonitorLayout, NoReceiversGiveAScreenSizedImageAndNoWidth) {
    const auto pairs = defaultPairs();
    for (int mode = 0; mode < kLayoutModeCount; ++mode) {
        const int fill = fillCount(mode, pairs);
        const MatrixExtent extent = matrixExtent(mode, fill, 0);
        EXPECT_EQ(extent.columns, 0);
        EXPECT_EQ(extent.rows, 0);
        EXPECT_EQ(contentImageSize(mode, fill, extent, QSize(94, 659), kScreen), kScreen)
            << "mode " << mode;
        EXPECT_EQ(contentSize(mode, extent, 0, QSize(94, 659), QSize(28, 24)).width(), 0);
    }
    // One receiver and none have the height of one panel.
    EXPECT_EQ(contentSize(kLayoutSmallHorizontal, {1, 1}, 1, kSmallHorizontal, QSize()).height(),
              83);
}

TEST(MonitorLayout, HitAreasOfLargeVerticalAreShiftedPastTheStrip) {
    HitImageSizes sizes{QSize(92, 45), QSize(14, 12), QSize(12, 240),
                        QSize(66, 52), QSize(30, 24), QSize(16, 16)};
    const QSize strip(28, 659);
    const QPoint origin = panelOrigin(kLayoutLargeVertical, 7, kLargeVertical, 8);
    const PanelHitAreas areas = panelHitAreas(kLayoutLargeVertical, origin, sizes, strip);

    // Name area 4, 588, 88 x 16, inclusive of its far edges.
    EXPECT_EQ(areas.name, (HitRect{28 + 4, origin.y() + 588, 28 + 92, origin.y() + 604}));
    // Frequency reaches 11 pixels further down over "MHz".
    EXPECT_EQ(areas.frequency.bottom, origin.y() + 558 + 12 + 11);
    // Meters: antenna lamp A to lamp B plus a lamp width, down to the AF meter's bottom.
    EXPECT_EQ(areas.meters, (HitRect{28 + 28, origin.y() + 10, 28 + 70 + 14, origin.y() + 535}));
    EXPECT_EQ(areas.battery, (HitRect{28, origin.y() + 606, 28 + 66, origin.y() + 658}));
    EXPECT_EQ(areas.colourTab.left, 28);

    // A click at the strip width plus the name's x hits the name, one at the name's own x not.
    const QPoint first(28 + 4, 588);
    const PanelHitAreas firstPanel = panelHitAreas(kLayoutLargeVertical, {0, 0}, sizes, strip);
    EXPECT_TRUE(firstPanel.name.contains(first));
    EXPECT_FALSE(firstPanel.name.contains(QPoint(4 + 20, 588)));
}

TEST(MonitorLayout, HitAreasOfTheOtherModes) {
    HitImageSizes sizes{QSize(160, 96), QSize(14, 14), QSize(320, 24),
                        QSize(102, 56), QSize(48, 48), QSize(16, 16)};
    const PanelHitAreas large = panelHitAreas(kLayoutLargeHorizontal, {0, 96}, sizes, {984, 24});
    EXPECT_EQ(large.meters, (HitRect{164, 96 + 32 + 24, 848 + 14, 96 + 52 + 24 + 24}));
    EXPECT_EQ(large.warning, (HitRect{84, 96 + 40 + 24, 84 + 48, 96 + 88 + 24}));

    sizes = {QSize(92, 45), QSize(14, 12), QSize(12, 104),
             QSize(66, 24), QSize(30, 24), QSize(16, 16)};
    const PanelHitAreas small = panelHitAreas(kLayoutSmallVertical, {94, 0}, sizes, {});
    EXPECT_EQ(small.meters, (HitRect{94 + 5, 12, 94 + 67 + 14, 26 + 104}));
    EXPECT_EQ(small.frequency, (HitRect{94 + 38, 148, 94 + 90, 148 + 12 + 11}));

    sizes = {QSize(138, 83), QSize(14, 14), QSize(218, 24),
             QSize(70, 56),  QSize(42, 40), QSize(16, 16)};
    const PanelHitAreas wide = panelHitAreas(kLayoutSmallHorizontal, {0, 0}, sizes, {});
    EXPECT_EQ(wide.frequency, (HitRect{16, 21, 116, 37})); // no "MHz" line below
    EXPECT_EQ(wide.meters, (HitRect{169, 12, 392 + 14, 49 + 24}));
}

// The window that fits a mode's panels, on a 1920 x 1040 work area at 96 dpi.
struct FittingCase {
    const char* name;
    int mode;
    MatrixExtent extent;
    int receivers;
    QSize panel;
    QSize strip;
    QSize window;
};

class FittingWindow : public ::testing::TestWithParam<FittingCase> {};

TEST_P(FittingWindow, HoldsThePanelsWithinTheWorkArea) {
    const FittingCase& c = GetParam();
    const QSize content = contentSize(c.mode, c.extent, c.receivers, c.panel, c.strip);
    EXPECT_EQ(
        fittingWindowSize(c.mode, c.extent, c.receivers, c.panel, c.strip, content, metrics()),
        c.window);
}

const QSize kStrip(28, 659);

INSTANTIATE_TEST_SUITE_P(
    MonitorLayout, FittingWindow,
    ::testing::Values(
        // Taller than the screen: a vertical scroll bar, the height limited to the work area.
        FittingCase{"TwelveLargeHorizontal",
                    kLayoutLargeHorizontal,
                    {1, 12},
                    12,
                    kLargeHorizontal,
                    {984, 24},
                    QSize(984 + 22 + 17, 1040)},
        // 4 x 83 plus caption, frames and 74.
        FittingCase{"FourSmallHorizontal",
                    kLayoutSmallHorizontal,
                    {1, 4},
                    4,
                    kSmallHorizontal,
                    {},
                    QSize(492 + 22, 4 * 83 + 23 + 8 + 74)},
        // One panel, and never lower than 190.
        FittingCase{"NoSmallHorizontal",
                    kLayoutSmallHorizontal,
                    {0, 0},
                    0,
                    kSmallHorizontal,
                    {},
                    QSize(492 + 22, 190)},
        FittingCase{"TwentyLargeVertical",
                    kLayoutLargeVertical,
                    {7, 3},
                    20,
                    kLargeVertical,
                    kStrip,
                    QSize(7 * 94 + 28 + 17 + 8 + 4, 1040)},
        // One panel plus the strip, by the panel height plus 114.
        FittingCase{"NoLargeVertical",
                    kLayoutLargeVertical,
                    {0, 0},
                    0,
                    kLargeVertical,
                    kStrip,
                    QSize(220, 659 + 114)},
        // 3 columns of 2 rows: narrower than 220 is widened.
        FittingCase{"TwoSmallVertical",
                    kLayoutSmallVertical,
                    {2, 1},
                    2,
                    kSmallVertical,
                    {},
                    QSize(220, 223 + 114)},
        FittingCase{"SixtySmallVertical",
                    kLayoutSmallVertical,
                    {20, 3},
                    60,
                    kSmallVertical,
                    {},
                    QSize(1880 + 8 + 4, 3 * 223 + 114)}),
    [](const ::testing::TestParamInfo<FittingCase>& info) { return info.param.name; });

// A larger caption at 120 dpi adds 23 * 1.25 - 23, truncated: 5.
TEST(MonitorLayout, FittingFollowsTheCaptionAtAnotherDpi) {
    PlatformMetrics m = metrics();
    m.dpiY = 120;
    const QSize content = contentSize(kLayoutSmallHorizontal, {1, 4}, 4, kSmallHorizontal, {});
    EXPECT_EQ(fittingWindowSize(kLayoutSmallHorizontal, {1, 4}, 4, kSmallHorizontal, {}, content, m)
                  .height(),
              4 * 83 + 5 + 23 + 8 + 74);
}
