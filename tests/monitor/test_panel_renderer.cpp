#include "monitor/panel_renderer.h"

#include "tests/monitor/synthetic_panel_images.h"

#include <QPainter>
#include <algorithm>
#include <gtest/gtest.h>

using namespace tessaly;
using tessaly::testing::syntheticColour;
using tessaly::testing::syntheticPanelPng;

namespace {

const QSize kScreen(1920, 1080);
constexpr QRgb kSilver = 0xFFC0C0C0;

int countColour(const QImage& image, const QRect& area, QRgb colour) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += (image.pixel(x, y) | 0xFF000000) == (colour | 0xFF000000) ? 1 : 0;
        }
    }
    return count;
}

bool sameAsClean(const CPanelRenderer& renderer, const QRect& area) {
    return renderer.contentImage().copy(area) == renderer.cleanImage().copy(area);
}

class PanelRendererTest : public ::testing::Test {
protected:
    void build(int mode, int receivers, int textColourFlag = kTextColourWhite) {
        table.count = receivers;
        for (int n = 1; n <= receivers; ++n) {
            table.byNumber(n).name = "Vocal " + std::to_string(n);
            table.byNumber(n).setFrequencyText("710.125");
            table.byNumber(n).commState = kCommOk;
        }
        LayoutRequest request;
        request.layoutMode = mode;
        request.matrix = {MatrixPair{1, 60}, MatrixPair{60, 1}, MatrixPair{3, 20},
                          MatrixPair{30, 2}};
        request.textColourFlag = textColourFlag;
        request.screen = kScreen;
        renderer.buildLayout(request, table);
        renderer.resetValueCaches();
        values.reset();
    }

    QRect element(int number, QPoint PanelElementPositions::*which, int slotId) const {
        const QPoint at = renderer.panel(number).origin + panelElementPositions(mode()).*which;
        return QRect(at, tessaly::testing::documentedSizes().at(slotId));
    }
    int mode() const { return renderer.layoutMode(); }

    // Stale pixels, as if something had drawn over the content image.
    void scribble(const QRect& area) {
        QPainter painter(&const_cast<QImage&>(renderer.contentImage()));
        painter.fillRect(area, Qt::magenta);
    }

    ReceiverTable table;
    MonitorValueTable values;
    CPanelRenderer renderer{syntheticPanelPng};
};

} // namespace

TEST(PanelMeters, LitPixelArithmetic) {
    EXPECT_EQ(rfLitPixels(-700, 232), 116);
    EXPECT_EQ(rfLitPixels(-450, 232), 232);
    EXPECT_EQ(rfLitPixels(-950, 232), 0);
    EXPECT_EQ(rfLitPixels(-700, 320), 160);

    EXPECT_EQ(afLitPixels(kLayoutLargeHorizontal, -100, 320), 88);
    EXPECT_EQ(afLitPixels(kLayoutLargeHorizontal, 0, 320), 168);
    EXPECT_EQ(afLitPixels(kLayoutLargeHorizontal, 190, 320), 320);
    EXPECT_EQ(afLitPixels(kLayoutLargeHorizontal, 900, 320), 320);
    EXPECT_EQ(afLitPixels(kLayoutLargeHorizontal, kNoLevel, 320), 0);
    EXPECT_EQ(afLitPixels(kLayoutLargeVertical, -100, 240), 67);
    EXPECT_EQ(afLitPixels(kLayoutLargeVertical, 190, 240), 240);
    EXPECT_EQ(afLitPixels(kLayoutSmallVertical, -100, 104), 30);
    EXPECT_EQ(afLitPixels(kLayoutSmallHorizontal, -100, 218), 60);
}

