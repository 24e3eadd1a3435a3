#pragma once

#include <QFont>

namespace tessaly {

// The dialog font of the skins ("MS Shell Dlg" on the original platform) at a pixel height.
constexpr const char* kShellDlgFamily = "DejaVu Sans";
constexpr int kWeightNormal = 400;
constexpr int kWeightBold = 700;

inline QFont shellDlgFont(int pixelHeight, int weight = kWeightNormal) {
    QFont font(QString::fromLatin1(kShellDlgFamily));
    font.setPixelSize(pixelHeight);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace tessaly
