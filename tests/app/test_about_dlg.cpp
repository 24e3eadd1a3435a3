#include "app/about_dlg.h"
#include "protocol/settings.h"

#include <gtest/gtest.h>

using namespace tessaly;

TEST(AboutDlg, ShowsTheProductAndFullVersion) {
    CAboutDlg about(QStringLiteral("1.2.0.10"));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Tessaly"));
    EXPECT_EQ(about.versionLine(), QStringLiteral("Tessaly Version 1.2.0.10"));
}

TEST(AboutDlg, NamesTheSettingsFileThatWasRead) {
    for (const auto& [source, line] :
         {std::pair{"", "Settings: defaults"},
          std::pair{"/etc/xdg/tessaly/Tessaly.ini", "Settings: /etc/xdg/tessaly/Tessaly.ini"}}) {
        programSettings().sourcePath = source;
        EXPECT_EQ(CAboutDlg(QStringLiteral("1.0.0.0")).settingsLine(), QString::fromLatin1(line));
    }
    programSettings().sourcePath.clear();
}
