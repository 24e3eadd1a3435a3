#include "splash_art.h"

#include "resources/resource_ids.h"

#include <QLinearGradient>
#include <QPainter>

#include <cmath>

namespace artwork {
namespace {

const QSize kSplashSize(834, 484);
const QRect kVersionArea(700, 194, 80, 66); // written by the program, 64 px bold
const QPoint kYearAt(425, 293);             // written by the program, 16 px bold
const QColor kYearColour(154, 160, 169);
constexpr int kBodyTop = 18;

QPainterPath splashShape() {
    // The last column never belongs to the window, so the body ends one pixel short.
    QPainterPath body;
    body.addRoundedRect(
        QRectF(0, kBodyTop, kSplashSize.width() - 1, kSplashSize.height() - kBodyTop), 18, 18);
    QPainterPath tab;
    tab.addRoundedRect(QRectF(34, 0, 300, 60), 10, 10);
    return body.united(tab).simplified();
}

// A bank of channel meters, as the monitor shows them, at assorted levels.
void drawMeterBank(QPainter& p, const QRect& well) {
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRoundedRect(well, 6, 6);
    const int count = 12;
    const double levels[count] = {0.62, 0.78, 0.55, 0.93, 0.70, 0.40,
                                  0.84, 0.66, 0.74, 0.50, 0.88, 0.58};
    const int barW = 12;
    const int pitch = (well.width() - 32) / count;
    const int barH = well.height() - 44;
    for (int i = 0; i < count; ++i) {
        std::vector<Segment> segments = evenSegments(0, barH, 34, 2.0);
        for (size_t k = 0; k < segments.size(); ++k) {
            const double f = double(k) / segments.size();
            segments[k].colour = f < 0.62   ? QColor(72, 232, 92)
                                 : f < 0.85 ? QColor(255, 206, 36)
                                            : QColor(255, 62, 48);
        }
        const QImage lit = ledBar(QSize(barW, barH), true, segments, true);
        const QImage dark = ledBar(QSize(barW, barH), true, segments, false);
        const int x = well.left() + 16 + i * pitch + (pitch - barW) / 2;
        const int y = well.top() + 18;
        const int litRows = int(barH * levels[i]);
        p.drawImage(x, y, lit);
        p.drawImage(QPoint(x, y), dark, QRect(0, 0, barW, barH - litRows));
        p.fillRect(QRect(x + 2, y + barH + 8, barW - 4, 3),
                   i % 3 == 1 ? QColor(255, 62, 48) : QColor(60, 200, 90));
    }
}

// An RF spectrum across the bottom: the noise floor and the carriers of a few receivers.
void drawSpectrum(QPainter& p, const QRect& area) {
    p.setPen(QPen(QColor(36, 42, 54), 1));
    for (int i = 0; i <= 12; ++i) {
        const int x = area.left() + area.width() * i / 12;
        p.drawLine(x, area.top(), x, area.bottom());
    }
    for (int i = 0; i <= 4; ++i) {
        const int y = area.top() + area.height() * i / 4;
        p.drawLine(area.left(), y, area.right(), y);
    }
    const double carriers[] = {0.08, 0.19, 0.27, 0.41, 0.48, 0.63, 0.71, 0.86, 0.93};
    QPainterPath trace;
    for (int x = 0; x <= area.width(); ++x) {
        const double u = double(x) / area.width();
        double level = 0.08 + 0.03 * std::sin(u * 97.0) * std::sin(u * 31.0);
        for (double c : carriers) {
            level += 0.78 * std::exp(-std::pow((u - c) * 140.0, 2.0)) *
                     (0.75 + 0.25 * std::cos(c * 40.0));
        }
        const QPointF pt(area.left() + x, area.bottom() - level * area.height());
        if (x == 0) {
            trace.moveTo(pt);
        } else {
            trace.lineTo(pt);
        }
    }
    QPainterPath fill = trace;
    fill.lineTo(area.right(), area.bottom());
    fill.lineTo(area.left(), area.bottom());
    fill.closeSubpath();
    QLinearGradient g(0, area.top(), 0, area.bottom());
    g.setColorAt(0, QColor(40, 196, 255, 150));
    g.setColorAt(1, QColor(40, 196, 255, 10));
    p.fillPath(fill, g);
    p.setPen(QPen(QColor(120, 220, 255), 1.3));
    p.drawPath(trace);
}

QImage splash() {
    QImage art = blank(kSplashSize.width(), kSplashSize.height(), QColor(20, 23, 29));
    const QPainterPath shape = splashShape();
    {
        QPainter p(&art);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setRenderHint(QPainter::TextAntialiasing, true);
        QLinearGradient ground(0, 0, 0, kSplashSize.height());
        ground.setColorAt(0, QColor(34, 39, 50));
        ground.setColorAt(0.55, QColor(18, 21, 27));
        ground.setColorAt(1, QColor(10, 11, 14));
        p.fillRect(art.rect(), ground);

        // Tab with the product line.
        p.setFont(sansFont(12, true, 130));
        p.setPen(QColor(170, 182, 204));
        p.drawText(QRect(34, 0, 300, kBodyTop + 2), Qt::AlignCenter,
                   QStringLiteral("WIRELESS RECEIVER MONITOR"));

        drawMeterBank(p, QRect(40, 58, 300, 218));

        p.setFont(sansFont(76, true, 104));
        p.setPen(QColor(238, 242, 250));
        p.drawText(QRect(372, 64, 440, 96), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("TESSALY"));
        p.setFont(sansFont(17, false));
        p.setPen(QColor(150, 162, 182));
        p.drawText(QRect(376, 160, 440, 24), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Monitoring and configuration for"));
        p.drawText(QRect(376, 182, 440, 24), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("up to 60 wireless microphone receivers"));

        // "Version" sits on the baseline of the number the program writes beside it.
        p.setFont(sansFont(16, true));
        p.setPen(QColor(150, 162, 182));
        p.drawText(QRect(560, 232, kVersionArea.left() - 12 - 560, 20),
                   Qt::AlignRight | Qt::AlignBottom, QStringLiteral("Version"));

        QLinearGradient rule(372, 0, 800, 0);
        rule.setColorAt(0, QColor(44, 96, 210));
        rule.setColorAt(1, QColor(44, 96, 210, 0));
        p.fillRect(QRect(372, 276, 428, 2), rule);

        p.setFont(sansFont(16, true));
        p.setPen(kYearColour);
        p.drawText(QRect(200, kYearAt.y(), kYearAt.x() - 6 - 200, 20),
                   Qt::AlignRight | Qt::AlignTop, QStringLiteral("Copyright \u00A9"));
        p.drawText(QRect(kYearAt.x() + 48, kYearAt.y(), 300, 20), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("Brevant"));

        drawSpectrum(p, QRect(40, 340, 754, 112));
        p.setFont(sansFont(10, false, 110));
        p.setPen(QColor(96, 106, 122));
        p.drawText(QRect(40, 456, 200, 14), Qt::AlignLeft, QStringLiteral("470 MHz"));
        p.drawText(QRect(594, 456, 200, 14), Qt::AlignRight, QStringLiteral("790 MHz"));

        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(30, 36, 48), 5.0));
        p.drawPath(shape);
        p.setPen(QPen(QColor(92, 116, 164), 2.0));
        p.drawPath(shape);
    }
    cutOut(art, shape, kKeySplash);
    return art;
}

} // namespace

void addSplashArt(PictureSet& pictures) {
    pictures[tessaly::kPngSplash] = splash();
}

} // namespace artwork