TEST(PanelMeters, LabelsAndColours) {
    EXPECT_EQ(scaleLabelText(19), "PEAK");
    EXPECT_EQ(scaleLabelText(6), "+6");
    EXPECT_EQ(scaleLabelText(0), "0");
    EXPECT_EQ(scaleLabelText(-5), "-5"); // the topmost mW exponent, -50 dBm
    EXPECT_EQ(halfBrightness(0x00FF8000), 0x007F4000u);
    EXPECT_EQ(colourFromRef(0x00FF8000), QColor(0x00, 0x80, 0xFF));
}

TEST_F(PanelRendererTest, RfMeterFillsUpwardsInLargeVertical) {
    build(kLayoutLargeVertical, 3);
    const QRect meter = element(1, &PanelElementPositions::rfMeterA, kPngRfLitLargeVertical);
    const QRgb lit = syntheticColour(kPngRfLitLargeVertical);
    const QRgb dark = syntheticColour(kPngRfDarkLargeVertical);

    // The reset value equals the cache: nothing drawn on the first pass.
    renderer.liveUpdate(table, values);
    EXPECT_TRUE(sameAsClean(renderer, meter));

    values.byNumber(1).rfLevelA = -700;
    EXPECT_TRUE(renderer.liveUpdate(table, values));
    EXPECT_EQ(countColour(renderer.contentImage(), meter, lit), 8 * 116);
    // Lit from the bottom: the top half is dark, the bottom row lit.
    EXPECT_EQ(renderer.contentImage().pixel(meter.left(), meter.top()) | 0xFF000000, dark);
    EXPECT_EQ(renderer.contentImage().pixel(meter.left(), meter.bottom()) | 0xFF000000, lit);

    values.byNumber(1).rfLevelA = -450;
    renderer.liveUpdate(table, values);
    EXPECT_EQ(countColour(renderer.contentImage(), meter, lit), 8 * 232);
    values.byNumber(1).rfLevelA = -950;
    renderer.liveUpdate(table, values);
    EXPECT_EQ(countColour(renderer.contentImage(), meter, lit), 0);
    EXPECT_EQ(countColour(renderer.contentImage(), meter, dark), 8 * 232);
}

TEST_F(PanelRendererTest, AfMeterAndPeakLampInLargeHorizontal) {
    build(kLayoutLargeHorizontal, 2);
    const QRect af = element(2, &PanelElementPositions::afMeter, kPngAfLitLargeHorizontal);
    const QRect peak = element(2, &PanelElementPositions::peakLamp, kPngLampRed);
    const QRgb lit = syntheticColour(kPngAfLitLargeHorizontal);
    const auto litColumns = [&] { return countColour(renderer.contentImage(), af, lit) / 24; };
    const auto peakIs = [&](int id) {
        return countColour(renderer.contentImage(), peak, syntheticColour(id)) == 14 * 14;
    };
    MonitorValues& m = values.byNumber(2);
    m.mute = 0;

    m.afLevel = -100;
    renderer.liveUpdate(table, values);
    EXPECT_EQ(litColumns(), 88);
    // Fills to the right: the leftmost column lit, the one after the lit part not.
    EXPECT_EQ(renderer.contentImage().pixel(af.left(), af.top()) | 0xFF000000, lit);
    EXPECT_NE(renderer.contentImage().pixel(af.left() + 88, af.top()) | 0xFF000000, lit);
    EXPECT_TRUE(peakIs(kPngLampOff));

    m.afLevel = 0;
    renderer.liveUpdate(table, values);
    EXPECT_EQ(litColumns(), 168);

    m.afLevel = 190;
    renderer.liveUpdate(table, values);
    EXPECT_EQ(litColumns(), 320);
    EXPECT_TRUE(peakIs(kPngLampRed));

    m.afLevel = 179;
    renderer.liveUpdate(table, values);
    EXPECT_TRUE(peakIs(kPngLampOff));
    m.afLevel = 180;
    renderer.liveUpdate(table, values);
    EXPECT_TRUE(peakIs(kPngLampRed));
}

