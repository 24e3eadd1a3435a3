// Checks the embedded artwork: every picture is there at its size, and the colours that the
// program's copies and window shapes depend on are where the drawing code expects them.

#include "chrome/image_png.h"
#include "resources/resource_ids.h"

#include <QFile>
#include <gtest/gtest.h>

#include <map>
#include <set>

namespace tessaly {
namespace {

const std::map<int, QSize>& expectedSizes() {
    static const std::map<int, QSize> sizes = [] {
        std::map<int, QSize> s = {
            {318, {164, 214}}, {319, {176, 221}}, {411, {140, 131}}, {407, {119, 65}},
            {408, {80, 65}},   {409, {5, 9}},     {359, {834, 484}}, {420, {60, 28}},
            {421, {60, 28}},   {422, {60, 28}},   {424, {60, 28}},   {425, {60, 28}},
            {427, {60, 28}},   {426, {52, 18}},   {342, {14, 14}},   {398, {14, 14}},
            {311, {280, 34}},  {312, {690, 70}},  {314, {210, 32}},  {353, {94, 659}},
            {352, {984, 96}},  {375, {94, 223}},  {361, {492, 83}},  {1025, {92, 45}},
            {340, {160, 96}},  {362, {138, 83}},  {357, {8, 232}},   {355, {8, 232}},
            {356, {320, 10}},  {354, {320, 10}},  {376, {8, 104}},   {377, {8, 104}},
            {365, {218, 10}},  {366, {218, 10}},  {329, {12, 240}},  {327, {12, 240}},
            {328, {320, 24}},  {326, {320, 24}},  {378, {12, 104}},  {379, {12, 104}},
            {367, {218, 24}},  {368, {218, 24}},  {345, {14, 12}},   {343, {14, 12}},
            {399, {14, 12}},   {344, {14, 14}},   {347, {28, 659}},  {346, {984, 24}},
            {430, {694, 24}},  {393, {30, 24}},   {392, {48, 48}},   {391, {42, 40}},
            {400, {16, 16}},   {402, {16, 16}},
        };
        for (int level = 0; level < 5; ++level) {
            s[335 + level] = {66, 52};
            s[330 + level] = {102, 56};
            s[380 + level] = {66, 24};
            s[369 + level] = {70, 56};
        }
        s[kPngMenuPanel] = {200, 172};
        return s;
    }();
    return sizes;
}

QImage picture(int id) {
    CImagePngRes png;
    if (!png.load(id)) {
        ADD_FAILURE() << "picture " << id << " does not load";
        return {};
    }
    return png.image().convertToFormat(QImage::Format_RGB32);
}

QRgb rgb(const QImage& image, int x, int y) {
    return image.pixel(x, y) & RGB_MASK;
}
QRgb rgbOf(int r, int g, int b) {
    return qRgb(r, g, b) & RGB_MASK;
}

int countPixels(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& test) {
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            n += test(rgb(image, x, y)) ? 1 : 0;
        }
    }
    return n;
}

bool isColour(QRgb c, int r, int g, int b) {
    return c == rgbOf(r, g, b);
}
bool isBlack(QRgb c) {
    return c == 0;
}
bool isGreenish(QRgb c) {
    return qGreen(c) > 100 && qGreen(c) > qRed(c) + 60 && qGreen(c) > qBlue(c) + 40;
}
bool isReddish(QRgb c) {
    return qRed(c) > 150 && qRed(c) > qGreen(c) + 80;
}
bool isYellowish(QRgb c) {
    return qRed(c) > 180 && qGreen(c) > 140 && qBlue(c) < 140;
}
int brightness(QRgb c) {
    return qRed(c) + qGreen(c) + qBlue(c);
}

QRect corners(const QImage& image, int i) {
    const int w = image.width() - 1;
    const int h = image.height() - 1;
    const QPoint points[4] = {{0, 0}, {w, 0}, {0, h}, {w, h}};
    return QRect(points[i], QSize(1, 1));
}

