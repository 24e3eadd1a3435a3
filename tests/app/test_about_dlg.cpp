#include "app/about_dlg.h"

#include <gtest/gtest.h>

using namespace tessaly;

TEST(AboutDlg, ShowsTheProductAndFullVersion) {
    CAboutDlg about(QStringLiteral("1.2.0.10"));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Tessaly"));
    EXPECT_EQ(about.versionLine(), QStringLiteral("Tessaly Version 1.2.0.10"));
}
