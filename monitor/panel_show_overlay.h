#pragma once

#include "monitor/panel_images.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>

namespace tessaly {

// What a panel shows of the receiver's liveness and alarms, on top of its meters.
enum class PanelLook { Live, Offline, NoData };

// The overlay of one panel as it is drawn now. Two equal states draw the same pixels; a panel
// whose state changed is repainted from its clean background first.
struct PanelShowState {
    PanelLook look = PanelLook::Live;
    QString age;               // age of the last good data while not live: "12 s", "3 min"
    QString label;             // "BATT LOW", "SILENCED", ...; empty: none
    bool critical = false;     // border and label in the critical colour, else the warning one
    bool borderShown = false;  // the flashing border's current phase, or a steady border
    int32_t staleBattery = -1; // last known level, shown greyed while not live

    bool live() const { return look == PanelLook::Live; }
    bool drawsAnything() const { return !live() || !label.isEmpty() || borderShown; }
    bool operator==(const PanelShowState&) const = default;
};

// Overlay texts: the no-data look's, and the mark on a battery level that is only remembered.
constexpr const char* kLookOffline = "OFFLINE";
constexpr const char* kLookNoData = "NO DATA";
constexpr const char* kStaleBatteryMark = "?";

// Where the alarm label and the no-data text sit, relative to the panel's top-left corner.
QRect panelLabelRect(int layoutMode);
QRect panelNoDataRect(int layoutMode);
int panelBorderWidth(int layoutMode);

// Draws `state` over the panel at `origin` in `content`: the idle antenna lamps, the text over
// the meters and the greyed battery while not live, the label, the border. Every part is drawn
// opaquely, so drawing the same state twice leaves the same pixels.
void drawPanelShowOverlay(QImage& content, const CPanelImages& images, int layoutMode,
                          QPoint origin, QSize panelSize, const PanelShowState& state);

} // namespace tessaly
