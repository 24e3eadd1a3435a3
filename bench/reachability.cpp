// Reachability: the subnet sweep plus the neighbour scan of one /24 holding 12 simulated
// receivers, inside a private LAN that this program builds out of network namespaces (a
// workstation namespace with a bridge, one namespace per receiver joined by a veth pair). The
// whole process enters the workstation namespace before it starts any thread and checks that it
// sees nothing but that LAN; no packet leaves it. Needs root; without it, says so and skips.

#include "comm/reachability.h"
#include "bench/bench_support.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace tessaly;
using namespace tessaly::bench;

namespace {

constexpr int kReceivers = 12;
constexpr int kRounds = 3;
constexpr double kWallRatioBudget = 1.3;
constexpr double kCpuBudgetMs = 50.0;
const char* const kPrefix = "tbench";
const char* const kSubnet = "192.168.78.";
const char* const kWorkstationAddress = "192.168.78.1";

bool run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string nsName(const std::string& role) {
    return kPrefix + std::to_string(::getpid()) + role;
}

// Namespaces of an earlier run that was killed: their owner's pid is gone.
void removeStale() {
    FILE* list = ::popen("ip netns list 2>/dev/null", "r");
    if (list == nullptr) {
        return;
    }
    char line[256];
    while (std::fgets(line, sizeof line, list) != nullptr) {
        std::string name(line);
        name = name.substr(0, name.find_first_of(" \n"));
        const long owner = std::atol(name.c_str() + std::strlen(kPrefix));
        if (name.rfind(kPrefix, 0) == 0 && owner > 0 && ::kill(static_cast<pid_t>(owner), 0) != 0) {
            run("ip netns del " + name);
        }
    }
    ::pclose(list);
}

class BenchLan {
public:
    BenchLan() : workstation_(nsName("ws")) {
        removeStale();
        const std::string ws = "ip -n " + workstation_;
        ready_ = add(workstation_) && run(ws + " link set lo up") &&
                 run(ws + " link add br0 type bridge forward_delay 0") &&
                 run(ws + " link set br0 up") &&
                 run(ws + " addr add " + kWorkstationAddress + "/24 dev br0") &&
                 run("ip netns exec " + workstation_ +
                     " sysctl -qw net.ipv4.ping_group_range='0 2147483647'");
        for (int i = 1; ready_ && i <= kReceivers; ++i) {
            const std::string name = nsName("rx" + std::to_string(i));
            const std::string rx = "ip -n " + name;
            char mac[32];
            std::snprintf(mac, sizeof mac, "0a:54:53:00:01:%02x", i);
            const std::string ip = kSubnet + std::to_string(10 + i);
            std::string port = "p";
            port += std::to_string(i);
            ready_ = add(name) &&
                     run(ws + " link add " + port + " type veth peer name eth0 netns " + name) &&
                     run(ws + " link set " + port + " master br0 up") &&
                     run(rx + " link set eth0 address " + mac) && run(rx + " link set lo up") &&
                     run(rx + " link set eth0 up") && run(rx + " addr add " + ip + "/24 dev eth0");
        }
    }
    ~BenchLan() {
        for (const std::string& name : made_) {
            run("ip netns del " + name);
        }
    }
    bool ready() const { return ready_; }
    const std::string& workstation() const { return workstation_; }

private:
    bool add(const std::string& name) {
        if (!run("ip netns add " + name)) {
            return false;
        }
        made_.push_back(name);
        return true;
    }
    std::string workstation_;
    std::vector<std::string> made_;
    bool ready_ = false;
};

void printSkip(const char* why) {
    std::printf("## Reachability: sweep plus neighbour scan of one /24, %d receivers\n\n"
                "Skipped: %s.\n\n",
                kReceivers, why);
}

} // namespace

int main(int argc, char** argv) {
    if (::geteuid() != 0) {
        printSkip("needs root to build the private LAN of network namespaces");
        return 0;
    }
    BenchLan lan;
    if (!lan.ready()) {
        printSkip("the network namespaces, veth pairs or bridge could not be made");
        return 0;
    }
    // Before any thread exists, so that every thread Qt or the pinger starts is inside too.
    const std::string path = "/var/run/netns/" + lan.workstation();
    const int target = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (target < 0 || ::setns(target, CLONE_NEWNET) != 0) {
        printSkip("the workstation namespace could not be entered");
        return 0;
    }
    ::close(target);
    QCoreApplication app(argc, argv);

    // Never sweep a real network: this process must see only the bench LAN.
    NetworkScanner guard;
    if (!guard.readLocalAddresses() || guard.localAddresses().size() != 1 ||
        guard.localAddresses()[0].ip != QLatin1String(kWorkstationAddress) ||
        guard.localAddresses()[0].mask != QLatin1String("255.255.255.0")) {
        printSkip("the namespace shows other addresses than the bench LAN's; not sweeping");
        return 1;
    }

    const MacPrefixes vendor{{0x0a, 0x54, 0x53}};
    std::vector<double> wallMs, cpuMs;
    size_t found = 0;
    int pinged = 0;
    for (int round = 0; round < kRounds; ++round) {
        // Every round starts from an empty neighbour table, as on a fresh start.
        run("ip neigh flush dev br0");
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
