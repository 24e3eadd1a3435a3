// Reachability: the subnet sweep plus the neighbour scan of one /24 holding 12 simulated
// receivers, inside a private LAN that this program builds out of network namespaces (a
// workstation namespace with a bridge, one namespace per receiver joined by a veth pair). The
// whole process enters the workstation namespace before it starts any thread and checks that it
// sees nothing but that LAN; no packet leaves it. Needs root; without it, says so and skips.

#include "comm/reachability.h"
#include "bench/bench_support.h"
#include "comm/network_scanner.h"
#include "tests/support/netns_lab.h"

#include <QCoreApplication>

#include <cstdio>
#include <string>
#include <vector>

using namespace tessaly;
using namespace tessaly::bench;
using namespace tessaly::testing;

namespace {

constexpr int kReceivers = 12;
constexpr int kRounds = 3;
constexpr double kWallRatioBudget = 1.3;
constexpr double kCpuBudgetMs = 50.0;
const char* const kPrefix = "tbench";
const char* const kSubnet = "192.168.78.";
const char* const kWorkstationAddress = "192.168.78.1";

bool buildLan(NetnsLab& lan) {
    bool ready = lan.addWorkstation(kWorkstationAddress) && lan.allowDatagramPing();
    for (int i = 1; ready && i <= kReceivers; ++i) {
        char mac[32];
        std::snprintf(mac, sizeof mac, "0a:54:53:00:01:%02x", i);
        ready = lan.addHost("rx" + std::to_string(i), kSubnet + std::to_string(10 + i), mac);
    }
    return ready;
}

void printSkip(const char* why) {
    std::printf("## Reachability: sweep plus neighbour scan of one /24, %d receivers\n\n"
                "Skipped: %s.\n\n",
                kReceivers, why);
}

} // namespace

int main(int argc, char** argv) {
    if (!mayBuildLabs()) {
        printSkip("needs root to build the private LAN of network namespaces");
        return 0;
    }
    NetnsLab lan(kPrefix);
    if (!buildLan(lan)) {
        printSkip("the network namespaces, veth pairs or bridge could not be made");
        return 0;
    }
    // Before any thread exists, so that every thread Qt or the pinger starts is inside too.
    NetnsVisit visit;
    if (!visit.enter(NetnsLab::path(lan.workstation()))) {
        printSkip("the workstation namespace could not be entered");
        return 0;
    }
    QCoreApplication app(argc, argv);

    // Never sweep a real network: this process must see only the bench LAN.
    if (const std::string problem = sweepSafetyProblem(lan); !problem.empty()) {
        printSkip(("not sweeping: " + problem).c_str());
        return 1;
    }

    const MacPrefixes vendor{{0x0a, 0x54, 0x53}};
    std::vector<double> wallMs, cpuMs;
    size_t found = 0;
    int pinged = 0;
    for (int round = 0; round < kRounds; ++round) {
        // Every round starts from an empty neighbour table, as on a fresh start.
        runQuietly("ip neigh flush dev br0");
        NetworkScanner scanner;
        const int64_t wall0 = monotonicNs();
        const int64_t cpu0 = processCpuNs();
        scanner.readLocalAddresses();
        pinged = scanner.sweepLocalSubnets();
        const int scanResult = scanner.scanNeighbourTable(vendor);
        cpuMs.push_back(static_cast<double>(processCpuNs() - cpu0) / 1e6);
        wallMs.push_back(static_cast<double>(monotonicNs() - wall0) / 1e6);
        found = scanResult == 0 ? scanner.neighbours().size() : 0;
    }
    const double limit = kSweepPingTimeoutMs;
    const double wall = percentile(wallMs, 50);
    const double cpu = percentile(cpuMs, 50);
    std::vector<ResultRow> rows{
        {QStringLiteral("sweep + scan wall time, median of %1 (ms)").arg(kRounds), fixed(wall, 0),
         fixed(limit, 0), fixed(wall / limit, 2), QStringLiteral("≤ %1×").arg(kWallRatioBudget),
         metText(wall / limit <= kWallRatioBudget)},
        {QStringLiteral("sweep + scan wall time, worst (ms)"),
         fixed(percentile(wallMs, 100), 0),
         fixed(limit, 0),
         fixed(percentile(wallMs, 100) / limit, 2),
         {},
         {}},
        {QStringLiteral("CPU time, median (ms)"),
         fixed(cpu, 1),
         {},
         {},
         QStringLiteral("< %1 ms").arg(kCpuBudgetMs),
         metText(cpu < kCpuBudgetMs)},
        {QStringLiteral("addresses pinged by the sweep"), QString::number(pinged), {}, {}, {}, {}},
        {QStringLiteral("receivers found"),
         QString::number(found),
         QString::number(kReceivers),
         {},
         QString::number(kReceivers),
         metText(found == static_cast<size_t>(kReceivers))},
    };
    printSection(QStringLiteral("Reachability: sweep plus neighbour scan of one /24, %1 receivers")
                     .arg(kReceivers),
                 rows,
                 {QStringLiteral("the limit is the one-second ping timeout; probe method: %1")
                      .arg(effectiveProbeMethod() == ProbeMethod::DatagramIcmp ? "datagram ICMP"
                           : effectiveProbeMethod() == ProbeMethod::RawIcmp    ? "raw ICMP"
                                                                               : "TCP connect")});
    return 0;
}
