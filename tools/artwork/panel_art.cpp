#include "panel_art.h"

#include "resources/resource_ids.h"

#include <QLinearGradient>
#include <QPainter>

#include <array>
#include <cmath>

namespace artwork {
namespace {

using namespace tessaly;

constexpr int kLargeVertical = 0;
constexpr int kLargeHorizontal = 1;
constexpr int kSmallVertical = 2;
constexpr int kSmallHorizontal = 3;

constexpr double kPanelRadius = 4.0;
constexpr int kTabStripeWidth = 13; // the horizontal modes paint the colour tab this wide

const QColor kRfColour(40, 196, 255);
const QColor kAfFineGreen(44, 206, 84);
const QColor kAfGreen(72, 232, 92);
const QColor kAfYellow(255, 206, 36);
const QColor kAfRed(255, 62, 48);
const QColor kBatteryGreen(70, 224, 96);
const QColor kBatteryRed(240, 56, 44);
const QColor kBatteryOutline(176, 182, 194);

// Sizes of the meters and of the AF meters' fine lower range, per layout mode.
struct MeterSizes {
    QSize rf, af;
    int afFine; // pixels given to -40 ... -10 dB
    int rfSegments, afFineSegments, afCoarseSegments;
    double afCoarseGap;
};

constexpr std::array<int, 4> kAfFine = {240 - 173, 88, 104 - 74, 60};

MeterSizes meterSizes(int mode) {
    switch (mode) {
    case kLargeVertical:
        return {QSize(8, 232), QSize(12, 240), kAfFine[0], 58, 22, 29, 1.0};
    case kLargeHorizontal:
        return {QSize(320, 10), QSize(320, 24), kAfFine[1], 80, 29, 29, 2.0};
    case kSmallVertical:
        return {QSize(8, 104), QSize(12, 104), kAfFine[2], 26, 10, 15, 1.0};
    default:
        return {QSize(218, 10), QSize(218, 24), kAfFine[3], 54, 20, 29, 1.0};
    }
}

bool isVertical(int mode) {
    return mode == kLargeVertical || mode == kSmallVertical;
}

// Distance from the low end of an AF meter to the level `db`, as the monitor maps it.
double afOffset(int mode, double db) {
    const MeterSizes m = meterSizes(mode);
    const double length = isVertical(mode) ? m.af.height() : m.af.width();
    const double v = std::clamp((db + 40.0) * 10.0, 0.0, 590.0);
    if (v <= 300.0) {
        return m.afFine * v / 300.0;
    }
    return (length - m.afFine) * (v - 300.0) / 290.0 + m.afFine;
}

double afDbAt(int mode, double offset) {
    const MeterSizes m = meterSizes(mode);
    const double length = isVertical(mode) ? m.af.height() : m.af.width();
    if (offset < m.afFine) {
        return -40.0 + 30.0 * offset / m.afFine;
    }
    return -10.0 + 29.0 * (offset - m.afFine) / (length - m.afFine);
}

std::vector<Segment> rfSegments(int mode) {
    const MeterSizes m = meterSizes(mode);
    const double length = isVertical(mode) ? m.rf.height() : m.rf.width();
    auto segments = evenSegments(0, length, m.rfSegments, 1.0);
    for (Segment& s : segments) {
        s.colour = kRfColour;
    }
    return segments;
}

std::vector<Segment> afSegments(int mode) {
    const MeterSizes m = meterSizes(mode);
    const double length = isVertical(mode) ? m.af.height() : m.af.width();
    auto segments = evenSegments(0, m.afFine, m.afFineSegments, 1.0);
    for (Segment& s : segments) {
        s.colour = kAfFineGreen;
    }
    auto coarse = evenSegments(m.afFine, length, m.afCoarseSegments, m.afCoarseGap);
    for (Segment& s : coarse) {
        const double db = afDbAt(mode, (s.start + s.end) / 2.0);
        s.colour = db < 0.0 ? kAfGreen : db < 10.0 ? kAfYellow : kAfRed;
        segments.push_back(s);
    }
    return segments;
}

void legend(QImage& image, QPoint at, const QString& text, int pixelSize, const QColor& colour,
            bool bold = true) {
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(sansFont(pixelSize, bold));
    p.setPen(colour);
    p.drawText(QRect(at, QSize(200, pixelSize + 4)), Qt::AlignLeft | Qt::AlignTop, text);
}

void tick(QImage& image, int x, int y, int w, int h, const QColor& colour = kLegendDim) {
    QPainter p(&image);
    p.fillRect(QRect(x, y, w, h), colour);
}

// The face of a panel with its bevelled edge; vertical panels are brushed along their length.
QImage panelFace(QSize size, bool vertical) {
    QImage art = blank(size.width(), size.height(), kFace);
    drawBrushedFace(art, art.rect(), vertical, vertical ? 11 : 23);
    QPainter p(&art);
    p.fillRect(QRect(0, 0, size.width(), 1), kFaceLight);
    p.fillRect(QRect(0, 0, 1, size.height()), kFaceLight);
    p.fillRect(QRect(0, size.height() - 1, size.width(), 1), kFaceShadow);
    p.fillRect(QRect(size.width() - 1, 0, 1, size.height()), kFaceShadow);
    return art;
}

QPainterPath panelShape(QSize size) {
    QPainterPath shape;
    shape.addRoundedRect(QRectF(0, 0, size.width(), size.height()), kPanelRadius, kPanelRadius);
    return shape;
}

void nameStrip(QImage& art, const QRect& area) {
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(18, 19, 22), 1.0));
    p.setBrush(kNameStrip);
    p.drawRoundedRect(QRectF(area).adjusted(-1.5, -1.5, 1.5, 0.5), 3, 3);
}

