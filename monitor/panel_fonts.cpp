#include "monitor/panel_fonts.h"

#include "protocol/settings.h"

#include <QFontMetrics>
#include <QString>

#include <array>

namespace tessaly {

namespace {

constexpr const char* kDialogFamily = "DejaVu Sans";
constexpr const char* kScaleFamily = "DejaVu Sans Mono";
constexpr int kWeightNormal = 400;
constexpr int kWeightBold = 700;
constexpr int kScalePixels = 12;
constexpr int kExponentPixels = 8;

struct TextHeights {
    int name;
    int frequency;
};

constexpr std::array<TextHeights, kLayoutModeCount> kHeights = {
    {{14, 12}, {18, 16}, {14, 12}, {16, 14}}};

// The documented heights are character cell heights (ascent plus descent), as the panels'
// original platform measures fonts; the em size that gives that cell is a little smaller.
QFont makeFont(const char* family, int cellHeight, int weight, QFont::StyleHint hint) {
    QFont font(QString::fromLatin1(family));
    font.setStyleHint(hint, QFont::PreferAntialias);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setKerning(false);
    int pixels = cellHeight;
    font.setPixelSize(pixels);
    while (pixels > 1 && QFontMetrics(font).height() > cellHeight) {
        font.setPixelSize(--pixels);
    }
    return font;
}

} // namespace

PanelFonts panelFonts(int layoutMode) {
    const TextHeights heights = kHeights[static_cast<size_t>(layoutMode)];
    PanelFonts fonts;
    fonts.name = makeFont(kDialogFamily, heights.name, kWeightBold, QFont::SansSerif);
    fonts.frequency = makeFont(kDialogFamily, heights.frequency, kWeightBold, QFont::SansSerif);
    fonts.scale = makeFont(kScaleFamily, kScalePixels, kWeightNormal, QFont::Monospace);
    fonts.scaleExponent = makeFont(kScaleFamily, kExponentPixels, kWeightNormal, QFont::Monospace);
    fonts.scale.setFixedPitch(true);
    fonts.scaleExponent.setFixedPitch(true);
    return fonts;
}

} // namespace tessaly
