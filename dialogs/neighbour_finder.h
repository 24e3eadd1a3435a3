#pragma once

#include "comm/reachability.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace tessaly {

// How the configuration dialogs find receivers on the LAN: the sweep of the local subnets, the
// neighbour (ARP) table scan and a single ping. The program's finder runs NetworkScanner with
// the MAC prefixes and port of the settings; tests put their own in its place, so that nothing
// is ever swept from a test. Calls come from one worker thread at a time (runBlockingWork).
class INeighbourFinder {
public:
    virtual ~INeighbourFinder() = default;
    virtual void sweepLocalSubnets() = 0;
    // 0 with the entries that pass the MAC prefix filter and answer a ping, or 1 when the
    // neighbour table could not be read (no entries then).
    virtual int scanNeighbourTable(std::vector<NeighbourEntry>& entries) = 0;
    virtual void ping(const QString& ip, int timeoutMs) = 0;
};

std::shared_ptr<INeighbourFinder> systemNeighbourFinder();

// A status line that runBlockingWork's disabling leaves readable, for what it says meanwhile.
void keepReadableWhenDisabled(QWidget& line);

// Shown while a dialog sweeps and scans (UTF-8).
constexpr const char* kSearchingText = "Searching the network\xE2\x80\xA6";

// Runs `work` on a worker thread and waits for it while the dialog keeps painting: the dialog's
// controls disabled, the wait cursor shown, no input taken. Returns when the work is done.
void runBlockingWork(QWidget& dialog, const std::function<void()>& work);

} // namespace tessaly