TEST(Artwork, EveryPictureIsEmbeddedAsRgbaAtItsSize) {
    std::set<int> listed(std::begin(kAllArtworkIds), std::end(kAllArtworkIds));
    for (const auto& [id, size] : expectedSizes()) {
        EXPECT_TRUE(listed.count(id)) << id << " missing from kAllArtworkIds";
        CImagePngRes png;
        ASSERT_TRUE(png.load(id)) << id;
        EXPECT_EQ(png.size(), size) << id;

        QFile file(pngResourcePath(id));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << id;
        const QByteArray header = file.read(26);
        ASSERT_EQ(header.size(), 26);
        EXPECT_EQ(header[24], 8) << id << ": 8 bits per channel";
        EXPECT_EQ(header[25], 6) << id << ": RGBA";
    }
    EXPECT_EQ(listed.size() - 1, expectedSizes().size()) << "all but the icon have fixed sizes";
    const QImage icon = picture(kIconApplication);
    EXPECT_EQ(icon.width(), icon.height());
    EXPECT_GE(icon.width(), 32);
}

TEST(Artwork, PanelSlotTablesNameLoadablePicturesOfOneSizePerRole) {
    for (int mode = 0; mode < 4; ++mode) {
        const PanelImageIds& ids = kPanelImageIds[mode];
        for (int slot = 0; slot < kPanelSlotCount; ++slot) {
            if (ids[slot] != kNoImage) {
                EXPECT_TRUE(expectedSizes().count(ids[slot])) << mode << "/" << slot;
            }
        }
        const auto size = [&](int slot) { return expectedSizes().at(ids[slot]); };
        EXPECT_EQ(size(kSlotRfLit), size(kSlotRfDark)) << mode;
        EXPECT_EQ(size(kSlotAfLit), size(kSlotAfDark)) << mode;
        EXPECT_EQ(size(kSlotLampRed), size(kSlotLampOff)) << mode;
        EXPECT_EQ(size(kSlotLampRed), size(kSlotLampGreen)) << mode;
        for (int level = 1; level < 5; ++level) {
            EXPECT_EQ(size(kSlotBattery0), size(kSlotBattery0 + level)) << mode;
        }
    }
    EXPECT_EQ(kPanelImageIds[0][kSlotStrip], 347);
    EXPECT_EQ(kPanelImageIds[1][kSlotStripFiller], 430);
    EXPECT_EQ(kPanelImageIds[2][kSlotStrip], kNoImage);
    EXPECT_EQ(kPanelImageIds[3][kSlotBattery0 + 4], 373);
}

struct MenuLayout {
    int id;
    bool tab; // hangs from a menu title
    std::vector<QRect> items;
};