// A black well exactly one pixel larger than a picture that is copied opaquely into it.
void socket(QImage& art, QPoint at, QSize size) {
    drawWell(art, QRectF(at.x() - 1, at.y() - 1, size.width() + 2, size.height() + 2), 1.5);
}

// The battery drawn into the body rectangle of a battery picture.
void drawBattery(QImage& art, const QRectF& body, int level) {
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor outline = level == 0 ? kBatteryRed : kBatteryOutline;
    const double nubW = std::max(3.0, body.height() * 0.16);
    const double nubH = body.height() * 0.44;
    p.setPen(Qt::NoPen);
    p.setBrush(outline);
    p.drawRoundedRect(QRectF(body.right(), body.center().y() - nubH / 2, nubW, nubH), 1.2, 1.2);
    p.setPen(QPen(outline, body.height() >= 20 ? 2.0 : 1.5));
    p.setBrush(QColor(8, 9, 10));
    p.drawRoundedRect(body, 3, 3);
    p.setRenderHint(QPainter::Antialiasing, false);
    const double pad = body.height() >= 20 ? 4.0 : 3.0;
    const QRectF inner = body.adjusted(pad, pad, -pad, -pad);
    const double gap = 2.0;
    const double slotW = (inner.width() - 3 * gap) / 4.0;
    for (int i = 0; i < 4; ++i) {
        const QRectF slot(std::round(inner.left() + i * (slotW + gap)), inner.top(),
                          std::round(slotW), inner.height());
        if (level == 0) {
            p.fillRect(slot, QColor(44, 16, 14));
        } else if (i < level) {
            QLinearGradient g(slot.topLeft(), slot.bottomLeft());
            g.setColorAt(0, QColor(150, 250, 160));
            g.setColorAt(0.35, kBatteryGreen);
            g.setColorAt(1, QColor(28, 140, 52));
            p.fillRect(slot, g);
        } else {
            p.fillRect(slot, QColor(22, 40, 26));
        }
    }
    if (level == 0) {
        // An empty battery still shows a sliver of red charge, so it reads as a battery.
        p.fillRect(QRectF(inner.left(), inner.top(), std::max(2.0, slotW / 3), inner.height()),
                   kBatteryRed);
    }
}

// Battery pictures are cut from the finished background so that they continue it seamlessly;
// the outside-key colour of a corner becomes black (the monitor's content is black there).
void addBatteries(PictureSet& pictures, const QImage& background, int firstId, const QRect& area,
                  const QRectF& body) {
    for (int level = 0; level < 5; ++level) {
        QImage art = background.copy(area);
        replaceColour(art, kKeyRed, Qt::black);
        drawBattery(art, body, level);
        pictures[firstId + level] = art;
    }
}

