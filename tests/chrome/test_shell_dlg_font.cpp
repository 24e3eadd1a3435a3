#include "chrome/shell_dlg_font.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <gtest/gtest.h>

using namespace tessaly;

TEST(ShellDlgFont, IsDejaVuSansAtThePixelHeightAndWeight) {
    const QFont bold = shellDlgFont(64, kWeightBold);
    EXPECT_EQ(QFontInfo(bold).family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(bold.pixelSize(), 64);
    EXPECT_EQ(bold.weight(), QFont::Bold);
    EXPECT_EQ(shellDlgFont(13).weight(), QFont::Normal);
}

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