TEST(Artwork, PopUpMenusArePureRedOutsideAndHoldTheirTitleAndItems) {
    const std::vector<MenuLayout> menus = {
        {kPngMenuFile,
         true,
         {QRect(QPoint(6, 42), QPoint(153, 66)), QRect(QPoint(6, 67), QPoint(153, 91)),
          QRect(QPoint(6, 101), QPoint(153, 125)), QRect(QPoint(6, 135), QPoint(153, 159)),
          QRect(QPoint(6, 156), QPoint(153, 180)), QRect(QPoint(6, 187), QPoint(153, 211))}},
        {kPngMenuView,
         true,
         {QRect(QPoint(6, 47), QPoint(175, 71)), QRect(QPoint(6, 72), QPoint(165, 96)),
          QRect(QPoint(6, 97), QPoint(165, 121))}},
        {kPngMenuHelp,
         true,
         {QRect(QPoint(6, 47), QPoint(133, 71)), QRect(QPoint(6, 72), QPoint(133, 96)),
          QRect(QPoint(6, 97), QPoint(133, 121))}},
        {kPngMenuSubHV,
         false,
         {QRect(QPoint(6, 6), QPoint(120, 33)), QRect(QPoint(6, 34), QPoint(120, 61))}},
        {kPngMenuSubSL,
         false,
         {QRect(QPoint(6, 6), QPoint(64, 33)), QRect(QPoint(6, 34), QPoint(64, 61))}},
    };
    const auto red = [](QRgb c) { return isColour(c, 255, 0, 0); };
    for (const MenuLayout& m : menus) {
        const QImage image = picture(m.id);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(countPixels(image, corners(image, i), red), 1) << m.id << " corner " << i;
        }
        // The last column is never part of the window, so the artwork leaves it outside.
        EXPECT_EQ(countPixels(image, QRect(image.width() - 1, 0, 1, image.height()), red),
                  image.height())
            << m.id;
        if (m.tab) {
            EXPECT_EQ(countPixels(image, QRect(QPoint(11, 7), QPoint(41, 27)), red), 0)
                << m.id << ": the title sits inside the tab";
            EXPECT_GT(countPixels(image, QRect(60, 0, image.width() - 60, 20), red),
                      (image.width() - 60) * 20 * 9 / 10)
                << m.id << ": beside the tab is outside";
        }
        for (const QRect& item : m.items) {
            const QRect inside = item.intersected(QRect(0, 0, image.width() - 1, image.height()));
            EXPECT_EQ(countPixels(image, inside, red), 0) << m.id << " item at " << item.y();
        }
    }
}

TEST(Artwork, SplashIsTealOutsideItsShapeWithRoomForVersionAndYear) {
    const QImage splash = picture(kPngSplash);
    const auto teal = [](QRgb c) { return isColour(c, 0, 128, 128); };
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(countPixels(splash, corners(splash, i), teal), 1) << i;
    }
    EXPECT_EQ(countPixels(splash, QRect(700, 194, 80, 66), teal), 0);
    EXPECT_EQ(countPixels(splash, QRect(425, 293, 60, 20), teal), 0);
    EXPECT_LT(countPixels(splash, splash.rect(), teal), splash.width() * splash.height() / 10);
    // The version is written white and the year grey onto the picture: the ground behind
    // them is dark.
    EXPECT_LT(brightness(rgb(splash, 760, 250)), 150);
    EXPECT_LT(brightness(rgb(splash, 470, 308)), 150);
}

TEST(Artwork, ButtonFacesAndCaptionsAreDrawnOnBlack) {
    const auto black = [](QRgb c) { return isBlack(c); };
    const QRect centre(8, 6, 44, 16);
    for (int id : {kPngButtonReady, kPngButtonUnavailable, kPngButtonRunning}) {
        const QImage face = picture(id);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(countPixels(face, corners(face, i), black), 1) << id;
        }
        EXPECT_EQ(countPixels(face, QRect(2, 2, 56, 24), black), 0)
            << id << ": the face must not be punched through by the black key";
    }
    EXPECT_TRUE(isGreenish(rgb(picture(kPngButtonReady), 30, 20)));
    EXPECT_TRUE(isReddish(rgb(picture(kPngButtonRunning), 30, 20)));
    const QRgb dark = rgb(picture(kPngButtonUnavailable), 30, 20);
    EXPECT_LT(brightness(dark), 300);
    EXPECT_LT(std::abs(qRed(dark) - qGreen(dark)), 20);

    const auto white = [](QRgb c) { return isColour(c, 255, 255, 255); };
    for (int id : {kPngCaptionStart, kPngCaptionStop, kPngCaptionStartGrey}) {
        const QImage caption = picture(id);
        EXPECT_GT(countPixels(caption, caption.rect(), black), 60 * 28 * 2 / 3) << id;
        EXPECT_EQ(countPixels(caption, QRect(0, 0, 60, 3), black), 60 * 3) << id;
        const int whites = countPixels(caption, centre, white);
        EXPECT_EQ(whites > 20, id != kPngCaptionStartGrey) << id;
    }
    EXPECT_GT(countPixels(picture(kPngCaptionStartGrey), centre,
                          [](QRgb c) { return isColour(c, 128, 128, 128); }),
              20);

    const QImage label = picture(kPngMonitorLabel);
    EXPECT_EQ(countPixels(label, QRect(0, 0, 1, 18), black), 18) << "text fits the label";
    EXPECT_EQ(countPixels(label, QRect(51, 0, 1, 18), black), 18);
    EXPECT_GT(countPixels(label, label.rect(), [](QRgb c) { return brightness(c) > 450; }), 30);

    const QImage arrow = picture(kPngSubMenuArrow);
    EXPECT_TRUE(isBlack(rgb(arrow, 4, 0)));
    EXPECT_GT(brightness(rgb(arrow, 0, 4)), 600);
}

