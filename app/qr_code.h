#pragma once

#include <QImage>
#include <QString>

namespace tessaly {

// A QR code of `text` (UTF-8, error correction level M) drawn by libqrencode: black modules on
// white, `modulePixels` square each, with the four-module quiet zone the readers need. A null
// image when the text does not fit in a QR code.
QImage qrCodeImage(const QString& text, int modulePixels);

// The number of modules on one side of the code (21 for version 1, 4 more per version); 0 when
// the text does not fit.
int qrCodeModules(const QString& text);

} // namespace tessaly
