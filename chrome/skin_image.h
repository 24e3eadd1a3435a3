#pragma once

#include "chrome/image_png.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRgb>

class QPainter;

namespace tessaly {

// Loads a skin picture from the program's resources (CImagePngRes) as 32-bit pixels; a missing
// or undecodable picture gives a null image, from which drawing draws nothing.
QImage loadSkinImage(int id);

// The picture with every pixel of `key` made fully transparent and every other pixel opaque,
// so that drawing it over something is the colour-keyed copy.
QImage colourKeyed(const QImage& image, QRgb key);

// Opaque copy: the source pixels replace the destination's, alpha ignored.
void copyOpaque(QPainter& painter, QPoint at, const QImage& source);
void copyOpaque(QPainter& painter, QPoint at, const QImage& source, const QRect& sourceRect);

// Colour-keyed copy of a picture made by colourKeyed().
void copyKeyed(QPainter& painter, QPoint at, const QImage& keyedSource);

constexpr QRgb kKeyBlack = kKeyColourBlack;
constexpr QRgb kKeyMenuOutside = kKeyColourMenuOutside;
constexpr QRgb kKeySplashOutside = kKeyColourSplashOutside;

} // namespace tessaly
