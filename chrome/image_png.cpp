#include "chrome/image_png.h"

#include <QFile>
#include <QPainter>

namespace tessaly {

QString pngResourcePath(int resourceId) {
    return QStringLiteral(":/png/%1.png").arg(resourceId);
}

QImage CImagePng::takeImage() {
    QImage out = std::move(image_);
    image_ = QImage();
    return out;
}

bool CImagePng::decode(const QByteArray& pngBytes) {
    release();
    QImage decoded;
    if (pngBytes.isEmpty() || !decoded.loadFromData(pngBytes, "PNG")) {
        return false;
    }
    image_ = decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return !image_.isNull();
}

bool CImagePngRes::load(int resourceId) {
    release();
    QFile file(pngResourcePath(resourceId));
    const qint64 size = file.size();
    if (size <= 0 || size > kMaxResourceBytes || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = file.read(size);
    if (bytes.size() != size) {
        return false;
    }
    return decode(bytes);
}

bool ImageSurface::load(int resourceId) {
    clear();
    CImagePngRes png;
    if (!png.load(resourceId)) {
        return false;
    }
    assign(png.takeImage());
    return true;
}

void ImageSurface::assign(const QImage& image) {
    keyedCopies_.clear();
    pixels_ = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
    if (!pixels_.isNull()) {
        size_ = pixels_.size();
    }
}

void ImageSurface::clear() {
    pixels_ = QImage();
    keyedCopies_.clear();
}

QImage& ImageSurface::editableImage() {
    keyedCopies_.clear();
    return pixels_;
}

void ImageSurface::copyTo(QPainter& painter, QPoint at) const {
    copyTo(painter, at, pixels_.rect());
}

void ImageSurface::copyTo(QPainter& painter, QPoint at, const QRect& source) const {
    if (pixels_.isNull()) {
        return;
    }
    const auto mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(at, pixels_, source);
    painter.setCompositionMode(mode);
}

void ImageSurface::copyKeyedTo(QPainter& painter, QPoint at, QRgb key) const {
    copyKeyedTo(painter, at, pixels_.rect(), key);
}

void ImageSurface::copyKeyedTo(QPainter& painter, QPoint at, const QRect& source, QRgb key) const {
    if (pixels_.isNull()) {
        return;
    }
    const auto mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(at, keyed(key), source);
    painter.setCompositionMode(mode);
}

const QImage& ImageSurface::keyed(QRgb key) const {
    const QRgb rgb = key | 0xFF000000u;
    for (const KeyedCopy& copy : keyedCopies_) {
        if (copy.key == rgb) {
            return copy.image;
        }
    }
    keyedCopies_.push_back({rgb, colourKeyedImage(pixels_, rgb)});
    return keyedCopies_.back().image;
}

QImage colourKeyedImage(const QImage& image, QRgb key) {
    if (image.isNull()) {
        return {};
    }
    // Fully opaque or fully transparent pixels are the same in premultiplied form.
    QImage out = image.convertToFormat(QImage::Format_RGB32)
                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QRgb rgb = key | 0xFF000000u;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            line[x] = (line[x] | 0xFF000000u) == rgb ? 0u : (line[x] | 0xFF000000u);
        }
    }
    return out;
}

} // namespace tessaly
