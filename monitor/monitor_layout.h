#pragma once

#include "protocol/settings.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>

namespace tessaly {

// Where the elements of one receiver panel sit, relative to the panel's top-left corner.
// Text areas are x, y, width, height.
struct PanelElementPositions {
    QPoint colourTab;
    QRect nameArea;
    QRect frequencyArea;
    QPoint rfMeterA;
    QPoint rfMeterB;
    QPoint antennaLampA;
    QPoint antennaLampB;
    QPoint afMeter;
    QPoint peakLamp;
    QPoint battery;
    QPoint warning;
    QPoint memo;
};

const PanelElementPositions& panelElementPositions(int layoutMode);

// Vertical modes place tall panels side by side, horizontal modes wide panels one below the other.
bool isVerticalMode(int layoutMode);
bool hasScaleStrip(int layoutMode); // the large modes

// The one number of the mode's matrix pair that decides the layout.
int fillCount(int layoutMode, const std::array<MatrixPair, kLayoutModeCount>& matrix);

// A wide layout fills the screen with panels, so painting needs no black surround.
bool isWideLayout(int layoutMode, int fill);

struct MatrixExtent {
    int columns = 0;
    int rows = 0;
};

MatrixExtent matrixExtent(int layoutMode, int fill, int receiverCount);

// Top-left corner of a panel inside the content image; receiver numbers are 1-based. Every row
// after the first of a vertical layout starts one pixel lower than a plain grid would put it.
QPoint panelOrigin(int layoutMode, int fill, QSize panelSize, int receiverNumber);

// Size of the content image (and of the clean background image).
QSize contentImageSize(int layoutMode, int fill, MatrixExtent extent, QSize panelSize,
                       QSize screenSize);

// The scroll range.
QSize contentSize(int layoutMode, MatrixExtent extent, int receiverCount, QSize panelSize,
                  QSize stripSize);

// A rectangle whose right and bottom edges belong to it.
struct HitRect {
    int left = 0, top = 0, right = -1, bottom = -1;

    bool contains(QPoint point) const {
        return point.x() >= left && point.x() <= right && point.y() >= top && point.y() <= bottom;
    }
    HitRect translated(int dx, int dy) const {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
    bool operator==(const HitRect&) const = default;
};

// Sizes of the loaded images the hit areas are derived from.
struct HitImageSizes {
    QSize colourTab;
    QSize lamp;
    QSize afMeter;
    QSize battery;
    QSize warning;
    QSize memo;
};

// The six clickable areas of a panel plus the warning icon, in content coordinates: the scale
// strip is part of the scrolled area, so the areas of the large modes are shifted past it.
struct PanelHitAreas {
    HitRect colourTab;
    HitRect name;
    HitRect frequency;
    HitRect meters;
    HitRect battery;
    HitRect warning;
    HitRect memo;
};

PanelHitAreas panelHitAreas(int layoutMode, QPoint origin, const HitImageSizes& sizes,
                            QSize stripSize);

// What the window sizing needs from the platform, injectable so that tests do not depend on the
// window manager in use.
struct PlatformMetrics {
    int captionHeight = 0;
    int sizingFrameWidth = 0;
    int sizingFrameHeight = 0;
    int paddedBorderWidth = 0;
    int verticalScrollBarWidth = 0;
    int horizontalScrollBarHeight = 0;
    int dpiY = 96;
    QSize screen;
    QSize workArea;
};

// The outer size of the main window that shows the panels without scrolling where possible.
QSize fittingWindowSize(int layoutMode, MatrixExtent extent, int receiverCount, QSize panelSize,
                        QSize stripSize, QSize contentSize, const PlatformMetrics& metrics);

} // namespace tessaly
