#pragma once

#include "art_kit.h"

namespace artwork {

// The splash picture, shaped by red 0 / green 128 / blue 128 outside; the program writes the
// version at (700, 194) and the year at (425, 293) into it.
void addSplashArt(PictureSet& pictures);

} // namespace artwork
