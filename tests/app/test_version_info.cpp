#include "app/version_info.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace tessaly;

TEST(VersionInfo, ShortVersionIsTheFirstTwoParts) {
    EXPECT_EQ(shortVersionText(QStringLiteral("1.2.0.10")), QStringLiteral("1.2"));
    EXPECT_EQ(shortVersionText(QStringLiteral("12.34.5.6")), QStringLiteral("12.34"));
    EXPECT_EQ(shortVersionText(QStringLiteral("7")), QStringLiteral("7"));
    EXPECT_EQ(fullVersionText().split('.').size(), 4);
}
