#pragma once

#include "art_kit.h"

namespace artwork {

// One picture of all artwork on grey, each labelled with its id and size (small pictures
// doubled), followed by previews: the menus with their item texts where the menus draw them,
// and one receiver panel per layout mode composed the way the monitor composes it.
QImage contactSheet(const PictureSet& pictures);

} // namespace artwork
