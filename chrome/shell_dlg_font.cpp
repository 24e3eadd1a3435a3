#include "chrome/shell_dlg_font.h"

#include <QFontInfo>
#include <QFontMetrics>

namespace tessaly {

namespace {
constexpr int kNarrowestStretch = 80; // percent; narrower becomes hard to read
constexpr int kSmallestPixels = 7;    // below this a bold text is a smudge
} // namespace

QFont shellDlgFont(int pixelHeight, int weight) {
    QFont font(QString::fromLatin1(kShellDlgFamily));
    font.setPixelSize(pixelHeight);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QFont fontFitting(const QFont& font, const QString& text, int width) {
    QFont fitted = font;
    for (int stretch = QFont::Unstretched;
         stretch > kNarrowestStretch && QFontMetrics(fitted).horizontalAdvance(text) > width;
         stretch -= 2) {
        fitted.setStretch(stretch - 2);
    }
    return fitted;
}

QFont fontFittingWhole(const QFont& font, const QString& text, int width) {
    QFont fitted = fontFitting(font, text, width);
    for (int pixels = QFontInfo(fitted).pixelSize();
         pixels > kSmallestPixels && QFontMetrics(fitted).horizontalAdvance(text) > width;
         --pixels) {
        fitted.setPixelSize(pixels - 1);
    }
    return fitted;
}

} // namespace tessaly
