#pragma once

// Panel pictures of the documented sizes, each slot one flat colour, so that tests can count
// exactly which pixels a drawing step copied.

#include "resources/resource_ids.h"

#include <QImage>
#include <QSize>

#include <map>

namespace tessaly::testing {

inline const std::map<int, QSize>& documentedSizes() {
    static const std::map<int, QSize> sizes = [] {
        std::map<int, QSize> s;
        s[353] = {94, 659};
        s[1025] = {92, 45};
        s[357] = s[355] = {8, 232};
        s[329] = s[327] = {12, 240};
        s[345] = s[343] = s[399] = {14, 12};
        s[347] = {28, 659};
        s[352] = {984, 96};
        s[340] = {160, 96};
        s[356] = s[354] = {320, 10};
        s[328] = s[326] = {320, 24};
        s[344] = s[342] = s[398] = {14, 14};
        s[346] = {984, 24};
        s[430] = {694, 24};
        s[375] = {94, 223};
        s[376] = s[377] = {8, 104};
        s[378] = s[379] = {12, 104};
        s[361] = {492, 83};
        s[362] = {138, 83};
        s[365] = s[366] = {218, 10};
        s[367] = s[368] = {218, 24};
        s[393] = {30, 24};
        s[392] = {48, 48};
        s[391] = {42, 40};
        s[400] = s[402] = {16, 16};
        for (int id = 335; id <= 339; ++id) {
            s[id] = {66, 52};
        }
        for (int id = 330; id <= 334; ++id) {
            s[id] = {102, 56};
        }
        for (int id = 380; id <= 384; ++id) {
            s[id] = {66, 24};
        }
        for (int id = 369; id <= 373; ++id) {
            s[id] = {70, 56};
        }
        return s;
    }();
    return sizes;
}

// A distinct opaque colour per id that is none of the key colours (black, white, pure red).
inline QRgb syntheticColour(int id) {
    return qRgb(16 + (id * 37) % 200, 16 + (id * 53) % 200, 16 + (id * 71) % 200);
}

inline QImage syntheticPanelPng(int id) {
    const auto found = documentedSizes().find(id);
    if (found == documentedSizes().end()) {
        return {};
    }
    QImage image(found->second, QImage::Format_ARGB32_Premultiplied);
    image.fill(syntheticColour(id));
    if (id == kPngColourTabMask) {
        // White shape with a one-pixel border: the gradient shows through the inside.
        image.fill(Qt::white);
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, 0, syntheticColour(id));
        }
    }
    return image;
}

} // namespace tessaly::testing
