#pragma once

#include <QImage>
#include <QRegion>
#include <QRgb>

namespace tessaly {

// The window shape cut out of a picture: row by row, every run of pixels that are not the
// outside colour becomes a one-row rectangle. A run is also ended by the last column, which is
// therefore never part of the shape; the skins are drawn with that in mind.
QRegion rowRunRegion(const QImage& picture, QRgb outside);

} // namespace tessaly
