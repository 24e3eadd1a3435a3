#include "dialogs/neighbour_finder.h"

#include "protocol/settings.h"

#include <QApplication>
#include <QEventLoop>
#include <QPalette>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <thread>

namespace tessaly {

namespace {

constexpr int kWorkPollIntervalMs = 10; // how often the waiting dialog looks for the end

class SystemNeighbourFinder : public INeighbourFinder {
public:
    void sweepLocalSubnets() override {
        scanner_.readLocalAddresses();
        scanner_.sweepLocalSubnets(kSweepPingTimeoutMs, programSettings().commPort);
    }
    int scanNeighbourTable(std::vector<NeighbourEntry>& entries) override {
        const int failed = scanner_.scanNeighbourTable(
            programSettings().macMasks, kScanPingTimeoutMs, programSettings().commPort);
        entries = failed != 0 ? std::vector<NeighbourEntry>{} : scanner_.neighbours();
        return failed;
    }
    void ping(const QString& ip, int timeoutMs) override {
        tessaly::ping(ip, timeoutMs, programSettings().commPort);
    }

private:
    NetworkScanner scanner_;
};

} // namespace

std::shared_ptr<INeighbourFinder> systemNeighbourFinder() {
    return std::make_shared<SystemNeighbourFinder>();
}

void keepReadableWhenDisabled(QWidget& line) {
    QPalette palette = line.palette();
    palette.setColor(QPalette::Disabled, QPalette::WindowText,
                     palette.color(QPalette::Active, QPalette::WindowText));
    line.setPalette(palette);
}

void runBlockingWork(QWidget& dialog, const std::function<void()>& work) {
    const bool wasEnabled = dialog.isEnabled();
    dialog.setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // A plain thread and an atomic flag: the hand-over stays visible to ThreadSanitizer, which
    // cannot see inside Qt's own thread classes.
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done.store(true, std::memory_order_release);
    });
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done.load(std::memory_order_acquire)) {
            loop.quit();
        }
    });
    poll.start(kWorkPollIntervalMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    QApplication::restoreOverrideCursor();
    dialog.setEnabled(wasEnabled);
}

} // namespace tessaly
