#include "app/help_target.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
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

namespace {

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<html></html>");
}

// A start directory and an installation prefix, each empty to begin with.
class HelpFallback : public ::testing::Test {
protected:
    QTemporaryDir start;
    QTemporaryDir prefix;
    const QString helpValue = QStringLiteral("docs\\Tessaly_e.chm");

    QUrl resolve() const { return helpTargetUrl(start.path(), helpValue, prefix.path()); }
    QUrl startFile(const QString& name) const {
        return QUrl::fromLocalFile(start.path() + QStringLiteral("/docs/") + name);
    }
    QString installedManual() const {
        return prefix.path() + QStringLiteral("/share/doc/tessaly/Tessaly_e.html");
    }
};

} // namespace

TEST_F(HelpFallback, AnExistingTargetOpensEvenWhenTheManualIsThere) {
    touch(start.path() + "/docs/Tessaly_e.chm");
    touch(start.path() + "/docs/Tessaly_e.html");
    touch(installedManual());
    EXPECT_EQ(resolve(), startFile("Tessaly_e.chm"));
}

TEST_F(HelpFallback, AMissingTargetOpensTheManualBesideItBeforeTheInstalledOne) {
    touch(start.path() + "/docs/Tessaly_e.html");
    touch(installedManual());
    EXPECT_EQ(resolve(), startFile("Tessaly_e.html"));
}

TEST_F(HelpFallback, WithNothingBesideItTheInstalledManualOpens) {
    touch(installedManual());
    // A folder of the manual's name is not the manual.
    QDir().mkpath(start.path() + "/docs/Tessaly_e.html");
    EXPECT_EQ(resolve(), QUrl::fromLocalFile(installedManual()));
}

TEST_F(HelpFallback, WithNoManualAnywhereTheTargetItselfIsOpened) {
    EXPECT_EQ(resolve(), startFile("Tessaly_e.chm"));
    // Without a known prefix nothing is looked up relative to the current directory.
    touch(installedManual());
    const QString before = QDir::currentPath();
    QDir::setCurrent(prefix.path());
    const QUrl withoutPrefix = helpTargetUrl(start.path(), helpValue, QString());
    QDir::setCurrent(before);
    EXPECT_EQ(withoutPrefix, startFile("Tessaly_e.chm"));
}

TEST_F(HelpFallback, TheBaseNameKeepsInnerDotsAndUrlsAreNeverReplaced) {
    touch(start.path() + "/docs/site.manual.html");
    EXPECT_EQ(helpTargetUrl(start.path(), "docs\\site.manual.chm", prefix.path()),
              startFile("site.manual.html"));
    EXPECT_EQ(helpTargetUrl(start.path(), "https://example.org/Tessaly_e.chm", prefix.path()),
              QUrl("https://example.org/Tessaly_e.chm"));
}
