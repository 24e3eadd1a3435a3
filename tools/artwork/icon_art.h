#pragma once

#include "art_kit.h"

namespace artwork {

// Lamps (round 14 x 14 and flat 14 x 12, each red, off and green), the memo icons and the
// three warning icons. All sit on black: the lamps and the present-memo icon are copied
// opaquely into black wells, the rest are copied with black transparent.
void addIconArt(PictureSet& pictures);

} // namespace artwork
