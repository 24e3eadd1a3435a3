#include "app/qr_code.h"
#include "app/remote_view_dlg.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tessaly;

struct UrlCase {
    const char* listen;
    const char* token;
    const char* lan;
    const char* url; // "" when the listen text is not ADDRESS:PORT
};

class RemoteViewUrl : public testing::TestWithParam<UrlCase> {};

TEST_P(RemoteViewUrl, ComesFromTheListenAddressAndToken) {
    const UrlCase& c = GetParam();
    EXPECT_EQ(remoteViewUrl(QString::fromUtf8(c.listen), QString::fromUtf8(c.token),
                            QString::fromUtf8(c.lan)),
              QString::fromUtf8(c.url));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoteViewUrl,
    testing::Values(UrlCase{"127.0.0.1:8080", "", "192.168.1.5", "http://127.0.0.1:8080/"},
                    UrlCase{" 10.0.0.7:80 ", "abc", "192.168.1.5", "http://10.0.0.7:80/?token=abc"},
                    // A wildcard address names the computer's own LAN address.
                    UrlCase{"0.0.0.0:8080", "s3cret x&y+z", "192.168.1.5",
                            "http://192.168.1.5:8080/?token=s3cret%20x%26y%2Bz"},
                    UrlCase{":8080", "", "", "http://127.0.0.1:8080/"},
                    UrlCase{"[::1]:9000", "", "", "http://[::1]:9000/"},
                    UrlCase{"8080", "", "", ""}, UrlCase{"host:0", "", "", ""},
                    UrlCase{"host:65536", "", "", ""}, UrlCase{"host:http", "", "", ""}));

TEST(RemoteViewDlg, SaysWhyThereIsNoAddress) {
    for (const auto& [listen, token, words] :
         {std::tuple{"", "", "[remote] listen= is empty"},
          std::tuple{"0.0.0.0:8080", "", "needs [remote] token="},
          std::tuple{"192.168.1.5:8080", "", "needs [remote] token="},
          std::tuple{"nonsense", "", "is not ADDRESS:PORT"}}) {
        CDlgRemoteView dialog(QString::fromLatin1(listen), QString::fromLatin1(token),
                              QStringLiteral("192.168.1.5"));
        EXPECT_TRUE(dialog.noteText().contains(QString::fromLatin1(words)))
            << listen << ": " << dialog.noteText().toStdString();
        EXPECT_TRUE(dialog.url().isEmpty());
        EXPECT_TRUE(dialog.qrImage().isNull());
    }
}

TEST(RemoteViewDlg, LoopbackNeedsNoToken) {
    CDlgRemoteView dialog(QStringLiteral("localhost:8080"), QString(), QString());
    EXPECT_EQ(dialog.url(), QStringLiteral("http://localhost:8080/"));
    EXPECT_FALSE(dialog.qrImage().isNull());
}

TEST(QrCode, GrowsWithItsTextAndRefusesWhatDoesNotFit) {
    EXPECT_EQ(qrCodeModules(QStringLiteral("http://127.0.0.1:8080/")), 25); // version 2, level M
    const int longer = qrCodeModules(QStringLiteral("http://192.168.100.200:8080/?token=") +
                                     QString(64, QLatin1Char('k')));
    EXPECT_GT(longer, 25);
    EXPECT_EQ((longer - 21) % 4, 0);
    EXPECT_EQ(qrCodeModules(QString(4000, QLatin1Char('x'))), 0);
    EXPECT_TRUE(qrCodeImage(QString(4000, QLatin1Char('x')), 4).isNull());
    // Modules of 4 pixels with the four-module quiet zone on every side.
    EXPECT_EQ(qrCodeImage(QStringLiteral("http://127.0.0.1:8080/"), 4).width(), (25 + 8) * 4);
}

// A reader decodes the dialog's code back to its address, token included.
TEST(RemoteViewDlg, QrCodeReadsBackAsTheAddress) {
    const QString zbarimg = QStandardPaths::findExecutable(QStringLiteral("zbarimg"));
    if (zbarimg.isEmpty()) {
        GTEST_SKIP() << "zbarimg (zbar-tools) is not installed: the QR code is not decoded";
    }
    CDlgRemoteView dialog(QStringLiteral("0.0.0.0:8080"), QStringLiteral("Show/Night 1"),
                          QStringLiteral("192.168.1.5"));
    ASSERT_EQ(dialog.url(), QStringLiteral("http://192.168.1.5:8080/?token=Show%2FNight%201"));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("qr.png"));
    ASSERT_TRUE(dialog.qrImage().save(path));
    QProcess reader;
    reader.start(zbarimg, {QStringLiteral("--raw"), QStringLiteral("-q"), path});
    ASSERT_TRUE(reader.waitForFinished(10000));
    EXPECT_EQ(reader.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(reader.readAllStandardOutput()).trimmed(), dialog.url());
}