PanelGeometry geometryOf(int mode) {
    switch (mode) {
    case kLargeVertical:
        return {QPoint(0, 541),  QRect(4, 588, 88, 16), QRect(38, 558, 52, 12), QPoint(30, 26),
                QPoint(72, 26),  QPoint(28, 10),        QPoint(70, 10),         QPoint(54, 295),
                QPoint(53, 274), QPoint(0, 606),        QPoint(1, 554),         QPoint(38, 569)};
    case kLargeHorizontal:
        return {QPoint(0, 0),    QRect(18, 8, 112, 20), QRect(164, 4, 110, 20), QPoint(164, 32),
                QPoint(164, 66), QPoint(494, 30),       QPoint(494, 64),        QPoint(518, 52),
                QPoint(848, 58), QPoint(874, 22),       QPoint(84, 40),         QPoint(16, 31)};
    case kSmallVertical:
        return {QPoint(0, 133), QRect(4, 180, 88, 16), QRect(38, 148, 52, 12), QPoint(7, 26),
                QPoint(37, 26), QPoint(5, 12),         QPoint(35, 12),         QPoint(68, 26),
                QPoint(67, 12), QPoint(0, 198),        QPoint(1, 148),         QPoint(38, 161)};
    default:
        return {QPoint(0, 0),    QRect(16, 2, 100, 16), QRect(16, 21, 100, 16), QPoint(169, 12),
                QPoint(169, 30), QPoint(392, 10),       QPoint(392, 28),        QPoint(169, 49),
                QPoint(392, 53), QPoint(418, 26),       QPoint(70, 40),         QPoint(14, 38)};
    }
}

// The default receiver colours 1 and 4 (azure fading to dark blue).
const QColor kDefaultTop(0x00, 0x80, 0xFF);
const QColor kDefaultBottom(0x00, 0x40, 0x7F);
const QSize kMemo(16, 16);
const QSize kTabMask(92, 45);
constexpr int kTabPlateTop = 12; // rows above stay dark for the small panels' RF/AF captions

// The colour tab of the vertical panels: white shows the receiver's colour gradient.
QImage colourTabMask() {
    QImage art = panelFace(QSize(94, kTabMask.height() + 2), true).copy(0, 1, 92, 45);
    QPainterPath plate;
    plate.addRoundedRect(QRectF(1, kTabPlateTop, 90, kTabMask.height() - kTabPlateTop - 1), 4, 4);
    {
        QPainter p(&art);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillPath(plate, Qt::white);
    }
    // The memo icon is copied opaquely with a black ground, so it gets a black notch.
    const QPoint memo = geometryOf(kLargeVertical).memo - geometryOf(kLargeVertical).colourTab;
    fillBlack(art, QRect(memo - QPoint(1, 1), kMemo + QSize(2, 2)));
    return art;
}

