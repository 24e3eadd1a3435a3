#pragma once

#include "art_kit.h"

class QPainter;

namespace artwork {

// Menu bar background and logo, pop-up menu backgrounds, the monitor button and its captions,
// the "Monitor" label, the dialog logo and the application icon.
void addChromeArt(PictureSet& pictures);

// The bar background as it is tiled at run time: only its rows vary, so any crop of its width
// continues it seamlessly (the logo is drawn on such a crop).
QImage barBackground(int width);

// The application icon is drawn on a square of kIconUnits; the program carries it at that size
// in pixels, the desktop's icon theme at others and as a scalable picture.
constexpr int kIconUnits = 64;
void drawApplicationIcon(QPainter& painter);
QImage applicationIconAt(int pixels);

} // namespace artwork