TEST(Artwork, LampsIconsAndLogosUseTheirKeyColours) {
    const auto black = [](QRgb c) { return isBlack(c); };
    for (int id : {kPngLampOff, kPngLampGreen, kPngLampRed, kPngLampOffFlat, kPngLampGreenFlat,
                   kPngLampRedFlat, kPngMemoPresent, kPngMemoAbsent, kPngWarningSmall,
                   kPngWarningLarge, kPngWarningWide}) {
        const QImage image = picture(id);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(countPixels(image, corners(image, i), black), 1) << id << " corner " << i;
        }
        const QRect middle(image.width() / 2 - 2, image.height() / 2 - 2, 4, 4);
        if (id != kPngMemoAbsent) {
            EXPECT_EQ(countPixels(image, middle, black), 0) << id << ": no hole in the middle";
        }
    }
    const auto centre = [](int id) {
        const QImage image = picture(id);
        return rgb(image, image.width() / 2, image.height() / 2);
    };
    EXPECT_TRUE(isGreenish(centre(kPngLampGreen)));
    EXPECT_TRUE(isGreenish(centre(kPngLampGreenFlat)));
    EXPECT_TRUE(isReddish(centre(kPngLampRed)));
    EXPECT_TRUE(isReddish(centre(kPngLampRedFlat)));
    EXPECT_LT(brightness(centre(kPngLampOff)), 250);
    EXPECT_LT(brightness(centre(kPngLampOffFlat)), 250);
    // The unlit lamp shows a grey ring.
    const QImage off = picture(kPngLampOff);
    EXPECT_GT(countPixels(
                  off, off.rect(),
                  [](QRgb c) { return brightness(c) > 250 && std::abs(qRed(c) - qBlue(c)) < 30; }),
              12);
    EXPECT_GT(countPixels(picture(kPngMemoPresent), QRect(0, 0, 16, 16), isYellowish), 40);
    for (int id : {kPngWarningSmall, kPngWarningLarge, kPngWarningWide}) {
        const QImage w = picture(id);
        EXPECT_GT(countPixels(w, w.rect(), isYellowish), w.width() * w.height() / 5) << id;
    }

    const QImage configLogo = picture(kBmpConfigLogo);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(
            isColour(rgb(configLogo, corners(configLogo, i).x(), corners(configLogo, i).y()), 255,
                     255, 255));
    }
    EXPECT_GT(countPixels(configLogo, configLogo.rect(), black), 100);
}

TEST(Artwork, MenuBarBackgroundTilesAndTheLogoContinuesIt) {
    const QImage bar = picture(kBmpBarBackground);
    const QImage logo = picture(kBmpBarLogo);
    for (int y = 0; y < bar.height(); ++y) {
        EXPECT_EQ(rgb(bar, 0, y), rgb(bar, bar.width() - 1, y)) << "row " << y;
        EXPECT_EQ(rgb(bar, 0, y), rgb(bar, bar.width() / 2, y)) << "row " << y;
        if (y < logo.height()) {
            EXPECT_EQ(rgb(logo, 0, y), rgb(bar, 0, y)) << "logo row " << y;
        }
    }
}

