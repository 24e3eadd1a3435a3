#include "app/splash_wnd.h"

#include <gtest/gtest.h>

using tessaly::CSplashWnd;

TEST(SplashWnd, WaitsOnlyForWhatIsLeftOfTheSplashTime) {
    EXPECT_EQ(CSplashWnd::remainingSeconds(1000, 1001, 3), 2);
    EXPECT_EQ(CSplashWnd::remainingSeconds(1000, 1000, 3), 3);
    EXPECT_EQ(CSplashWnd::remainingSeconds(1000, 1003, 3), 0);
    EXPECT_EQ(CSplashWnd::remainingSeconds(1000, 1009, 3), 0);
    EXPECT_EQ(CSplashWnd::remainingSeconds(1000, 1000, 0), 0);
    EXPECT_EQ(CSplashWnd::remainingSeconds(1000, 990, 3), 3); // clock set back
}

TEST(SplashWnd, FinishSleepsTheRemainderThenHides) {
    int64_t now = 5000;
    std::vector<int> waits;
    CSplashWnd splash(QStringLiteral("1.0"));
    splash.setClock([&now] { return now; });
    splash.setWaiter([&waits, &now](int seconds) {
        waits.push_back(seconds);
        now += seconds;
    });
    splash.showSplash();
    EXPECT_TRUE(splash.isVisible());
    now += 1; // a second of start-up work
    splash.finish(3);
    EXPECT_EQ(waits, std::vector<int>{2});
    EXPECT_FALSE(splash.isVisible());

    waits.clear();
    splash.showSplash();
    now += 4; // start-up took longer than the splash time
    splash.finish(3);
    EXPECT_TRUE(waits.empty());
}

TEST(SplashWnd, PictureIsShapedAndCarriesTheVersion) {
    CSplashWnd plain(QString{});
    CSplashWnd versioned(QStringLiteral("1.2"));
    ASSERT_EQ(versioned.picture().size(), QSize(834, 484));
    EXPECT_EQ(versioned.size(), QSize(834, 484));
    const QRegion shape = versioned.mask();
    EXPECT_FALSE(shape.isEmpty());
    EXPECT_FALSE(shape.contains(QPoint(833, 242))); // the last column
    EXPECT_TRUE(shape.contains(QPoint(417, 242)));

    // White version digits in their box, nowhere else changed by the version text.
    const QRect versionBox(700, 194, 80, 66);
    int whiter = 0;
    for (int y = versionBox.top(); y <= versionBox.bottom(); ++y) {
        for (int x = versionBox.left(); x <= versionBox.right(); ++x) {
            if (versioned.picture().pixel(x, y) != plain.picture().pixel(x, y)) {
                ++whiter;
            }
        }
    }
    EXPECT_GT(whiter, 100);
    EXPECT_EQ(versioned.picture().copy(0, 0, 600, 484), plain.picture().copy(0, 0, 600, 484));
}
