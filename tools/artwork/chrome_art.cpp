#include "chrome_art.h"

#include "resources/resource_ids.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

#include <cmath>

namespace artwork {
namespace {

using namespace tessaly;

constexpr int kBarHeight = 70;
constexpr int kBarMenuRowEnd = 35; // the divider between the menu titles and the monitor row
constexpr double kMenuRadius = 5.0;

QColor mix(const QColor& a, const QColor& b, double t) {
    return QColor(int(a.red() + (b.red() - a.red()) * t + 0.5),
                  int(a.green() + (b.green() - a.green()) * t + 0.5),
                  int(a.blue() + (b.blue() - a.blue()) * t + 0.5));
}

QColor barRowColour(int y) {
    if (y == 0) {
        return QColor(78, 84, 96);
    }
    if (y < kBarMenuRowEnd) {
        return mix(QColor(48, 52, 61), QColor(30, 33, 39), double(y - 1) / (kBarMenuRowEnd - 2));
    }
    if (y == kBarMenuRowEnd) {
        return QColor(11, 12, 15);
    }
    if (y == kBarMenuRowEnd + 1) {
        return QColor(54, 59, 68);
    }
    if (y < kBarHeight - 2) {
        return mix(QColor(29, 32, 37), QColor(18, 20, 24),
                   double(y - kBarMenuRowEnd - 2) / (kBarHeight - kBarMenuRowEnd - 4));
    }
    if (y == kBarHeight - 2) {
        return QColor(8, 9, 11);
    }
    return kAccent;
}

// The mark of the product: five LED bars rising from green to red.
void drawBarsMark(QPainter& p, const QRectF& box, bool mono) {
    const QColor colours[5] = {QColor(60, 220, 90), QColor(60, 220, 90), QColor(150, 225, 60),
                               QColor(250, 200, 40), QColor(245, 70, 55)};
    const double w = box.width() / 5.0;
    for (int i = 0; i < 5; ++i) {
        const double h = box.height() * (0.36 + 0.16 * i);
        const QRectF bar(box.left() + i * w, box.bottom() - h, w - 1.5, h);
        p.fillRect(bar, mono ? QColor(20, 20, 20) : colours[i]);
    }
}

void drawCentredText(QImage& image, const QString& text, const QFont& font, const QColor& colour,
                     const QColor& shadow = QColor()) {
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(font);
    if (shadow.isValid()) {
        p.setPen(shadow);
        p.drawText(image.rect().translated(1, 1), Qt::AlignCenter, text);
    }
    p.setPen(colour);
    p.drawText(image.rect(), Qt::AlignCenter, text);
}

struct MenuShape {
    QSize size;
    int tabWidth = 0; // 0: a plain box (the cascading sub-menus)
    int bodyTop = 0;
    std::vector<int> separators;
};

QImage menuBackground(const MenuShape& m) {
    const int w = m.size.width();
    const int h = m.size.height();
    // The picture's last column never belongs to the window's shape, so the body stops before it.
    const double right = w - 1;
    QPainterPath shape;
    if (m.tabWidth > 0) {
        QPainterPath tab;
        tab.addRoundedRect(QRectF(0, 0, m.tabWidth, m.bodyTop + 2 * kMenuRadius), kMenuRadius,
                           kMenuRadius);
        QPainterPath body;
        body.addRoundedRect(QRectF(0, m.bodyTop, right, h - m.bodyTop), kMenuRadius, kMenuRadius);
        shape = tab.united(body).simplified();
    } else {
        shape.addRoundedRect(QRectF(0, 0, right, h), kMenuRadius, kMenuRadius);
    }

    QImage art = blank(w, h, kMenuBody);
    {
        QPainter p(&art);
        QLinearGradient body(0, m.bodyTop, 0, h);
        body.setColorAt(0, kMenuBody);
        body.setColorAt(1, kMenuBodyLow);
        p.fillRect(QRect(0, m.bodyTop, w, h - m.bodyTop), body);
        if (m.tabWidth > 0) {
            QLinearGradient tab(0, 0, 0, m.bodyTop);
            tab.setColorAt(0, QColor(54, 66, 94));
            tab.setColorAt(1, kMenuBody);
            p.fillRect(QRect(0, 0, m.tabWidth, m.bodyTop), tab);
        }
        for (int y : m.separators) {
            p.fillRect(QRect(10, y, w - 22, 1), QColor(12, 14, 19));
            p.fillRect(QRect(10, y + 1, w - 22, 1), QColor(56, 64, 82));
        }
        p.setRenderHint(QPainter::Antialiasing, true);
        // A soft inner glow along the rim, then the rim itself.
        p.setPen(QPen(QColor(58, 68, 92), 3.0));
        p.drawPath(shape);
        p.setPen(QPen(kMenuBorder, 1.6));
        p.drawPath(shape);
    }
    cutOut(art, shape, kKeyRed);
    return art;
}

QImage buttonFace(const QColor& top, const QColor& bottom, const QColor& rim) {
    QImage art = blank(60, 28, Qt::black);
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF outer(0.5, 0.5, 59, 27);
    p.setPen(QPen(QColor(6, 7, 8), 1.0));
    QLinearGradient g(0, 0, 0, 28);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setBrush(g);
    p.drawRoundedRect(outer, 6, 6);
    // Gloss over the upper half and a lit inner rim.
    QLinearGradient gloss(0, 1, 0, 14);
    gloss.setColorAt(0, QColor(255, 255, 255, 70));
    gloss.setColorAt(1, QColor(255, 255, 255, 8));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawRoundedRect(QRectF(2, 1.5, 56, 12), 5, 5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(rim, 1.0));
    p.drawRoundedRect(QRectF(1.5, 1.5, 57, 25), 5, 5);
    return art;
}

QImage caption(const QString& text, const QColor& colour, bool shadow) {
    QImage art = blank(60, 28, Qt::black);
    drawCentredText(art, text, sansFont(13, true), colour, shadow ? QColor(18, 18, 18) : QColor());
    return art;
}

QImage monitorLabel() {
    QImage art = blank(52, 18, Qt::black);
    // The largest size at which the word fits the picture with a pixel to spare each side.
    QFont font = sansFont(13);
    while (font.pixelSize() > 8 &&
           QFontMetrics(font).horizontalAdvance(QStringLiteral("Monitor")) > art.width() - 2) {
        font.setPixelSize(font.pixelSize() - 1);
    }
    drawCentredText(art, QStringLiteral("Monitor"), font, QColor(200, 208, 222));
    return art;
}

QImage subMenuArrow() {
    QImage art = blank(5, 9, Qt::black);
    for (int c = 0; c < 5; ++c) {
        for (int r = c; r <= 8 - c; ++r) {
            art.setPixel(c, r, qRgb(226, 232, 244));
        }
    }
    return art;
}

QImage barLogo() {
    QImage art = barBackground(280).copy(0, 0, 280, 34);
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    drawBarsMark(p, QRectF(96, 8, 22, 18), false);
    p.setFont(sansFont(19, true, 112));
    p.setPen(QColor(232, 236, 244));
    p.drawText(QRect(126, 1, 146, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TESSALY"));
    p.setFont(sansFont(8, false, 118));
    p.setPen(QColor(136, 146, 164));
    p.drawText(QRect(127, 22, 150, 11), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("RECEIVER MONITOR"));
    return art;
}

QImage configLogo() {
    QImage art = blank(210, 32, Qt::white);
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    drawBarsMark(p, QRectF(8, 6, 22, 20), true);
    p.setFont(sansFont(21, true, 110));
    p.setPen(Qt::black);
    p.drawText(QRect(38, 0, 170, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TESSALY"));
    p.setFont(sansFont(8, false, 115));
    p.drawText(QRect(39, 21, 170, 10), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("WIRELESS RECEIVER MONITOR"));
    return art;
}

QImage applicationIcon() {
    return applicationIconAt(kIconUnits);
}

} // namespace

void drawApplicationIcon(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient g(0, 0, 0, kIconUnits);
    g.setColorAt(0, QColor(52, 58, 70));
    g.setColorAt(1, QColor(16, 18, 22));
    p.setBrush(g);
    p.setPen(QPen(kAccent, 2.0));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    p.setBrush(Qt::black);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(10, 14, 44, 40), 4, 4);
    drawBarsMark(p, QRectF(14, 18, 38, 32), false);
}

QImage applicationIconAt(int pixels) {
    QImage art(pixels, pixels, QImage::Format_ARGB32);
    art.fill(Qt::transparent);
    QPainter p(&art);
    p.scale(double(pixels) / kIconUnits, double(pixels) / kIconUnits);
    drawApplicationIcon(p);
    return art;
}

QImage barBackground(int width) {
    QImage art = blank(width, kBarHeight, Qt::black);
    for (int y = 0; y < kBarHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(art.scanLine(y));
        const QRgb c = barRowColour(y).rgb();
        for (int x = 0; x < width; ++x) {
            line[x] = c;
        }
    }
    return art;
}

void addChromeArt(PictureSet& pictures) {
    pictures[kBmpBarBackground] = barBackground(690);
    pictures[kBmpBarLogo] = barLogo();
    pictures[kBmpConfigLogo] = configLogo();
    pictures[kIconApplication] = applicationIcon();

    // Title tabs are as wide as the bar's title hit areas (46 pixels); separators fall in the
    // gaps between the item groups.
    pictures[kPngMenuFile] = menuBackground({QSize(164, 214), 46, 34, {95, 129, 182}});
    pictures[kPngMenuView] = menuBackground({QSize(176, 221), 46, 36, {124}});
    pictures[kPngMenuHelp] = menuBackground({QSize(140, 131), 46, 36, {}});
    pictures[kPngMenuSubHV] = menuBackground({QSize(119, 65), 0, 0, {}});
    pictures[kPngMenuSubSL] = menuBackground({QSize(80, 65), 0, 0, {}});
    pictures[kPngMenuPanel] = menuBackground({QSize(200, 172), 0, 0, {33, 138}});
    pictures[kPngSubMenuArrow] = subMenuArrow();

    pictures[kPngButtonReady] =
        buttonFace(QColor(82, 200, 104), QColor(18, 104, 38), QColor(140, 235, 150, 90));
    pictures[kPngButtonUnavailable] =
        buttonFace(QColor(74, 78, 86), QColor(34, 36, 40), QColor(120, 124, 132, 70));
    pictures[kPngButtonRunning] =
        buttonFace(QColor(236, 84, 70), QColor(136, 18, 18), QColor(255, 160, 150, 90));
    pictures[kPngCaptionStart] = caption(QStringLiteral("Start"), Qt::white, true);
    pictures[kPngCaptionStop] = caption(QStringLiteral("Stop"), Qt::white, true);
    pictures[kPngCaptionStartGrey] = caption(QStringLiteral("Start"), QColor(128, 128, 128), false);
    pictures[kPngMonitorLabel] = monitorLabel();
}

} // namespace artwork