QImage largeVerticalBackground() {
    const PanelGeometry g = geometryOf(kLargeVertical);
    const QSize size(94, 659);
    QImage art = panelFace(size, true);
    drawWell(art, QRectF(5, 5, 84, 260), 3);
    drawWell(art, QRectF(5, 269, 84, 269), 3);
    legend(art, QPoint(18, 9), QStringLiteral("A"), 10, kLegend);
    legend(art, QPoint(60, 9), QStringLiteral("B"), 10, kLegend);
    legend(art, QPoint(13, 273), QStringLiteral("AF"), 10, kLegend);
    // RF ticks every 5 dB beside both meters; the labels go between them.
    const MeterSizes m = meterSizes(kLargeVertical);
    for (int i = 0; i <= 8; ++i) {
        const int y = g.rfA.y() + std::min(m.rf.height() - 1, m.rf.height() * i / 8);
        const int len = i % 2 == 0 ? 3 : 2;
        tick(art, g.rfA.x() - 2 - len, y, len, 1);
        tick(art, g.rfB.x() + m.rf.width() + 2, y, len, 1);
    }
    for (double db : {-40.0, -30.0, -20.0, -10.0, -6.0, 0.0, 6.0, 10.0, 19.0}) {
        const int y = g.af.y() + m.af.height() - 1 - int(afOffset(kLargeVertical, db));
        tick(art, g.af.x() - 5, std::max(g.af.y(), y), 3, 1);
        tick(art, g.af.x() + m.af.width() + 2, std::max(g.af.y(), y), 3, 1);
    }
    nameStrip(art, g.name);
    drawWell(art, QRectF(1, 607, 64, 50), 3);
    legend(art, QPoint(6, 609), QStringLiteral("BATTERY"), 9, kLegendDim, false);
    // A rack screw fills the corner beside the battery.
    {
        QPainter p(&art);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(kFaceShadow, 1));
        p.setBrush(QColor(70, 75, 84));
        p.drawEllipse(QPointF(80, 632), 5, 5);
        p.setPen(QPen(QColor(30, 32, 36), 1.4));
        p.drawLine(QPointF(77, 629), QPointF(83, 635));
    }
    // The colour tab is drawn by the monitor; under it the background shows the mask's ground.
    drawColourTab(art, g.colourTab, colourTabMask(), kDefaultTop, kDefaultBottom);
    cutOut(art, panelShape(size), kKeyRed);
    return art;
}

QImage smallVerticalBackground() {
    const PanelGeometry g = geometryOf(kSmallVertical);
    const QSize size(94, 223);
    QImage art = panelFace(size, true);
    drawWell(art, QRectF(2, 8, 90, 122), 3);
    legend(art, QPoint(21, 11), QStringLiteral("A"), 9, kLegend);
    legend(art, QPoint(51, 11), QStringLiteral("B"), 9, kLegend);
    const MeterSizes m = meterSizes(kSmallVertical);
    for (int i = 0; i <= 4; ++i) {
        const int y = g.rfA.y() + std::min(m.rf.height() - 1, m.rf.height() * i / 4);
        tick(art, g.rfA.x() + m.rf.width() + 2, y, 3, 1);
        tick(art, g.rfB.x() + m.rf.width() + 2, y, 3, 1);
    }
    for (double db : {-40.0, -20.0, -10.0, 0.0, 10.0, 19.0}) {
        const int y = g.af.y() + m.af.height() - 1 - int(afOffset(kSmallVertical, db));
        tick(art, g.af.x() + m.af.width() + 2, std::max(g.af.y(), y), 3, 1);
    }
    nameStrip(art, g.name);
    drawWell(art, QRectF(1, 199, 64, 22), 3);
    drawColourTab(art, g.colourTab, colourTabMask(), kDefaultTop, kDefaultBottom);
    cutOut(art, panelShape(size), kKeyRed);
    return art;
}

QImage largeHorizontalBackground() {
    const PanelGeometry g = geometryOf(kLargeHorizontal);
    const QSize size(984, 96);
    QImage art = panelFace(size, false);
    fillBlack(art, QRect(0, 0, kTabStripeWidth, size.height()));
    nameStrip(art, g.name);
    socket(art, g.memo, kMemo);
    drawWell(art, QRectF(158, 28, 352, 52), 3);
    drawWell(art, QRectF(516, 31, 351, 49), 3);
    legend(art, QPoint(146, 30), QStringLiteral("A"), 10, kLegend);
    legend(art, QPoint(146, 64), QStringLiteral("B"), 10, kLegend);
    const MeterSizes m = meterSizes(kLargeHorizontal);
    for (int i = 0; i <= 8; ++i) {
        const int x = g.rfA.x() + std::min(m.rf.width() - 1, m.rf.width() * i / 8);
        const int len = i % 2 == 0 ? 3 : 2;
        tick(art, x, g.rfA.y() + m.rf.height() + 2, 1, len);
        tick(art, x, g.rfB.y() - 2 - len, 1, len);
    }
    for (double db : {-40.0, -30.0, -20.0, -10.0, -6.0, 0.0, 6.0, 10.0, 19.0}) {
        const int x = g.af.x() + int(afOffset(kLargeHorizontal, db));
        tick(art, std::min(x, g.af.x() + m.af.width() - 1), g.af.y() - 4, 1, 3);
    }
    drawWell(art, QRectF(876, 24, 98, 52), 3);
    legend(art, QPoint(878, 7), QStringLiteral("BATTERY"), 9, kLegendDim, false);
    cutOut(art, panelShape(size), kKeyBlack);
    return art;
}

