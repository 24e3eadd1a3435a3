#include "chrome/shell_dlg_font.h"

#include <QFontMetrics>

namespace tessaly {

namespace {
constexpr int kNarrowestStretch = 80; // percent; narrower becomes hard to read
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

} // namespace tessaly
