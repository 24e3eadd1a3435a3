#pragma once

#include <QColor>

#include <cstdint>

namespace tessaly {

// Colours travel as 0x00BBGGRR values: red in the low byte.
constexpr uint32_t kColorRefBlack = 0x00000000;
constexpr uint32_t kColorRefRed = 0x000000FF;

constexpr uint32_t colorRef(int red, int green, int blue) {
    return static_cast<uint32_t>(red & 0xFF) | (static_cast<uint32_t>(green & 0xFF) << 8) |
           (static_cast<uint32_t>(blue & 0xFF) << 16);
}

inline QColor qColorFromRef(uint32_t ref) {
    return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF),
                  static_cast<int>((ref >> 16) & 0xFF));
}

inline uint32_t colorRefFromQColor(const QColor& color) {
    return colorRef(color.red(), color.green(), color.blue());
}

} // namespace tessaly
