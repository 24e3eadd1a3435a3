// The sweep, the neighbour scan and pings against receivers on a private LAN that this test builds
// out of network namespaces: a workstation namespace with 192.168.77.1/24 on a bridge, and one
// namespace per receiver joined to that bridge by a veth pair. The code under test runs on this
// process's main thread after it has entered the workstation namespace; nothing leaves it.

#include "comm/neighbour_table.h"
#include "comm/network_scanner.h"
#include "comm/reachability.h"
#include "tests/support/counting_listener.h"
#include "tests/support/netns_lab_test.h"
#include "tests/support/wait_until.h"

#include <gtest/gtest.h>

#include <QSet>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

constexpr int kQuickTimeoutMs = 400; // a bridge between namespaces answers in microseconds
const char* const kNamespacePrefix = "trch";
const char* const kWorkstationAddress = "192.168.77.1";

struct Receiver {
    const char* ip;
    const char* mac;
    bool answersPing;
};

// .14 carries the vendor prefix but ignores pings; .13 answers but belongs to another maker.
const Receiver kReceivers[] = {{"192.168.77.11", "0a:54:53:00:00:11", true},
                               {"192.168.77.12", "0a:54:53:00:00:12", true},
                               {"192.168.77.13", "02:11:22:00:00:13", true},
                               {"192.168.77.14", "0a:54:53:00:00:14", false}};
const char* const kAbsent = "192.168.77.250";

// The lab LAN with the receivers above; every namespace goes again with it.
class TestLan : public NetnsLab {
public:
    TestLan() : NetnsLab(kNamespacePrefix) {
        // Root may then use datagram ping sockets too, so both kinds can be tested.
        ready_ = addWorkstation(kWorkstationAddress) && allowDatagramPing();
        int number = 0;
        for (const Receiver& receiver : kReceivers) {
            const std::string role = "rx" + std::to_string(++number);
            ready_ = ready_ && addHost(role, receiver.ip, receiver.mac) &&
                     (receiver.answersPing ||
                      execIn(name(role), "sysctl -qw net.ipv4.icmp_echo_ignore_all=1"));
        }
        // Only now: the bridge takes a new MAC address with each port, and that flushes even
        // permanent neighbour entries.
        const std::string& ws = workstation();
        ready_ = ready_ &&
                 ipIn(ws, "neigh add 224.0.0.5 lladdr 0a:54:53:00:00:99 dev br0 nud permanent") &&
                 ipIn(ws, "neigh add 192.168.77.255 lladdr ff:ff:ff:ff:ff:ff dev br0 nud "
                          "permanent") &&
                 ipIn(ws, "neigh add 192.168.77.200 lladdr 00:00:00:00:00:00 dev br0 nud "
                          "permanent");
    }
    bool ready() const { return ready_; }

private:
    bool ready_ = false;
};

QSet<QString> entryTexts(const std::vector<NeighbourEntry>& entries) {
    QSet<QString> texts;
    for (const NeighbourEntry& entry : entries) {
        texts << entry.ip + " " + entry.mac + " " + QString::number(entry.type);
    }
    return texts;
}

const NeighbourRow* findRow(const std::vector<NeighbourRow>& rows, const char* address) {
    const Ipv4 wanted = parseIpv4(QString::fromLatin1(address)).value();
    const auto found = std::find_if(rows.begin(), rows.end(),
                                    [&](const NeighbourRow& row) { return row.ip == wanted; });
    return found == rows.end() ? nullptr : &*found;
}

class Reachability : public NetnsLabTest<TestLan> {
protected:
    void TearDown() override {
        setProbeMethod(ProbeMethod::Automatic);
        NetnsLabTest::TearDown();
    }

    // Runs an ip command in the workstation namespace.
    static bool workstationRuns(const std::string& arguments) {
        return NetnsLab::ipIn(lan->workstation(), arguments);
    }
};

TEST_F(Reachability, PingAnswersForPresentHostsOnlyWithEitherIcmpSocket) {
    for (const ProbeMethod method : {ProbeMethod::DatagramIcmp, ProbeMethod::RawIcmp}) {
        setProbeMethod(method);
        ASSERT_EQ(effectiveProbeMethod(), method);
        EXPECT_EQ(ping("192.168.77.11", kQuickTimeoutMs), 1);
        EXPECT_EQ(ping(kAbsent, kQuickTimeoutMs), 0);
        EXPECT_EQ(ping("192.168.77.14", kQuickTimeoutMs), 0); // present, but ignores echoes
        EXPECT_EQ(pingParallel({"192.168.77.12", kAbsent, kWorkstationAddress, "192.168.77.13",
                                "no address", "192.168.77.12", "192.168.77.14"},
                               kQuickTimeoutMs),
                  (std::vector<int>{1, 0, 1, 1, 0, 1, 0}));
    }
}

