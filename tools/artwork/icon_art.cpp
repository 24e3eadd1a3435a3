#include "icon_art.h"

#include "resources/resource_ids.h"

#include <QPainter>
#include <QRadialGradient>

namespace artwork {
namespace {

using namespace tessaly;

enum class Lamp { Off, Green, Red };

struct LampColours {
    QColor core, body, edge, rim;
};

LampColours lampColours(Lamp lamp) {
    switch (lamp) {
    case Lamp::Green:
        return {QColor(205, 255, 205), QColor(52, 214, 84), QColor(10, 108, 34),
                QColor(30, 80, 40)};
    case Lamp::Red:
        return {QColor(255, 214, 200), QColor(240, 56, 44), QColor(128, 12, 10),
                QColor(92, 30, 28)};
    case Lamp::Off:
        break;
    }
    return {QColor(58, 62, 70), QColor(34, 37, 42), QColor(22, 24, 28), QColor(118, 123, 133)};
}

QImage roundLamp(Lamp lamp) {
    const LampColours c = lampColours(lamp);
    QImage art = blank(14, 14, Qt::black);
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(c.rim, 1.2));
    QRadialGradient g(QPointF(6.0, 5.5), 7.0, QPointF(5.6, 5.0));
    g.setColorAt(0, c.core);
    g.setColorAt(0.45, c.body);
    g.setColorAt(1, c.edge);
    p.setBrush(g);
    p.drawEllipse(QRectF(1.1, 1.1, 11.8, 11.8));
    // A small specular highlight makes the lens read as glass.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, lamp == Lamp::Off ? 40 : 110));
    p.drawEllipse(QRectF(4.0, 3.2, 3.2, 2.2));
    return art;
}

QImage flatLamp(Lamp lamp) {
    const LampColours c = lampColours(lamp);
    QImage art = blank(14, 12, Qt::black);
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(c.rim, 1.0));
    QRadialGradient g(QPointF(7.0, 5.0), 8.0, QPointF(6.5, 4.5));
    g.setColorAt(0, c.core);
    g.setColorAt(0.5, c.body);
    g.setColorAt(1, c.edge);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(1.5, 1.5, 11, 9), 2.5, 2.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, lamp == Lamp::Off ? 30 : 90));
    p.drawRoundedRect(QRectF(3.5, 2.5, 7, 2), 1, 1);
    return art;
}

QImage memo(bool present) {
    QImage art = blank(16, 16, Qt::black);
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath sheet;
    sheet.moveTo(2.5, 1.5);
    sheet.lineTo(10.5, 1.5);
    sheet.lineTo(13.5, 4.5);
    sheet.lineTo(13.5, 14.5);
    sheet.lineTo(2.5, 14.5);
    sheet.closeSubpath();
    if (present) {
        p.setPen(QPen(QColor(150, 110, 30), 1.0));
        p.setBrush(QColor(250, 216, 112));
        p.drawPath(sheet);
        p.setBrush(QColor(200, 160, 70));
        p.setPen(Qt::NoPen);
        QPainterPath fold;
        fold.moveTo(10.5, 1.5);
        fold.lineTo(10.5, 4.5);
        fold.lineTo(13.5, 4.5);
        fold.closeSubpath();
        p.drawPath(fold);
        p.setRenderHint(QPainter::Antialiasing, false);
        for (int y : {6, 9, 12}) {
            p.fillRect(QRect(5, y, y == 12 ? 4 : 6, 1), QColor(120, 84, 24));
        }
    } else {
        p.setPen(QPen(QColor(86, 92, 102), 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawPath(sheet);
        p.setRenderHint(QPainter::Antialiasing, false);
        for (int y : {6, 9, 12}) {
            p.fillRect(QRect(5, y, y == 12 ? 4 : 6, 1), QColor(62, 66, 74));
        }
    }
    return art;
}

QImage warning(int width, int height) {
    QImage art = blank(width, height, Qt::black);
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing, true);
    const double side = std::min(double(width) - 2.0, (height - 2.0) * 2.0 / 1.732);
    const double triH = side * 0.866;
    const double left = (width - side) / 2.0;
    const double top = (height - triH) / 2.0;
    QPainterPath tri;
    tri.moveTo(left + side / 2.0, top);
    tri.lineTo(left + side, top + triH);
    tri.lineTo(left, top + triH);
    tri.closeSubpath();
    QLinearGradient g(0, top, 0, top + triH);
    g.setColorAt(0, QColor(255, 222, 90));
    g.setColorAt(1, QColor(238, 150, 16));
    p.setPen(QPen(QColor(120, 70, 8), std::max(1.0, side / 22.0), Qt::SolidLine, Qt::RoundCap,
                  Qt::RoundJoin));
    p.setBrush(g);
    p.drawPath(tri);
    // The exclamation mark, never pure black so it is not punched out by the key.
    const QColor ink(34, 22, 4);
    const double cx = left + side / 2.0;
    const double barW = std::max(2.0, side * 0.10);
    const double barTop = top + triH * 0.32;
    const double barBottom = top + triH * 0.70;
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRoundedRect(QRectF(cx - barW / 2, barTop, barW, barBottom - barTop), barW / 3, barW / 3);
    p.drawEllipse(QPointF(cx, top + triH * 0.83), barW * 0.6, barW * 0.6);
    return art;
}

} // namespace

void addIconArt(PictureSet& pictures) {
    pictures[kPngLampOff] = roundLamp(Lamp::Off);
    pictures[kPngLampGreen] = roundLamp(Lamp::Green);
    pictures[kPngLampRed] = roundLamp(Lamp::Red);
    pictures[kPngLampOffFlat] = flatLamp(Lamp::Off);
    pictures[kPngLampGreenFlat] = flatLamp(Lamp::Green);
    pictures[kPngLampRedFlat] = flatLamp(Lamp::Red);
    pictures[kPngMemoPresent] = memo(true);
    pictures[kPngMemoAbsent] = memo(false);
    pictures[kPngWarningSmall] = warning(30, 24);
    pictures[kPngWarningLarge] = warning(48, 48);
    pictures[kPngWarningWide] = warning(42, 40);
}

} // namespace artwork
