#pragma once

// A monitor host without a main window: for tests that run monitor control on its own.

#include "monitor/monitor_control.h"

namespace tessaly::testing {

class NoWindowHost : public IMonitorHost {
public:
    void layoutBuilt() override {}
    void invalidate() override {}
    bool hasMainWindow() const override { return false; }
    bool mainWindowMaximised() const override { return false; }
    QRect mainWindowRect() const override { return {}; }
    void placeMainWindow(const QRect&) override {}
    void resizeMainWindow(QSize) override {}
    PlatformMetrics platformMetrics() const override { return {}; }
    void imageCreationFailed() override {}
};

} // namespace tessaly::testing