TEST_F(PanelRendererTest, AfMeterInLargeVerticalFillsFromTheBottom) {
    build(kLayoutLargeVertical, 1);
    const QRect af = element(1, &PanelElementPositions::afMeter, kPngAfLitLargeVertical);
    const QRgb lit = syntheticColour(kPngAfLitLargeVertical);
    values.byNumber(1).mute = 0;
    values.byNumber(1).afLevel = -100;
    renderer.liveUpdate(table, values);
    EXPECT_EQ(countColour(renderer.contentImage(), af, lit), 67 * 12);
    EXPECT_EQ(renderer.contentImage().pixel(af.left(), af.bottom() - 66) | 0xFF000000, lit);
    EXPECT_NE(renderer.contentImage().pixel(af.left(), af.bottom() - 67) | 0xFF000000, lit);
}

TEST_F(PanelRendererTest, MuteEmptiesTheAfMeterAndHidesTheBattery) {
    build(kLayoutLargeHorizontal, 1);
    const QRect af = element(1, &PanelElementPositions::afMeter, kPngAfLitLargeHorizontal);
    const QRect peak = element(1, &PanelElementPositions::peakLamp, kPngLampRed);
    const QRect battery = element(1, &PanelElementPositions::battery, 330);
    const QRect warning = element(1, &PanelElementPositions::warning, kPngWarningLarge);
    const QRgb lit = syntheticColour(kPngAfLitLargeHorizontal);
    MonitorValues& m = values.byNumber(1);
    m.mute = 0;
    m.afLevel = 185;
    m.battery = 3;

    renderer.liveUpdate(table, values);
    EXPECT_EQ(countColour(renderer.contentImage(), battery, syntheticColour(333)), 102 * 56);
    EXPECT_EQ(countColour(renderer.contentImage(), peak, syntheticColour(kPngLampRed)), 14 * 14);
    EXPECT_TRUE(sameAsClean(renderer, warning));

    m.mute = 1;
    renderer.liveUpdate(table, values);
    EXPECT_EQ(countColour(renderer.contentImage(), af, lit), 0);
    EXPECT_EQ(countColour(renderer.contentImage(), peak, syntheticColour(kPngLampOff)), 14 * 14);
    EXPECT_TRUE(sameAsClean(renderer, battery));
    EXPECT_EQ(countColour(renderer.contentImage(), warning, syntheticColour(kPngWarningLarge)),
              48 * 48);

    // While muted, new AF and battery values are not drawn.
    m.afLevel = 0;
    m.battery = 1;
    renderer.liveUpdate(table, values);
    EXPECT_EQ(countColour(renderer.contentImage(), af, lit), 0);
    EXPECT_TRUE(sameAsClean(renderer, battery));

    // Unmuting with unchanged values draws both again on the same pass.
    m.mute = 0;
    renderer.liveUpdate(table, values);
    EXPECT_EQ(countColour(renderer.contentImage(), af, lit), 168 * 24);
    EXPECT_EQ(countColour(renderer.contentImage(), battery, syntheticColour(331)), 102 * 56);
    EXPECT_TRUE(sameAsClean(renderer, warning));
}

