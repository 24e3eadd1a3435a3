#include "cli/scan_command.h"

#include "comm/network_scanner.h"
#include "protocol/settings.h"

namespace tessaly::cli {

int runScan(const Options& options, QTextStream& out, QTextStream& err) {
    const Settings& settings = programSettings();
    NetworkScanner scanner;
    if (!scanner.readLocalAddresses()) {
        err << "tessaly-cli: cannot read the local addresses: " << scanner.errorText() << "\n";
        return kExitReceiverFailed;
    }
    if (scanner.localAddresses().empty()) {
        err << "tessaly-cli: this computer has no private IPv4 address to sweep\n";
    }
    if (options.trace) {
        for (const LocalAddress& address : scanner.localAddresses()) {
            err << "local " << address.ip << "/" << address.mask << " on " << address.interfaceName
                << "\n";
        }
        err.flush();
    }
    const int pinged = scanner.sweepLocalSubnets(kSweepPingTimeoutMs, settings.commPort);
    if (options.trace) {
        err << "swept " << pinged << " addresses\n";
        err.flush();
    }
    if (scanner.scanNeighbourTable(settings.macMasks, kScanPingTimeoutMs, settings.commPort) != 0) {
        err << "tessaly-cli: cannot read the neighbour table: " << scanner.errorText() << "\n";
        return kExitReceiverFailed;
    }
    for (const NeighbourEntry& entry : scanner.neighbours()) {
        out << entry.ip << " " << entry.mac << "\n";
    }
    out.flush();
    return kExitOk;
}

} // namespace tessaly::cli