TEST(Artwork, PanelBackgroundsAreKeyedAndSeatTheOpaqueElementsOnBlack) {
    struct Panel {
        int mode;
        QRgb outside;
        QPoint memo; // where the monitor copies the memo icon (opaque, black ground)
        QPoint lampA;
    };
    const Panel panels[] = {{0, rgbOf(255, 0, 0), {38, 569}, {28, 10}},
                            {1, 0, {16, 31}, {494, 30}},
                            {2, rgbOf(255, 0, 0), {38, 161}, {5, 12}},
                            {3, 0, {14, 38}, {392, 10}}};
    for (const Panel& p : panels) {
        const QImage bg = picture(kPanelImageIds[p.mode][kSlotBackground]);
        EXPECT_EQ(rgb(bg, 0, 0), p.outside) << p.mode;
        EXPECT_EQ(rgb(bg, bg.width() - 1, bg.height() - 1), p.outside) << p.mode;
        EXPECT_GT(countPixels(bg, bg.rect(), [&](QRgb c) { return c != p.outside; }),
                  bg.width() * bg.height() * (p.outside == 0 ? 4 : 9) / 10)
            << p.mode << ": black-keyed panels have black wells, which are transparent too";
        const auto blackRing = [&](const QImage& image, QPoint at, QSize size) {
            const QRect ring(at - QPoint(1, 1), size + QSize(2, 2));
            return countPixels(image, ring, [](QRgb c) { return isBlack(c); }) -
                   countPixels(image, QRect(at, size), [](QRgb c) { return isBlack(c); });
        };
        const QSize lamp = expectedSizes().at(kPanelImageIds[p.mode][kSlotLampOff]);
        EXPECT_EQ(blackRing(bg, p.lampA, lamp), 2 * (lamp.width() + lamp.height()) + 4)
            << p.mode << ": the lamp sits in a black well";
        if (p.mode == 1 || p.mode == 3) {
            EXPECT_EQ(blackRing(bg, p.memo, QSize(16, 16)), 68) << p.mode;
        }
    }
    // In the vertical modes the memo sits on the colour tab; the mask gives it a black notch.
    const QImage mask = picture(kPngColourTabMask);
    const QRect memoInMask(QPoint(38, 569) - QPoint(0, 541), QSize(16, 16));
    EXPECT_EQ(
        countPixels(mask, memoInMask.adjusted(-1, -1, 1, 0), [](QRgb c) { return isBlack(c); }),
        18 * 17);
}

TEST(Artwork, ColourTabMaskLeavesTheCaptionRowsDark) {
    const QImage mask = picture(kPngColourTabMask);
    const auto white = [](QRgb c) { return isColour(c, 255, 255, 255); };
    EXPECT_GT(countPixels(mask, mask.rect(), white), 92 * 45 / 2) << "the gradient shows";
    // The small vertical panels write "RF" and "AF" across the tab's top rows.
    EXPECT_EQ(countPixels(mask, QRect(0, 0, 92, 12), white), 0);
}

// Counts runs of lit pixels along the bar's centre line, from the low end.
std::vector<int> segmentRuns(const QImage& bar, bool vertical, int from, int to) {
    std::vector<int> runs;
    int run = 0;
    for (int i = from; i < to; ++i) {
        const QRgb c = vertical ? rgb(bar, bar.width() / 2, bar.height() - 1 - i)
                                : rgb(bar, i, bar.height() / 2);
        if (!isBlack(c)) {
            ++run;
        } else if (run > 0) {
            runs.push_back(run);
            run = 0;
        }
    }
    if (run > 0) {
        runs.push_back(run);
    }
    return runs;
}

double averageBrightness(const QImage& image) {
    long long total = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            total += brightness(rgb(image, x, y));
        }
    }
    return double(total) / (image.width() * image.height());
}