QImage smallHorizontalBackground() {
    const PanelGeometry g = geometryOf(kSmallHorizontal);
    const QSize size(492, 83);
    QImage art = panelFace(size, false);
    fillBlack(art, QRect(0, 0, kTabStripeWidth, size.height()));
    nameStrip(art, g.name);
    nameStrip(art, g.frequency);
    socket(art, g.memo, kMemo);
    drawWell(art, QRectF(164, 6, 247, 71), 3);
    legend(art, QPoint(153, 10), QStringLiteral("A"), 9, kLegend);
    legend(art, QPoint(153, 28), QStringLiteral("B"), 9, kLegend);
    legend(art, QPoint(146, 54), QStringLiteral("AF"), 9, kLegend);
    const MeterSizes m = meterSizes(kSmallHorizontal);
    for (int i = 0; i <= 4; ++i) {
        const int x = g.rfA.x() + std::min(m.rf.width() - 1, m.rf.width() * i / 4);
        tick(art, x, g.rfA.y() + m.rf.height() + 3, 1, 3);
    }
    for (double db : {-40.0, -20.0, -10.0, 0.0, 10.0, 19.0}) {
        const int x = g.af.x() + int(afOffset(kSmallHorizontal, db));
        tick(art, std::min(x, g.af.x() + m.af.width() - 1), g.af.y() - 4, 1, 3);
    }
    drawWell(art, QRectF(420, 28, 66, 52), 3);
    legend(art, QPoint(421, 9), QStringLiteral("BATTERY"), 9, kLegendDim, false);
    cutOut(art, panelShape(size), kKeyBlack);
    return art;
}

// The colour tab pictures of the horizontal modes only give the tab's clickable size; they
// show where the colour stripe goes, on black.
QImage tabHitArea(QSize size, int upperEnd, int lowerStart) {
    QImage art = blank(size.width(), size.height(), Qt::black);
    QPainter p(&art);
    p.fillRect(QRect(0, 0, kTabStripeWidth, upperEnd), QColor(90, 96, 108));
    p.fillRect(QRect(0, lowerStart, kTabStripeWidth, size.height() - lowerStart),
               QColor(60, 64, 72));
    p.setPen(QPen(QColor(60, 64, 72), 1, Qt::DotLine));
    p.drawRect(QRect(0, 0, size.width() - 1, size.height() - 1));
    return art;
}

QImage verticalStrip() {
    QImage art = blank(28, 659, kFace);
    {
        QPainter p(&art);
        QLinearGradient g(0, 0, 28, 0);
        g.setColorAt(0, QColor(30, 33, 38));
        g.setColorAt(1, QColor(18, 20, 23));
        p.fillRect(art.rect(), g);
        p.fillRect(QRect(27, 0, 1, 659), QColor(6, 7, 8));
        p.fillRect(QRect(0, 0, 1, 659), QColor(48, 52, 60));
    }
    legend(art, QPoint(4, 138), QStringLiteral("RF"), 11, kLegend);
    legend(art, QPoint(4, 398), QStringLiteral("AF"), 11, kLegend);
    legend(art, QPoint(5, 414), QStringLiteral("dB"), 10, kLegendDim, false);
    return art;
}

QImage horizontalStripGround(int width) {
    QImage art = blank(width, 24, Qt::black);
    QPainter p(&art);
    QLinearGradient g(0, 0, 0, 24);
    g.setColorAt(0, QColor(42, 46, 54));
    g.setColorAt(1, QColor(22, 24, 28));
    p.fillRect(art.rect(), g);
    p.fillRect(QRect(0, 0, width, 1), QColor(64, 69, 78));
    p.fillRect(QRect(0, 23, width, 1), QColor(6, 7, 8));
    return art;
}

