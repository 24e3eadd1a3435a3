#pragma once

#include <QFont>

namespace tessaly {

// The texts of a receiver panel, per layout mode. The dialog font of the panels' original
// platform is carried by DejaVu Sans, its fixed-pitch scale font by DejaVu Sans Mono, each at
// the em size whose character cell has the documented pixel height.
struct PanelFonts {
    QFont name;
    QFont frequency;
    QFont scale;         // the large modes only
    QFont scaleExponent; // the mW exponents
};

PanelFonts panelFonts(int layoutMode);

} // namespace tessaly
