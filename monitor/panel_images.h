#pragma once

#include "resources/resource_ids.h"

#include <QImage>
#include <QRgb>
#include <QSize>

#include <array>
#include <functional>

namespace tessaly {

// Gives the decoded picture of a resource id, or a null image when there is none. Tests install
// their own to draw with pictures of known pixels.
using PanelPngLoader = std::function<QImage(int id)>;

// The program's artwork, ":/png/<id>.png".
QImage loadPanelPng(int id);

// The picture with every pixel of `key` fully transparent and every other pixel opaque, so that
// drawing it over something is a colour-keyed copy.
QImage colourKeyedCopy(const QImage& image, QRgb key);

// Opaque copy of `part` of `source` to `at` in `target`, clipped to both pictures; both are
// 32-bit pictures. Copies rows straight, without a painter: meters are tall and narrow, and a
// painter's cost per row would dominate.
void blitOpaque(QImage& target, QPoint at, const QImage& source, QRect part);

// The 19 pictures a receiver panel is drawn from, loaded anew for a layout mode.
class CPanelImages {
public:
    explicit CPanelImages(PanelPngLoader loader = loadPanelPng);

    // Releases the pictures of the previous mode and loads those of `layoutMode`. A picture that
    // cannot be loaded leaves its slot empty with the size it had before (100 x 100 at first).
    void load(int layoutMode);

    bool has(int slot) const { return !images_[static_cast<size_t>(slot)].isNull(); }
    const QImage& image(int slot) const { return images_[static_cast<size_t>(slot)]; }
    QImage& image(int slot) { return images_[static_cast<size_t>(slot)]; }
    QSize size(int slot) const { return sizes_[static_cast<size_t>(slot)]; }

    // Colour-keyed form of a slot, made on request and kept until the next load or refresh.
    const QImage& keyed(int slot, QRgb key);

private:
    PanelPngLoader loader_;
    std::array<QImage, kPanelSlotCount> images_;
    std::array<QImage, kPanelSlotCount> keyed_;
    std::array<QRgb, kPanelSlotCount> keyedWith_{};
    std::array<QSize, kPanelSlotCount> sizes_;
};

} // namespace tessaly