QImage horizontalStrip() {
    QImage art = horizontalStripGround(984);
    {
        QPainter p(&art);
        p.fillRect(QRect(0, 1, 1, 22), QColor(12, 13, 15));
    }
    const QColor c = kLegend;
    legend(art, QPoint(18, 6), QStringLiteral("CHANNEL"), 9, c);
    legend(art, QPoint(164, 6), QStringLiteral("FREQUENCY  /  RF LEVEL"), 9, c);
    legend(art, QPoint(489, 6), QStringLiteral("ANT"), 9, c);
    legend(art, QPoint(518, 6), QStringLiteral("AUDIO LEVEL"), 9, c);
    legend(art, QPoint(840, 6), QStringLiteral("PEAK"), 9, c);
    legend(art, QPoint(880, 6), QStringLiteral("BATTERY"), 9, c);
    return art;
}

} // namespace

PanelGeometry panelGeometry(int mode) {
    return geometryOf(mode);
}

void drawColourTab(QImage& target, QPoint at, const QImage& mask, const QColor& top,
                   const QColor& bottom) {
    QPainter p(&target);
    QLinearGradient g(0, at.y(), 0, at.y() + mask.height());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(QRect(at, mask.size()), g);
    QImage keyed = mask.convertToFormat(QImage::Format_ARGB32);
    replaceColour(keyed, kKeyWhite, Qt::transparent);
    p.drawImage(at, keyed);
}

void addPanelArt(PictureSet& pictures) {
    const std::array<int, 4> backgrounds = {kPngPanelLargeVertical, kPngPanelLargeHorizontal,
                                            kPngPanelSmallVertical, kPngPanelSmallHorizontal};
    pictures[kPngPanelLargeVertical] = largeVerticalBackground();
    pictures[kPngPanelLargeHorizontal] = largeHorizontalBackground();
    pictures[kPngPanelSmallVertical] = smallVerticalBackground();
    pictures[kPngPanelSmallHorizontal] = smallHorizontalBackground();
    pictures[kPngColourTabMask] = colourTabMask();
    pictures[kPngColourTabLargeHorizontal] = tabHitArea(QSize(160, 96), 70, 72);
    pictures[kPngColourTabSmallHorizontal] = tabHitArea(QSize(138, 83), 58, 59);

    for (int mode = 0; mode < 4; ++mode) {
        const PanelImageIds& ids = kPanelImageIds[mode];
        const MeterSizes m = meterSizes(mode);
        const bool vertical = isVertical(mode);
        pictures[ids[kSlotRfLit]] = ledBar(m.rf, vertical, rfSegments(mode), true);
        pictures[ids[kSlotRfDark]] = ledBar(m.rf, vertical, rfSegments(mode), false);
        pictures[ids[kSlotAfLit]] = ledBar(m.af, vertical, afSegments(mode), true);
        pictures[ids[kSlotAfDark]] = ledBar(m.af, vertical, afSegments(mode), false);
    }

    const QImage& lv = pictures[backgrounds[kLargeVertical]];
    addBatteries(pictures, lv, kPngBatteryLargeVertical0, QRect(0, 606, 66, 52),
                 QRectF(8, 21, 44, 22));
    const QImage& lh = pictures[backgrounds[kLargeHorizontal]];
    addBatteries(pictures, lh, kPngBatteryLargeHorizontal0, QRect(874, 22, 102, 56),
                 QRectF(14, 13, 68, 30));
    const QImage& sv = pictures[backgrounds[kSmallVertical]];
    addBatteries(pictures, sv, kPngBatterySmallVertical0, QRect(0, 198, 66, 24),
                 QRectF(9, 5, 44, 14));
    const QImage& sh = pictures[backgrounds[kSmallHorizontal]];
    addBatteries(pictures, sh, kPngBatterySmallHorizontal0, QRect(418, 26, 70, 56),
                 QRectF(10, 14, 46, 26));

    pictures[kPngStripLargeVertical] = verticalStrip();
    pictures[kPngStripLargeHorizontal] = horizontalStrip();
    pictures[kPngStripFillerLargeHorizontal] = horizontalStripGround(694);
}

} // namespace artwork