TEST_F(PanelRendererTest, AntennaChangeRedrawsBothRfMeters) {
    build(kLayoutSmallHorizontal, 1);
    const QRect rfA = element(1, &PanelElementPositions::rfMeterA, kPngRfLitSmallHorizontal);
    const QRect rfB = element(1, &PanelElementPositions::rfMeterB, kPngRfLitSmallHorizontal);
    const QRect lampA = element(1, &PanelElementPositions::antennaLampA, kPngLampGreen);
    const QRect lampB = element(1, &PanelElementPositions::antennaLampB, kPngLampGreen);
    const QRgb lit = syntheticColour(kPngRfLitSmallHorizontal);
    MonitorValues& m = values.byNumber(1);
    m.rfLevelA = -700;
    m.rfLevelB = -600;
    m.antennaSelect = 0;
    renderer.liveUpdate(table, values);
    EXPECT_EQ(countColour(renderer.contentImage(), lampA, syntheticColour(kPngLampGreen)), 196);
    EXPECT_EQ(countColour(renderer.contentImage(), lampB, syntheticColour(kPngLampOff)), 196);

    scribble(rfA);
    scribble(rfB);
    EXPECT_FALSE(renderer.liveUpdate(table, values)); // nothing changed, nothing drawn
    EXPECT_EQ(renderer.lastPassPixels(), 0);
    m.antennaSelect = 1;
    EXPECT_TRUE(renderer.liveUpdate(table, values));
    // Two lamps, then each meter dark in whole and lit in part (218 x 10 pictures).
    EXPECT_EQ(renderer.lastPassPixels(), 2 * 196 + (2180 + 109 * 10) + (2180 + 163 * 10));
    EXPECT_EQ(renderer.lastPassRows(), 2 * 14 + 4 * 10);
    EXPECT_EQ(countColour(renderer.contentImage(), rfA, lit), 109 * 10);
    EXPECT_EQ(countColour(renderer.contentImage(), rfB, lit), 163 * 10);
    EXPECT_EQ(countColour(renderer.contentImage(), lampB, syntheticColour(kPngLampGreen)), 196);
    EXPECT_EQ(countColour(renderer.contentImage(), lampA, syntheticColour(kPngLampOff)), 196);

    // An antenna value other than 0 or 1 leaves the lamps as they were.
    m.antennaSelect = 7;
    renderer.liveUpdate(table, values);
    EXPECT_EQ(countColour(renderer.contentImage(), lampB, syntheticColour(kPngLampGreen)), 196);
}

TEST_F(PanelRendererTest, WarningFollowsTheCommunicationState) {
    build(kLayoutSmallVertical, 2);
    const QRect warning = element(2, &PanelElementPositions::warning, kPngWarningSmall);
    const int full = 30 * 24;
    const QRgb colour = syntheticColour(kPngWarningSmall);

    table.byNumber(2).commState = kCommOk;
    renderer.liveUpdate(table, values);
    EXPECT_TRUE(sameAsClean(renderer, warning));

    table.byNumber(2).commState = kCommNotContacted;
    renderer.liveUpdate(table, values);
    EXPECT_EQ(countColour(renderer.contentImage(), warning, colour), full);

    table.byNumber(2).commState = kCommOk;
    values.byNumber(2).mute = 1;
    renderer.liveUpdate(table, values);
    EXPECT_EQ(countColour(renderer.contentImage(), warning, colour), full);
    values.byNumber(2).mute = 0;
    renderer.liveUpdate(table, values);
    EXPECT_TRUE(sameAsClean(renderer, warning));

    table.byNumber(2).commState = kCommError;
    renderer.liveUpdate(table, values);
    EXPECT_EQ(countColour(renderer.contentImage(), warning, colour), full);
}

TEST_F(PanelRendererTest, NameAndFrequencyRedrawOnlyWhenChanged) {
    build(kLayoutLargeHorizontal, 1);
    const QRect name = panelElementPositions(kLayoutLargeHorizontal).nameArea;
    renderer.liveUpdate(table, values);
    EXPECT_FALSE(sameAsClean(renderer, name)); // the name is drawn on the first pass
    EXPECT_EQ(renderer.cache(1).name, "Vocal 1");
    EXPECT_EQ(renderer.cache(1).freqKhz, 710125);

    scribble(name);
    EXPECT_FALSE(renderer.liveUpdate(table, values));
    table.byNumber(1).name = "Guitar";
    EXPECT_TRUE(renderer.liveUpdate(table, values));
    EXPECT_EQ(countColour(renderer.contentImage(), name, qRgb(255, 0, 255)), 0);
    EXPECT_EQ(renderer.cache(1).name, "Guitar");

    table.byNumber(1).setFrequencyText("711.000");
    EXPECT_TRUE(renderer.liveUpdate(table, values));
    EXPECT_EQ(renderer.cache(1).freqKhz, 711000);
}

