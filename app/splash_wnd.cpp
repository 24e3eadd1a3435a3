#include "app/splash_wnd.h"

#include "chrome/row_run_region.h"
#include "chrome/shell_dlg_font.h"
#include "resources/resource_ids.h"

#include <QDateTime>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace tessaly {

namespace {
constexpr int kVersionFontHeight = 64;
constexpr int kYearFontHeight = 16;
const QRect kVersionRect(700, 194, 80, 66); // (700, 194) to (780, 260)
constexpr QPoint kYearAt(425, 293);
const QColor kYearColour(154, 160, 169);
constexpr const char* kArtworkYear = "2026"; // the year the splash artwork carries
constexpr int kMillisecondsPerSecond = 1000;

int64_t secondsSinceEpoch() {
    return QDateTime::currentSecsSinceEpoch();
}

void waitPainting(int seconds) {
    QEventLoop loop;
    QTimer::singleShot(seconds * kMillisecondsPerSecond, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}
} // namespace

CSplashWnd::CSplashWnd(const QString& shortVersion)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      clock_(secondsSinceEpoch), waiter_(waitPainting) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    if (!picture_.load(kPngSplash)) {
        return;
    }
    {
        QPainter painter(&picture_.editableImage());
        painter.setPen(Qt::white);
        painter.setFont(shellDlgFont(kVersionFontHeight, kWeightBold));
        painter.drawText(kVersionRect,
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                         shortVersion);
        painter.setPen(kYearColour);
        painter.setFont(shellDlgFont(kYearFontHeight, kWeightBold));
        const QFontMetrics metrics(painter.font());
        painter.drawText(kYearAt + QPoint(0, metrics.ascent()), QString::fromLatin1(kArtworkYear));
    }
    setMask(rowRunRegion(picture_.image(), kKeyColourSplashOutside));
    setFixedSize(picture_.size());
}

void CSplashWnd::showSplash() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    show();
    repaint();
    startTime_ = clock_();
}

int CSplashWnd::remainingSeconds(int64_t startTime, int64_t now, int splashTimeSec) {
    // A clock set back while the splash was up counts as no time elapsed.
    const int64_t elapsed = now > startTime ? now - startTime : 0;
    if (elapsed >= splashTimeSec) {
        return 0;
    }
    return static_cast<int>(splashTimeSec - elapsed);
}

void CSplashWnd::finish(int splashTimeSec) {
    const int wait = remainingSeconds(startTime_, clock_(), splashTimeSec);
    if (wait > 0) {
        waiter_(wait);
    }
    hide();
}

void CSplashWnd::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    picture_.copyTo(painter, QPoint(0, 0));
}

} // namespace tessaly
