#pragma once

#include <QFont>
#include <QString>

namespace tessaly {

// The dialog font of the skins ("MS Shell Dlg" on the original platform) at a pixel height.
constexpr const char* kShellDlgFamily = "DejaVu Sans";
constexpr int kWeightNormal = 400;
constexpr int kWeightBold = 700;

QFont shellDlgFont(int pixelHeight, int weight = kWeightNormal);

// DejaVu Sans runs wider than the font the skins were measured with: a text that would not fit
// `width` gets the font narrowed (same height and weight) until it does, down to a limit.
QFont fontFitting(const QFont& font, const QString& text, int width);

// As fontFitting, and when the narrowest font is still too wide, a smaller one, down to a
// limit: for texts that must show whole, such as receiver names.
QFont fontFittingWhole(const QFont& font, const QString& text, int width);

} // namespace tessaly
