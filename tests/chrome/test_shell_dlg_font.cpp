#include "chrome/shell_dlg_font.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

using namespace tessaly;

TEST(ShellDlgFont, LongLabelIsNarrowedToFitItsItem) {
    const QFont font = shellDlgFont(13);
    const QString label = QStringLiteral("Receiver Configuration");
    const int room = 137; // File menu item width less the label indent
    const QFont fitted = fontFitting(font, label, room);
    EXPECT_LE(QFontMetrics(fitted).horizontalAdvance(label), room);
    EXPECT_EQ(fitted.pixelSize(), 13);
    // A label that fits keeps the font as it is.
    EXPECT_EQ(fontFitting(font, QStringLiteral("Exit"), room), font);
}
