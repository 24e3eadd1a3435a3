#pragma once

#include "chrome/image_png.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>

namespace tessaly {

// The shaped picture shown while the program starts, carrying the short version and the
// artwork's year; it stays up at least the splash time of the settings.
class CSplashWnd : public QWidget {
    Q_OBJECT

public:
    // Seconds since the epoch; replaceable so that tests need not wait.
    using Clock = std::function<int64_t()>;
    // Waits the given number of seconds while the windows keep painting.
    using Waiter = std::function<void(int seconds)>;

    explicit CSplashWnd(const QString& shortVersion);

    // Shows the splash centred on the screen and paints it at once; the splash time counts
    // from here.
    void showSplash();

    // Waits out the rest of the splash time, then hides the window.
    void finish(int splashTimeSec);

    // Whole seconds still to wait; never negative.
    static int remainingSeconds(int64_t startTime, int64_t now, int splashTimeSec);

    void setClock(Clock clock) { clock_ = std::move(clock); }
    void setWaiter(Waiter waiter) { waiter_ = std::move(waiter); }

    const QImage& picture() const { return picture_.image(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ImageSurface picture_;
    int64_t startTime_ = 0;
    Clock clock_;
    Waiter waiter_;
};

} // namespace tessaly