TEST_F(PanelRendererTest, IdleRedrawFramesNameAndFrequencyInSilver) {
    build(kLayoutLargeHorizontal, 1, kTextColourSilver);
    values.byNumber(1).rfLevelA = -600;
    renderer.idleRedraw(table);
    const QImage& image = renderer.contentImage();
    // Name area 18, 8, 112 x 20: the frame's top edge runs at y 6, its bottom edge at y 28.
    EXPECT_EQ(image.pixel(70, 6), kSilver);
    EXPECT_EQ(image.pixel(70, 28), kSilver);
    EXPECT_EQ(image.pixel(16, 18), kSilver);  // left edge
    EXPECT_EQ(image.pixel(131, 18), kSilver); // right edge
    // Meters dark, lamps off.
    const QRect rfA = element(1, &PanelElementPositions::rfMeterA, kPngRfLitLargeHorizontal);
    EXPECT_EQ(countColour(image, rfA, syntheticColour(kPngRfDarkLargeHorizontal)), 320 * 10);
    const QRect peak = element(1, &PanelElementPositions::peakLamp, kPngLampOff);
    EXPECT_EQ(countColour(image, peak, syntheticColour(kPngLampOff)), 196);
    EXPECT_EQ(renderer.cache(1).name, "Vocal 1");
    EXPECT_EQ(renderer.textColour(), QColor(255, 255, 255));
}

TEST_F(PanelRendererTest, ColourTabGradients) {
    table.byNumber(1).colors = {0x000000FF, 0x0000FF00, 0x00FF0000, 0x00FFFFFF};
    build(kLayoutLargeHorizontal, 1);
    // Upper band from colour 1 (red) to colour 2 (green), lower from colour 3 (blue).
    EXPECT_EQ(renderer.contentImage().pixel(5, 0), qRgb(255, 0, 0));
    EXPECT_EQ(renderer.contentImage().pixel(5, 72), qRgb(0, 0, 255));
    EXPECT_EQ(renderer.contentImage().pixel(13, 0), syntheticColour(kPngPanelLargeHorizontal));

    build(kLayoutLargeVertical, 1);
    // The gradient shows through the mask's white inside; its border row stays.
    EXPECT_EQ(renderer.contentImage().pixel(10, 541), syntheticColour(kPngColourTabMask));
    const QColor top = renderer.contentImage().pixelColor(10, 542);
    EXPECT_EQ(top.red(), 255);
    EXPECT_LT(top.green(), 20);
    const QColor bottom = renderer.contentImage().pixelColor(10, 541 + 44);
    EXPECT_GT(bottom.green(), 230); // colour 4, white, at the bottom
}

TEST_F(PanelRendererTest, MemoIconShowsWhetherACommentExists) {
    table.byNumber(2).comment = "spare pack in the case";
    build(kLayoutSmallHorizontal, 2);
    renderer.drawMemoIcons(table);
    const QRect memo1 = element(1, &PanelElementPositions::memo, kPngMemoAbsent);
    const QRect memo2 = element(2, &PanelElementPositions::memo, kPngMemoPresent);
    EXPECT_EQ(countColour(renderer.contentImage(), memo1, syntheticColour(kPngMemoAbsent)), 256);
    EXPECT_EQ(countColour(renderer.contentImage(), memo2, syntheticColour(kPngMemoPresent)), 256);
}

