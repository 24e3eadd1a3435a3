#include "monitor/panel_images.h"

#include "chrome/image_png.h"

namespace tessaly {

namespace {
constexpr QSize kUnloadedSlotSize(100, 100);
}

QImage loadPanelPng(int id) {
    CImagePngRes png;
    if (!png.load(id)) {
        return {};
    }
    return png.takeImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage colourKeyedCopy(const QImage& image, QRgb key) {
    QImage keyed = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb keyColour = key & 0x00FFFFFF;
    for (int y = 0; y < keyed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x) {
            line[x] = (line[x] & 0x00FFFFFF) == keyColour ? 0 : (line[x] | 0xFF000000);
        }
    }
    return keyed.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void blitOpaque(QImage& target, QPoint at, const QImage& source, QRect part) {
    part &= source.rect();
    QRect destination(at, part.size());
    destination &= target.rect();
    if (destination.isEmpty() || target.depth() != 32 || source.depth() != 32) {
        return;
    }
    part = QRect(part.topLeft() + (destination.topLeft() - at), destination.size());
    const int width = destination.width();
    for (int row = 0; row < destination.height(); ++row) {
        const auto* from =
            reinterpret_cast<const QRgb*>(source.constScanLine(part.top() + row)) + part.left();
        auto* to =
            reinterpret_cast<QRgb*>(target.scanLine(destination.top() + row)) + destination.left();
        for (int x = 0; x < width; ++x) {
            to[x] = from[x] | 0xFF000000;
        }
    }
}

CPanelImages::CPanelImages(PanelPngLoader loader) : loader_(std::move(loader)) {
    sizes_.fill(kUnloadedSlotSize);
}

void CPanelImages::load(int layoutMode) {
    const PanelImageIds& ids = kPanelImageIds[static_cast<size_t>(layoutMode)];
    for (size_t slot = 0; slot < ids.size(); ++slot) {
        images_[slot] = QImage();
        keyed_[slot] = QImage();
        if (ids[slot] == kNoImage) {
            continue;
        }
        QImage loaded = loader_ ? loader_(ids[slot]) : QImage();
        if (loaded.isNull()) {
            continue;
        }
        if (loaded.format() != QImage::Format_ARGB32_Premultiplied) {
            loaded = loaded.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        }
        sizes_[slot] = loaded.size();
        images_[slot] = std::move(loaded);
    }
}

const QImage& CPanelImages::keyed(int slot, QRgb key) {
    const auto index = static_cast<size_t>(slot);
    if (keyed_[index].isNull() || keyedWith_[index] != key) {
        keyed_[index] = images_[index].isNull() ? QImage() : colourKeyedCopy(images_[index], key);
        keyedWith_[index] = key;
    }
    return keyed_[index];
}

} // namespace tessaly
