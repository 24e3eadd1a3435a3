#include "art_kit.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace artwork {

QImage blank(int width, int height, const QColor& fill) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(fill);
    return image;
}

void cutOut(QImage& art, const QPainterPath& shape, const QColor& key) {
    QImage mask(art.size(), QImage::Format_ARGB32);
    mask.fill(Qt::black);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillPath(shape, Qt::white);
    }
    const QRgb keyRgb = key.rgb();
    for (int y = 0; y < art.height(); ++y) {
        const auto* m = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        auto* a = reinterpret_cast<QRgb*>(art.scanLine(y));
        for (int x = 0; x < art.width(); ++x) {
            if (qRed(m[x]) < 128) {
                a[x] = keyRgb;
            } else if (keyRgb != kKeyBlack.rgb() && (a[x] | 0xFF000000u) == keyRgb) {
                // A drawn pixel that happens to equal the key would punch a hole; nudge it.
                // Black-keyed panels are drawn over black, so their black may stay.
                a[x] = qRgb(qRed(keyRgb) ^ 1, qGreen(keyRgb), qBlue(keyRgb) ^ 1);
            }
        }
    }
}

void replaceColour(QImage& image, const QColor& from, const QColor& to) {
    const QRgb f = from.rgb();
    const QRgb t = to.rgba();
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] | 0xFF000000u) == f) {
                line[x] = t;
            }
        }
    }
}

QColor dimmed(const QColor& colour, double factor) {
    return QColor(std::clamp(int(colour.red() * factor + 0.5), 0, 255),
                  std::clamp(int(colour.green() * factor + 0.5), 0, 255),
                  std::clamp(int(colour.blue() * factor + 0.5), 0, 255));
}

QFont sansFont(int pixelHeight, bool bold, double letterSpacingPercent) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setLetterSpacing(QFont::PercentageSpacing, letterSpacingPercent);
    return font;
}

QFont monoFont(int pixelHeight, bool bold) {
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

void drawWell(QImage& image, const QRectF& rect, double radius) {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    // The rim: light at the lower right, dark at the upper left, as if cut into the face.
    p.setPen(Qt::NoPen);
    p.setBrush(kWellRim);
    p.drawRoundedRect(rect.adjusted(0, 0, 1, 1), radius + 1, radius + 1);
    p.setBrush(kFaceShadow);
    p.drawRoundedRect(rect.adjusted(-1, -1, 0, 0), radius + 1, radius + 1);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::black);
    QPainterPath inner;
    inner.addRoundedRect(rect, radius, radius);
    p.drawPath(inner);
}

void fillBlack(QImage& image, const QRect& rect) {
    QPainter p(&image);
    p.fillRect(rect, Qt::black);
}

namespace {
int grain(int seed, int index) {
    uint32_t h = uint32_t(seed) * 2654435761u ^ uint32_t(index) * 2246822519u;
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    return int(h % 5) - 2;
}
} // namespace

void drawBrushedFace(QImage& image, const QRect& rect, bool brushedVertically, int grainSeed) {
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) {
            const int g = grain(grainSeed, brushedVertically ? x - rect.left() : y - rect.top());
            line[x] = qRgb(kFace.red() + g, kFace.green() + g, kFace.blue() + g);
        }
    }
}

QImage ledBar(const QSize& size, bool vertical, const std::vector<Segment>& segments, bool lit) {
    QImage image = blank(size.width(), size.height(), Qt::black);
    const int length = vertical ? size.height() : size.width();
    const int thickness = vertical ? size.width() : size.height();
    for (const Segment& s : segments) {
        const int a = std::clamp(int(std::lround(s.start)), 0, length);
        const int b = std::clamp(int(std::lround(s.end)), 0, length);
        for (int along = a; along < b; ++along) {
            for (int t = 0; t < thickness; ++t) {
                const double shape = std::sin(M_PI * (t + 0.5) / thickness);
                const double shade = 0.62 + 0.38 * shape;
                QColor c;
                if (lit) {
                    const double core = 0.30 * std::pow(shape, 8.0);
                    c = QColor(std::clamp(int(s.colour.red() * shade + 255 * core), 0, 255),
                               std::clamp(int(s.colour.green() * shade + 255 * core), 0, 255),
                               std::clamp(int(s.colour.blue() * shade + 255 * core), 0, 255));
                } else {
                    c = dimmed(s.colour, 0.20 * shade + 0.04);
                }
                const int x = vertical ? t : along;
                const int y = vertical ? size.height() - 1 - along : t;
                image.setPixel(x, y, c.rgb());
            }
        }
    }
    return image;
}

std::vector<Segment> evenSegments(double from, double to, int count, double gap) {
    std::vector<Segment> out;
    const double pitch = (to - from) / count;
    for (int i = 0; i < count; ++i) {
        Segment s;
        s.start = from + i * pitch;
        s.end = from + (i + 1) * pitch - gap;
        out.push_back(s);
    }
    return out;
}

} // namespace artwork