TEST_F(PanelRendererTest, StripIsTiledAndContinuedByTheFiller) {
    build(kLayoutLargeHorizontal, 12);
    ASSERT_EQ(renderer.stripImage().size(), QSize(1920, 24));
    EXPECT_EQ(renderer.stripImage().pixel(1900, 12),
              syntheticColour(kPngStripFillerLargeHorizontal));
    EXPECT_EQ(renderer.contentSize(), QSize(984, 12 * 96 + 24));

    build(kLayoutLargeVertical, 20);
    // Sixty in one row by default: one tile high, as high as the screen.
    EXPECT_EQ(renderer.stripImage().size(), QSize(28, 1080));
    EXPECT_EQ(renderer.stripImage().pixel(2, 700), qRgb(0, 0, 0));
    EXPECT_EQ(renderer.stripImage().pixel(2, 10), syntheticColour(kPngStripLargeVertical));
}

TEST_F(PanelRendererTest, PanelsBeyondTheCountAreNotDrawnButPlaced) {
    build(kLayoutSmallVertical, 4); // twenty to a row
    EXPECT_EQ(renderer.panel(5).origin, QPoint(4 * 94, 0));
    EXPECT_EQ(renderer.panel(21).origin, QPoint(0, 223 + 1));
    EXPECT_EQ(renderer.contentImage().pixel(4 * 94 + 40, 100), qRgb(0, 0, 0));
    EXPECT_EQ(renderer.contentImage().pixel(3 * 94 + 40, 100),
              syntheticColour(kPngPanelSmallVertical));
}

TEST(PanelRendererMissingImages, MissingPicturesDrawNothingAndKeepTheDefaultSize) {
    const auto withoutLamps = [](int id) {
        return id == kPngLampGreen || id == kPngLampOff || id == kPngLampRed
                   ? QImage()
                   : syntheticPanelPng(id);
    };
    CPanelRenderer renderer(withoutLamps);
    ReceiverTable table;
    table.count = 1;
    LayoutRequest request;
    request.layoutMode = kLayoutLargeHorizontal;
    request.matrix = {MatrixPair{1, 60}, MatrixPair{60, 1}, MatrixPair{3, 20}, MatrixPair{30, 2}};
    request.screen = kScreen;
    renderer.buildLayout(request, table);
    MonitorValueTable values;
    values.byNumber(1).antennaSelect = 0;
    values.byNumber(1).mute = 0;
    values.byNumber(1).battery = 4;
    renderer.liveUpdate(table, values);
    const QRect battery(QPoint(874, 22), QSize(102, 56));
    EXPECT_EQ(countColour(renderer.contentImage(), battery, syntheticColour(334)), 102 * 56);
    // The lamp area of the meters' hit rectangle used the 100 x 100 default.
    EXPECT_EQ(renderer.panel(1).hit.meters.right, 848 + 100);
}

// Ten capitals, the widest a name can be, must show whole in the narrow vertical panels: the
// left edge of the name area stays clear and the name is drawn.
class NameFitTest : public PanelRendererTest,
                    public ::testing::WithParamInterface<std::tuple<int, const char*>> {};

TEST_P(NameFitTest, TenCharacterNameShowsWhole) {
    const auto [layoutMode, name] = GetParam();
    build(layoutMode, 1);
    table.byNumber(1).name = name;
    renderer.liveUpdate(table, values);
    const QRect area = panelElementPositions(layoutMode).nameArea;
    const QRect leftEdge(area.topLeft(), QSize(1, area.height()));
    EXPECT_TRUE(sameAsClean(renderer, leftEdge)) << name;
    EXPECT_FALSE(sameAsClean(renderer, area)) << name;
    EXPECT_EQ(renderer.cache(1).name, name);
}

INSTANTIATE_TEST_SUITE_P(
    VerticalModes, NameFitTest,
    ::testing::Combine(::testing::Values(kLayoutLargeVertical, kLayoutSmallVertical),
                       ::testing::Values("SAXOPHONE1", "WORSHIP MD", "WWWWWWWWWW")),
    [](const ::testing::TestParamInfo<NameFitTest::ParamType>& info) {
        std::string name = std::get<1>(info.param);
        std::replace(name.begin(), name.end(), ' ', '_');
        return (std::get<0>(info.param) == kLayoutLargeVertical ? "Large_" : "Small_") + name;
    });