TEST_F(Reachability, TcpFallbackCountsRefusedConnectionsAndTimesOutOnAbsentHosts) {
    setProbeMethod(ProbeMethod::TcpConnect);
    // Nothing listens on the receivers: each refuses, which proves the host is there, even the
    // one that ignores ICMP.
    EXPECT_EQ(pingParallel({"192.168.77.11", "192.168.77.14", kAbsent}, kQuickTimeoutMs),
              (std::vector<int>{1, 1, 0}));
}

TEST_F(Reachability, TcpFallbackConnectsToEachControlPortOncePerSweepAndScan) {
    std::unique_ptr<CountingListener> receiver;
    std::thread([&] {
        NetnsVisit visit; // the listener's socket belongs to receiver 1's namespace
        if (visit.enter(NetnsLab::path(lan->name("rx1")))) {
            receiver = std::make_unique<CountingListener>(kReceivers[0].ip);
        }
    }).join();
    ASSERT_TRUE(receiver && receiver->port() > 0);
    setProbeMethod(ProbeMethod::TcpConnect);
    ASSERT_TRUE(workstationRuns("neigh flush dev br0"));
    NetworkScanner scanner;
    ASSERT_EQ(scanner.sweepLocalSubnets(kQuickTimeoutMs, receiver->port()), 255);
    ASSERT_EQ(scanner.scanNeighbourTable({{0x0A, 0x54, 0x53}}, kQuickTimeoutMs, receiver->port()),
              0);
    // Receivers 2 and 4 refuse the port, which shows they are there too.
    EXPECT_EQ(
        entryTexts(scanner.neighbours()),
        (QSet<QString>{"192.168.77.11 0A-54-53-00-00-11 3", "192.168.77.12 0A-54-53-00-00-12 3",
                       "192.168.77.14 0A-54-53-00-00-14 3"}));
    EXPECT_TRUE(waitUntil([&] { return receiver->closedInOrder() == 1; }));
    EXPECT_EQ(receiver->accepted(), 1);
    EXPECT_EQ(receiver->reset(), 0);
}

TEST_F(Reachability, SweepFillsTheNeighbourTableAndScanReturnsAnsweringReceivers) {
    ASSERT_TRUE(workstationRuns("neigh flush dev br0")); // keeps the permanent entries
    std::vector<NeighbourRow> before;
    QString error;
    ASSERT_TRUE(readNeighbourTable(before, error)) << error.toStdString();
    ASSERT_EQ(findRow(before, "192.168.77.11"), nullptr) << "the table must start without it";
    ASSERT_NE(findRow(before, "224.0.0.5"), nullptr);
    EXPECT_EQ(findRow(before, "224.0.0.5")->type, kNeighbourTypeStatic);

    NetworkScanner scanner;
    EXPECT_EQ(scanner.sweepLocalSubnets(kQuickTimeoutMs), 255);
    EXPECT_EQ(scanner.subnets(), QStringList{"192.168.77.255"});

    std::vector<NeighbourRow> after;
    ASSERT_TRUE(readNeighbourTable(after, error)) << error.toStdString();
    for (const Receiver& receiver : kReceivers) {
        const NeighbourRow* row = findRow(after, receiver.ip);
        ASSERT_NE(row, nullptr) << receiver.ip;
        EXPECT_EQ(macText(row->linkAddress), QString(receiver.mac).toUpper().replace(':', '-'));
        EXPECT_EQ(row->type, kNeighbourTypeDynamic);
    }

    const MacPrefixes vendor{{0x0A, 0x54, 0x53}};
    ASSERT_EQ(scanner.scanNeighbourTable(vendor, kQuickTimeoutMs), 0);
    EXPECT_EQ(scanner.errorFlag(), 0);
    EXPECT_EQ(
        entryTexts(scanner.neighbours()),
        (QSet<QString>{"192.168.77.11 0A-54-53-00-00-11 3", "192.168.77.12 0A-54-53-00-00-12 3"}));

    ASSERT_EQ(scanner.scanNeighbourTable({}, kQuickTimeoutMs), 0);
    EXPECT_EQ(
        entryTexts(scanner.neighbours()),
        (QSet<QString>{"192.168.77.11 0A-54-53-00-00-11 3", "192.168.77.12 0A-54-53-00-00-12 3",
                       "192.168.77.13 02-11-22-00-00-13 3"}));

    ASSERT_EQ(scanner.scanNeighbourTable({{0x0A, 0x54, 0x54}}, kQuickTimeoutMs), 0);
    EXPECT_TRUE(scanner.neighbours().empty());
}

