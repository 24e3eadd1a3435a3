#include "dialogs/neighbour_finder.h"

#include "comm/network_scanner.h"
#include "protocol/settings.h"

#include <QApplication>
#include <QEventLoop>
#include <QPalette>
#include <QThread>
#include <QWidget>

#include <memory>

namespace tessaly {

namespace {

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
        scanner_.ping(ip, timeoutMs, programSettings().commPort);
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
    const std::unique_ptr<QThread> worker(QThread::create(work));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    QApplication::restoreOverrideCursor();
    dialog.setEnabled(wasEnabled);
}

} // namespace tessaly
