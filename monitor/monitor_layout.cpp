#include "monitor/monitor_layout.h"

#include <algorithm>

namespace tessaly {

namespace {

constexpr std::array<PanelElementPositions, kLayoutModeCount> kPositions = {{
    // Large Vertical
    {QPoint(0, 541), QRect(4, 588, 88, 16), QRect(38, 558, 52, 12), QPoint(30, 26), QPoint(72, 26),
     QPoint(28, 10), QPoint(70, 10), QPoint(54, 295), QPoint(53, 274), QPoint(0, 606),
     QPoint(1, 554), QPoint(38, 569)},
    // Large Horizontal
    {QPoint(0, 0), QRect(18, 8, 112, 20), QRect(164, 4, 110, 20), QPoint(164, 32), QPoint(164, 66),
     QPoint(494, 30), QPoint(494, 64), QPoint(518, 52), QPoint(848, 58), QPoint(874, 22),
     QPoint(84, 40), QPoint(16, 31)},
    // Small Vertical
    {QPoint(0, 133), QRect(4, 180, 88, 16), QRect(38, 148, 52, 12), QPoint(7, 26), QPoint(37, 26),
     QPoint(5, 12), QPoint(35, 12), QPoint(68, 26), QPoint(67, 12), QPoint(0, 198), QPoint(1, 148),
     QPoint(38, 161)},
    // Small Horizontal
    {QPoint(0, 0), QRect(16, 2, 100, 16), QRect(16, 21, 100, 16), QPoint(169, 12), QPoint(169, 30),
     QPoint(392, 10), QPoint(392, 28), QPoint(169, 49), QPoint(392, 53), QPoint(418, 26),
     QPoint(70, 40), QPoint(14, 38)},
}};

constexpr int kWideFillLarge = 4;
constexpr int kWideFillSmall = 3;

// The frequency hit area of the vertical modes reaches over the "MHz" line below the number.
constexpr int kMhzLineExtra = 11;

// Window sizing allowances for the menu bar, borders and the view's own frame.
constexpr int kHorizontalExtraWidth = 22;
constexpr int kHorizontalExtraHeight = 74;
constexpr int kHorizontalMinHeight = 190;
constexpr int kVerticalExtraHeight = 114;
constexpr int kVerticalExtraWidth = 4;
constexpr int kVerticalMinWidth = 220;
constexpr int kBaseDpi = 96;

int clampMode(int layoutMode) {
    return std::clamp(layoutMode, 0, kLayoutModeCount - 1);
}

HitRect areaAt(QPoint at, QSize size) {
    return {at.x(), at.y(), at.x() + size.width(), at.y() + size.height()};
}

HitRect textArea(const QRect& area) {
    return {area.x(), area.y(), area.x() + area.width(), area.y() + area.height()};
}

int dpiCaptionCorrection(const PlatformMetrics& metrics) {
    if (metrics.dpiY <= kBaseDpi) {
        return 0;
    }
    return static_cast<int>(static_cast<double>(metrics.captionHeight) * metrics.dpiY / kBaseDpi -
                            metrics.captionHeight);
}

} // namespace

const PanelElementPositions& panelElementPositions(int layoutMode) {
    return kPositions[static_cast<size_t>(clampMode(layoutMode))];
}

bool isVerticalMode(int layoutMode) {
    return layoutMode == kLayoutLargeVertical || layoutMode == kLayoutSmallVertical;
}

bool hasScaleStrip(int layoutMode) {
    return layoutMode == kLayoutLargeVertical || layoutMode == kLayoutLargeHorizontal;
}

int fillCount(int layoutMode, const std::array<MatrixPair, kLayoutModeCount>& matrix) {
    const MatrixPair& pair = matrix[static_cast<size_t>(clampMode(layoutMode))];
    const int fill = isVerticalMode(layoutMode) ? pair.b : pair.a;
    return std::max(fill, 1); // a zero would divide by zero below
}

bool isWideLayout(int layoutMode, int fill) {
    return fill >= (hasScaleStrip(layoutMode) ? kWideFillLarge : kWideFillSmall);
}

MatrixExtent matrixExtent(int layoutMode, int fill, int receiverCount) {
    fill = std::max(fill, 1);
    receiverCount = std::max(receiverCount, 0);
    const int along = std::min(fill, receiverCount);
    const int across = (receiverCount + fill - 1) / fill;
    if (isVerticalMode(layoutMode)) {
        return {along, across};
    }
    return {across, along};
}

QPoint panelOrigin(int layoutMode, int fill, QSize panelSize, int receiverNumber) {
    fill = std::max(fill, 1);
    const int position = receiverNumber - 1;
    if (isVerticalMode(layoutMode)) {
        const int column = position % fill;
        const int row = position / fill;
        return {column * panelSize.width(), row == 0 ? 0 : row * panelSize.height() + 1};
    }
    const int row = position % fill;
    const int column = position / fill;
    return {column * panelSize.width(), row * panelSize.height()};
}

QSize contentImageSize(int layoutMode, int fill, MatrixExtent extent, QSize panelSize,
                       QSize screenSize) {
    int width = extent.columns * panelSize.width();
    int height = extent.rows * panelSize.height();
    const bool wide = isWideLayout(layoutMode, fill);
    if (isVerticalMode(layoutMode)) {
        if (wide) {
            width = std::max(width, screenSize.width());
        }
        height = std::max(height, screenSize.height());
    } else {
        width = std::max(width, screenSize.width());
        if (wide) {
            height = std::max(height, screenSize.height());
        }
    }
    return {width, height};
}

QSize contentSize(int layoutMode, MatrixExtent extent, int receiverCount, QSize panelSize,
                  QSize stripSize) {
    const int height = receiverCount > 1 ? extent.rows * panelSize.height() : panelSize.height();
    const int panelsWidth = extent.columns * panelSize.width();
    if (receiverCount <= 0) {
        const int stripHeight = layoutMode == kLayoutLargeHorizontal ? stripSize.height() : 0;
        return {0, height + stripHeight};
    }
    switch (layoutMode) {
    case kLayoutLargeVertical:
        return {panelsWidth + stripSize.width() - 1, height};
    case kLayoutLargeHorizontal:
        return {panelsWidth, height + stripSize.height()};
    case kLayoutSmallVertical:
        return {panelsWidth - 1, height};
    default:
        return {panelsWidth, height};
    }
}

PanelHitAreas panelHitAreas(int layoutMode, QPoint origin, const HitImageSizes& sizes,
                            QSize stripSize) {
    const PanelElementPositions& at = panelElementPositions(layoutMode);
    const auto place = [origin](QPoint point) { return point + origin; };

    PanelHitAreas areas;
    areas.colourTab = areaAt(place(at.colourTab), sizes.colourTab);
    areas.name = textArea(at.nameArea.translated(origin));
    areas.frequency = textArea(at.frequencyArea.translated(origin));
    if (isVerticalMode(layoutMode)) {
        areas.frequency.bottom += kMhzLineExtra;
    }

    const QPoint af = place(at.afMeter);
    const int metersBottom = af.y() + sizes.afMeter.height();
    switch (layoutMode) {
    case kLayoutLargeVertical: {
        const QPoint lampA = place(at.antennaLampA);
        areas.meters = {lampA.x(), lampA.y(), place(at.antennaLampB).x() + sizes.lamp.width(),
                        metersBottom};
        break;
    }
    case kLayoutSmallVertical: {
        const QPoint lampA = place(at.antennaLampA);
        areas.meters = {lampA.x(), lampA.y(), place(at.peakLamp).x() + sizes.lamp.width(),
                        metersBottom};
        break;
    }
    default: {
        const QPoint rfA = place(at.rfMeterA);
        areas.meters = {rfA.x(), rfA.y(), place(at.peakLamp).x() + sizes.lamp.width(),
                        metersBottom};
        break;
    }
    }

    areas.battery = areaAt(place(at.battery), sizes.battery);
    areas.warning = areaAt(place(at.warning), sizes.warning);
    areas.memo = areaAt(place(at.memo), sizes.memo);

    int dx = 0;
    int dy = 0;
    if (layoutMode == kLayoutLargeVertical) {
        dx = stripSize.width();
    } else if (layoutMode == kLayoutLargeHorizontal) {
        dy = stripSize.height();
    }
    if (dx != 0 || dy != 0) {
        for (HitRect* area : {&areas.colourTab, &areas.name, &areas.frequency, &areas.meters,
                              &areas.battery, &areas.warning, &areas.memo}) {
            *area = area->translated(dx, dy);
        }
    }
    return areas;
}

QSize fittingWindowSize(int layoutMode, MatrixExtent extent, int receiverCount, QSize panelSize,
                        QSize stripSize, QSize contentSize, const PlatformMetrics& metrics) {
    int cx = 0;
    int cy = 0;
    if (!isVerticalMode(layoutMode)) {
        if (receiverCount <= 0) {
            cx = panelSize.width() + kHorizontalExtraWidth;
            cy = panelSize.height();
        } else {
            cx = extent.columns * panelSize.width() + kHorizontalExtraWidth;
            cy = extent.rows * panelSize.height();
        }
        if (layoutMode == kLayoutLargeHorizontal) {
            cy += stripSize.height();
        }
        cy += dpiCaptionCorrection(metrics);
        if (contentSize.height() > metrics.screen.height()) {
            cx += metrics.verticalScrollBarWidth;
        }
        if (contentSize.width() > metrics.screen.width()) {
            cy += metrics.horizontalScrollBarHeight;
        }
        const int frame =
            metrics.captionHeight + 2 * metrics.sizingFrameHeight + kHorizontalExtraHeight;
        cy += frame;
        cy = std::max({cy, kHorizontalMinHeight, frame});
    } else {
        cx = receiverCount <= 0 ? panelSize.width() : extent.columns * panelSize.width();
        if (layoutMode == kLayoutLargeVertical) {
            cx += stripSize.width();
        }
        cy = extent.rows * panelSize.height();
        if (cy == 0) {
            cy = panelSize.height();
        }
        cy += kVerticalExtraHeight;
        cy += dpiCaptionCorrection(metrics);
        if (contentSize.width() > metrics.screen.width()) {
            cy += metrics.horizontalScrollBarHeight;
        }
        if (contentSize.height() > metrics.screen.height()) {
            cx += metrics.verticalScrollBarWidth;
        }
        cx += 2 * (metrics.sizingFrameWidth + metrics.paddedBorderWidth) + kVerticalExtraWidth;
        cx = std::max(cx, kVerticalMinWidth);
    }
    if (metrics.workArea.isValid()) {
        cx = std::min(cx, metrics.workArea.width());
        cy = std::min(cy, metrics.workArea.height());
    }
    return {cx, cy};
}

} // namespace tessaly