TEST_F(Reachability, SweepCoversEachPrivateSubnetOnceAndLargeOnesByBroadcast) {
    // A second address in the same /24, a private /16, a public and a link-local address.
    const char* const extra[] = {"192.168.77.2/24", "10.20.1.1/16", "203.0.113.7/24",
                                 "169.254.3.3/16"};
    for (const char* address : extra) {
        ASSERT_TRUE(workstationRuns(std::string("addr add ") + address + " dev br0")) << address;
    }
    NetworkScanner scanner;
    const int pinged = scanner.sweepLocalSubnets(kQuickTimeoutMs);
    for (const char* address : extra) {
        workstationRuns(std::string("addr del ") + address + " dev br0");
    }
    EXPECT_EQ(scanner.localAddresses().size(), 3u);
    EXPECT_EQ(QSet<QString>(scanner.subnets().begin(), scanner.subnets().end()),
              (QSet<QString>{"192.168.77.255", "10.20.255.255"}));
    EXPECT_EQ(pinged, 256); // one /24 sweep and one broadcast ping

    std::vector<NeighbourRow> rows;
    QString error;
    ASSERT_TRUE(readNeighbourTable(rows, error));
    const Ipv4 broadcast16 = parseIpv4("10.20.255.255").value();
    for (const NeighbourRow& row : rows) {
        EXPECT_TRUE((row.ip >> 16) != 0x0A14 || row.ip == broadcast16)
            << "of 10.20/16 only the broadcast address is pinged, not "
            << ipv4Text(row.ip).toStdString();
    }
}

TEST_F(Reachability, SafetyCheckRefusesAnotherPrivateAddressAndAThreadOutsideTheLab) {
    ASSERT_TRUE(workstationRuns("addr add 10.20.1.1/16 dev br0"));
    const std::string withExtra = sweepSafetyProblem(*lan);
    workstationRuns("addr del 10.20.1.1/16 dev br0");
    EXPECT_NE(withExtra.find("10.20.1.1/255.255.0.0 on br0"), std::string::npos) << withExtra;
    EXPECT_TRUE(sweepSafetyProblem(*lan).empty());

    ASSERT_TRUE(visit_.leave());
    EXPECT_EQ(sweepSafetyProblem(*lan),
              "this thread is not inside the lab's workstation namespace");
}

TEST_F(Reachability, ConcurrentSweepsScansAndPingsEachGetWholeResults) {
    const QSet<QString> expected{"192.168.77.11 0A-54-53-00-00-11 3",
                                 "192.168.77.12 0A-54-53-00-00-12 3"};
    std::vector<QSet<QString>> scans(4);
    std::vector<int> sweeps(scans.size(), 0);
    std::vector<std::vector<int>> pings(3);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < scans.size(); ++t) {
        threads.emplace_back([t, &scans, &sweeps] {
            NetworkScanner scanner;
            sweeps[t] = scanner.sweepLocalSubnets(kQuickTimeoutMs);
            if (scanner.scanNeighbourTable({{0x0A, 0x54, 0x53}}, kQuickTimeoutMs) == 0) {
                scans[t] = entryTexts(scanner.neighbours());
            }
        });
    }
    for (size_t t = 0; t < pings.size(); ++t) {
        threads.emplace_back([t, &pings] {
            pings[t] = pingParallel({"192.168.77.11", kAbsent, "192.168.77.13", "127.0.0.1"},
                                    kQuickTimeoutMs);
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (size_t t = 0; t < scans.size(); ++t) {
        EXPECT_EQ(sweeps[t], 255) << t;
        EXPECT_EQ(scans[t], expected) << t;
    }
    for (const auto& result : pings) {
        EXPECT_EQ(result, (std::vector<int>{1, 0, 1, 1}));
    }
}

} // namespace
