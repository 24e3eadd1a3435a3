#include "monitor/panel_show_overlay.h"

#include "chrome/shell_dlg_font.h"
#include "monitor/monitor_layout.h"
#include "protocol/settings.h"
#include "show/alarm_label.h"

#include <QPainter>

#include <array>

namespace tessaly {

namespace {

struct OverlayPlaces {
    QRect label;
    QRect noData;
    int border;
    bool twoLines; // the no-data text and its age one below the other
    int labelFontPx;
    int lookFontPx;
};

// Chosen where the panels leave room: the label between the RF and AF meters of the vertical
// panels and in the free band of the horizontal ones, the no-data text over the RF meters,
// which show nothing then.
constexpr std::array<OverlayPlaces, kLayoutModeCount> kPlaces = {{
    {QRect(3, 258, 88, 16), QRect(5, 100, 84, 44), 4, true, 11, 13},     // Large Vertical
    {QRect(340, 5, 160, 22), QRect(214, 36, 230, 34), 4, false, 14, 16}, // Large Horizontal
    {QRect(3, 112, 88, 16), QRect(3, 40, 88, 40), 3, true, 11, 13},      // Small Vertical
    {QRect(408, 3, 80, 18), QRect(200, 22, 170, 30), 3, false, 12, 14},  // Small Horizontal
}};

const OverlayPlaces& places(int layoutMode) {
    return kPlaces[static_cast<size_t>(std::clamp(layoutMode, 0, kLayoutModeCount - 1))];
}

const QColor kCriticalColour(235, 30, 30);
const QColor kWarningColour(255, 176, 0);
const QColor kSilencedColour(96, 96, 96);
const QColor kNoDataFill(24, 24, 28);
const QColor kNoDataFrame(200, 200, 200);

QImage greyedBattery(const QImage& battery) {
    QImage grey = battery.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const int level = qGray(row[x]) / 2;
            row[x] = qRgb(level, level, level);
        }
    }
    return grey;
}

} // namespace

QRect panelLabelRect(int layoutMode) {
    return places(layoutMode).label;
}

QRect panelNoDataRect(int layoutMode) {
    return places(layoutMode).noData;
}

int panelBorderWidth(int layoutMode) {
    return places(layoutMode).border;
}

void drawPanelShowOverlay(QImage& content, const CPanelImages& images, int layoutMode,
                          QPoint origin, QSize panelSize, const PanelShowState& state) {
    if (content.isNull() || !state.drawsAnything()) {
        return;
    }
    const OverlayPlaces& at = places(layoutMode);
    const PanelElementPositions& element = panelElementPositions(layoutMode);
    QPainter painter(&content);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    if (!state.live()) {
        // The idle form's lamps: nothing is known about the antennas now.
        if (images.has(kSlotLampOff)) {
            painter.drawImage(origin + element.antennaLampA, images.image(kSlotLampOff));
            painter.drawImage(origin + element.antennaLampB, images.image(kSlotLampOff));
        }
        if (state.staleBattery >= 0 && state.staleBattery < 5 &&
            images.has(kSlotBattery0 + state.staleBattery)) {
            const QImage grey = greyedBattery(images.image(kSlotBattery0 + state.staleBattery));
            const QRect box(origin + element.battery, grey.size());
            painter.drawImage(box.topLeft(), grey);
            painter.setFont(shellDlgFont(std::min(box.height() - 4, 28), kWeightBold));
            painter.setPen(Qt::white);
            painter.drawText(box, Qt::AlignCenter, QString::fromLatin1(kStaleBatteryMark));
        }
        const QRect box = at.noData.translated(origin);
        painter.fillRect(box, kNoDataFill);
        painter.setPen(kNoDataFrame);
        painter.drawRect(box.adjusted(0, 0, -1, -1));
        const QString look =
            QString::fromLatin1(state.look == PanelLook::Offline ? kLookOffline : kLookNoData);
        painter.setPen(Qt::white);
        if (at.twoLines) {
            const QRect upper(box.left(), box.top() + 2, box.width(), box.height() / 2 - 1);
            const QRect lower(box.left(), upper.bottom(), box.width(), box.height() / 2 - 1);
            painter.setFont(
                fontFitting(shellDlgFont(at.lookFontPx, kWeightBold), look, box.width() - 4));
            painter.drawText(upper, Qt::AlignCenter, look);
            painter.setFont(shellDlgFont(at.labelFontPx, kWeightNormal));
            painter.drawText(lower, Qt::AlignCenter, state.age);
        } else {
            painter.setFont(shellDlgFont(at.lookFontPx, kWeightBold));
            painter.drawText(box, Qt::AlignCenter, QStringLiteral("%1   %2").arg(look, state.age));
        }
    }

    const bool silenced = state.label == QLatin1String(show::kLabelSilenced);
    const QColor colour = silenced         ? kSilencedColour
                          : state.critical ? kCriticalColour
                                           : kWarningColour;
    if (state.borderShown) {
        const int w = at.border;
        const QRect panel(origin, panelSize);
        painter.fillRect(QRect(panel.left(), panel.top(), panel.width(), w), colour);
        painter.fillRect(QRect(panel.left(), panel.bottom() - w + 1, panel.width(), w), colour);
        painter.fillRect(QRect(panel.left(), panel.top(), w, panel.height()), colour);
        painter.fillRect(QRect(panel.right() - w + 1, panel.top(), w, panel.height()), colour);
    }
    if (!state.label.isEmpty()) {
        const QRect box = at.label.translated(origin);
        painter.fillRect(box, colour);
        painter.setPen(silenced || state.critical ? Qt::white : Qt::black);
        painter.setFont(
            fontFitting(shellDlgFont(at.labelFontPx, kWeightBold), state.label, box.width() - 4));
        painter.drawText(box, Qt::AlignCenter, state.label);
    }
}

} // namespace tessaly
