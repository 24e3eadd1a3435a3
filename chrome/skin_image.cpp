#include "chrome/skin_image.h"

#include "chrome/image_png.h"

#include <QPainter>

namespace tessaly {

QImage loadSkinImage(int id) {
    CImagePngRes png;
    if (!png.load(id)) {
        return {};
    }
    return png.takeImage().convertToFormat(QImage::Format_ARGB32);
}

QImage colourKeyed(const QImage& image, QRgb key) {
    return colourKeyedImage(image, key);
}

void copyOpaque(QPainter& painter, QPoint at, const QImage& source) {
    copyOpaque(painter, at, source, source.rect());
}

void copyOpaque(QPainter& painter, QPoint at, const QImage& source, const QRect& sourceRect) {
    if (source.isNull()) {
        return;
    }
    const auto mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(at,
                      source.format() == QImage::Format_RGB32
                          ? source
                          : source.convertToFormat(QImage::Format_RGB32),
                      sourceRect);
    painter.setCompositionMode(mode);
}

void copyKeyed(QPainter& painter, QPoint at, const QImage& keyedSource) {
    if (keyedSource.isNull()) {
        return;
    }
    const auto mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(at, keyedSource);
    painter.setCompositionMode(mode);
}

} // namespace tessaly
