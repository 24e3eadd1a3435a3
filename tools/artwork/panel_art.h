#pragma once

#include "art_kit.h"

namespace artwork {

// Receiver panel artwork of the four layout modes: backgrounds, colour tab pictures, RF and AF
// meters lit and dark, batteries, scale strips.
void addPanelArt(PictureSet& pictures);

// Where the monitor places each element of a panel, per layout mode (0 ... 3); the artwork is
// drawn around these positions and the contact sheet composes its previews with them.
struct PanelGeometry {
    QPoint colourTab;
    QRect name, frequency;
    QPoint rfA, rfB, lampA, lampB, af, peak, battery, warning, memo;
};
PanelGeometry panelGeometry(int mode);

// The colour tab as the vertical modes draw it: a vertical gradient, then the mask over it with
// white transparent.
void drawColourTab(QImage& target, QPoint at, const QImage& mask, const QColor& top,
                   const QColor& bottom);

} // namespace artwork
