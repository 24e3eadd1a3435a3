#pragma once

// Drawing helpers shared by the artwork generator: the palette, hard-edged shapes cut out of a
// key colour, LED bar segments and small text.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QRect>
#include <QString>

#include <map>
#include <vector>

namespace artwork {

using PictureSet = std::map<int, QImage>;

// Key colours the program looks for in the pictures.
inline const QColor kKeyRed(255, 0, 0);
inline const QColor kKeySplash(0, 128, 128);
inline const QColor kKeyBlack(0, 0, 0);
inline const QColor kKeyWhite(255, 255, 255);

// Panel and chrome palette.
inline const QColor kFace(36, 39, 45);
inline const QColor kFaceLight(64, 69, 78);
inline const QColor kFaceShadow(14, 15, 18);
inline const QColor kWellRim(70, 75, 84);
inline const QColor kLegend(150, 157, 168);
inline const QColor kLegendDim(104, 110, 120);
inline const QColor kNameStrip(24, 26, 30);
inline const QColor kMenuBody(30, 35, 46);
inline const QColor kMenuBodyLow(20, 23, 31);
inline const QColor kMenuBorder(96, 118, 160);
inline const QColor kAccent(44, 96, 210);

// A blank 32-bit picture filled with one colour.
QImage blank(int width, int height, const QColor& fill);

// Every pixel of `art` outside `shape` (filled without anti-aliasing) becomes `key`, so that the
// outline never blends into the key colour. Inside, a pixel that equals a key other than black
// is nudged off it.
void cutOut(QImage& art, const QPainterPath& shape, const QColor& key);

// Replaces every pixel of exactly `from` by `to`.
void replaceColour(QImage& image, const QColor& from, const QColor& to);

// A colour scaled towards black (factor 0 ... 1).
QColor dimmed(const QColor& colour, double factor);

// DejaVu Sans at a pixel height.
QFont sansFont(int pixelHeight, bool bold = false, double letterSpacingPercent = 100.0);
QFont monoFont(int pixelHeight, bool bold = false);

// A recessed black window with a light lower-right rim and a dark upper-left rim.
void drawWell(QImage& image, const QRectF& rect, double radius);

// A fully black rectangle (the lamps, memo and meters sit in these and are copied opaquely).
void fillBlack(QImage& image, const QRect& rect);

// Brushed-metal face: flat colour with a fixed per-line grain along the brushing direction.
void drawBrushedFace(QImage& image, const QRect& rect, bool brushedVertically, int grainSeed);

// One LED segment along a bar: `along` is the segment's extent on the bar's axis, `across`
// the bar's thickness; vertical bars run along y.
struct Segment {
    double start = 0; // from the low end of the bar, in pixels
    double end = 0;
    QColor colour;
};

// Segments lit (full colour) or unlit (dim) on black, for a bar of the given size.
QImage ledBar(const QSize& size, bool vertical, const std::vector<Segment>& segments, bool lit);

// `count` equal segments covering [from, to) with `gap` pixels between them.
std::vector<Segment> evenSegments(double from, double to, int count, double gap);

} // namespace artwork