TEST(Artwork, MetersShowSegmentsLitAndDarkWithAFineLowerAfRange) {
    const int afFine[4] = {240 - 173, 88, 104 - 74, 60};
    for (int mode = 0; mode < 4; ++mode) {
        const bool vertical = mode == 0 || mode == 2;
        const PanelImageIds& ids = kPanelImageIds[mode];
        for (int litSlot : {kSlotRfLit, kSlotAfLit}) {
            const QImage lit = picture(ids[litSlot]);
            const QImage dark = picture(ids[litSlot + 1]);
            const int length = vertical ? lit.height() : lit.width();
            EXPECT_GT(averageBrightness(lit), 2.5 * averageBrightness(dark)) << mode;
            EXPECT_GT(averageBrightness(dark), 5.0) << mode << ": unlit segments stay visible";
            const auto litRuns = segmentRuns(lit, vertical, 0, length);
            EXPECT_EQ(litRuns.size(), segmentRuns(dark, vertical, 0, length).size()) << mode;
            EXPECT_GE(litRuns.size(), 20u) << mode;
        }
        const QImage af = picture(ids[kSlotAfLit]);
        const int length = vertical ? af.height() : af.width();
        const auto fine = segmentRuns(af, vertical, 0, afFine[mode]);
        const auto coarse = segmentRuns(af, vertical, afFine[mode], length);
        ASSERT_FALSE(fine.empty());
        ASSERT_FALSE(coarse.empty());
        EXPECT_LT(fine.front(), coarse[coarse.size() / 2]) << mode << ": finer lower range";
        const auto at = [&](int offset) {
            return vertical ? rgb(af, af.width() / 2, af.height() - 1 - offset)
                            : rgb(af, offset, af.height() / 2);
        };
        int green = 0, yellow = 0, red = 0;
        for (int i = 0; i < length; ++i) {
            green += isGreenish(at(i)) ? 1 : 0;
            yellow += isYellowish(at(i)) ? 1 : 0;
            red += isReddish(at(i)) ? 1 : 0;
        }
        EXPECT_GT(green, 0) << mode;
        EXPECT_GT(yellow, 0) << mode;
        EXPECT_GT(red, 0) << mode;
        EXPECT_TRUE(isGreenish(at(1)) || isGreenish(at(2))) << mode << ": low end green";
        EXPECT_TRUE(isReddish(at(length - 2)) || isReddish(at(length - 3)))
            << mode << ": top end red";
        EXPECT_FALSE(isReddish(at(afFine[mode] - 2))) << mode;
    }
}

TEST(Artwork, BatteriesFillOneGreenBarPerLevelAndShowRedWhenEmpty) {
    for (int mode = 0; mode < 4; ++mode) {
        const int first = kPanelImageIds[mode][kSlotBattery0];
        const QImage empty = picture(first);
        EXPECT_GT(countPixels(empty, empty.rect(), isReddish), 30) << mode;
        EXPECT_EQ(countPixels(empty, empty.rect(), isGreenish), 0) << mode;
        int previous = 0;
        for (int level = 1; level < 5; ++level) {
            const QImage b = picture(first + level);
            const int greens = countPixels(b, b.rect(), isGreenish);
            EXPECT_GT(greens, previous) << mode << " level " << level;
            EXPECT_EQ(countPixels(b, b.rect(), isReddish), 0) << mode << " level " << level;
            previous = greens;
        }
        // Four full bars hold four times the green of one, give or take the rounding.
        const QImage one = picture(first + 1);
        const int oneBar = countPixels(one, one.rect(), isGreenish);
        EXPECT_NEAR(double(previous) / oneBar, 4.0, 0.5) << mode;
    }
}

TEST(Artwork, ScaleStripFillerContinuesTheStrip) {
    const QImage strip = picture(kPngStripLargeHorizontal);
    const QImage filler = picture(kPngStripFillerLargeHorizontal);
    for (int y = 0; y < strip.height(); ++y) {
        EXPECT_EQ(rgb(strip, strip.width() - 1, y), rgb(filler, 0, y)) << y;
        EXPECT_EQ(rgb(filler, 0, y), rgb(filler, filler.width() - 1, y)) << y;
    }
}

} // namespace
} // namespace tessaly
