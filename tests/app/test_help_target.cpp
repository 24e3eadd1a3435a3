#include "app/help_target.h"

#include <gtest/gtest.h>

using tessaly::helpTargetUrl;

TEST(HelpTarget, RelativePathWithBackslashesIsTakenFromTheStartDirectory) {
    EXPECT_EQ(helpTargetUrl("/opt/tessaly", "docs\\Tessaly_e.chm"),
              QUrl::fromLocalFile("/opt/tessaly/docs/Tessaly_e.chm"));
    EXPECT_EQ(helpTargetUrl("/opt/tessaly", "..\\manual\\index.html"),
              QUrl::fromLocalFile("/opt/manual/index.html"));
}

TEST(HelpTarget, AbsolutePathsAndUrlsAreKept) {
    EXPECT_EQ(helpTargetUrl("/opt/tessaly", "/usr/share/doc/tessaly/index.html"),
              QUrl::fromLocalFile("/usr/share/doc/tessaly/index.html"));
    EXPECT_EQ(helpTargetUrl("/opt/tessaly", "https://example.org/tessaly/help"),
              QUrl("https://example.org/tessaly/help"));
    // A drive letter is not a scheme.
    EXPECT_TRUE(helpTargetUrl("/opt/tessaly", "C:\\help.chm").isLocalFile());
}
