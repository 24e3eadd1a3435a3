// Reachability helpers on loopback and in pure logic: subnet planning, echo reply and neighbour
// message parsing, the neighbour filter, pings of 127.0.0.x and the TCP fallback. The sweep and the
// neighbour scan against real receivers run in test_reachability_netns.cpp.

#include "comm/engine_options.h"
#include "comm/icmp_pinger.h"
#include "comm/neighbour_table.h"
#include "comm/reachability.h"
#include "comm/subnet_plan.h"
#include "tests/support/counting_listener.h"
#include "tests/support/wait_until.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <linux/capability.h>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <thread>

using namespace tessaly;

namespace {

constexpr int kLoopbackTimeoutMs = 1000;

Ipv4 ip(const char* text) {
    return parseIpv4(QString::fromLatin1(text)).value();
}

class ProbeMethodScope {
public:
    explicit ProbeMethodScope(ProbeMethod method) { setProbeMethod(method); }
    ~ProbeMethodScope() { setProbeMethod(ProbeMethod::Automatic); }
};

// A listening TCP socket on 127.0.0.1 with a port chosen by the system.
class LoopbackListener {
public:
    LoopbackListener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            ::listen(fd_, 16) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port_ = ntohs(address.sin_port);
        }
    }
    ~LoopbackListener() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// A port on 127.0.0.1 that refuses: bound long enough to learn a free number, then closed.
int refusingLoopbackPort() {
    const LoopbackListener listener;
    return listener.port();
}

} // namespace

TEST(SubnetPlan, ParsesOnlyDottedQuads) {
    EXPECT_EQ(parseIpv4("192.168.77.11"), std::optional<Ipv4>(0xC0A84D0B));
    EXPECT_EQ(parseIpv4(" 10.0.0.1 "), std::optional<Ipv4>(0x0A000001));
    EXPECT_EQ(parseIpv4("0.0.0.0"), std::optional<Ipv4>(0));
    // Zero-padded parts mean octal to the C library and to ping: refused, as connect refuses them.
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.-4", "a.b.c.d", "1..2.3",
                            "1.2.3.4x", "receiver.local", "0x7f.0.0.1", "1234.1.1.1",
                            "127.000.000.003", "010.0.0.1", "1.2.3.04", "1.2 .3.4", "+1.2.3.4"}) {
        EXPECT_FALSE(parseIpv4(QString::fromLatin1(bad))) << bad;
    }
    EXPECT_EQ(ipv4Text(0xC0A84D0B), "192.168.77.11");
}

TEST(SubnetPlan, PrivateRangesAndTheirEdges) {
    for (const char* yes : {"10.0.0.0", "10.255.255.255", "172.16.0.1", "172.31.255.254",
                            "192.168.0.1", "192.168.255.255"}) {
        EXPECT_TRUE(isPrivateIpv4(ip(yes))) << yes;
    }
    for (const char* no : {"9.255.255.255", "11.0.0.0", "172.15.255.255", "172.32.0.0",
                           "192.167.1.1", "192.169.1.1", "127.0.0.1", "169.254.1.1", "8.8.8.8"}) {
        EXPECT_FALSE(isPrivateIpv4(ip(no))) << no;
    }
}

TEST(SubnetPlan, SweepsEachSmallSubnetOnceAndLargeOnesByBroadcast) {
    const Ipv4 mask24 = ip("255.255.255.0");
    const Ipv4 mask16 = ip("255.255.0.0");
    const std::vector<Ipv4> broadcasts = distinctBroadcasts(
        {{ip("192.168.77.1"), mask24}, {ip("10.20.1.1"), mask16}, {ip("192.168.77.200"), mask24}});
    ASSERT_EQ(broadcasts, (std::vector<Ipv4>{ip("192.168.77.255"), ip("10.20.255.255")}));

    const std::vector<Ipv4> targets = sweepTargets(broadcasts);
    ASSERT_EQ(targets.size(), 256u); // 192.168.77.0 to .254, then 10.20.255.255
    EXPECT_EQ(targets.front(), ip("192.168.77.0"));
    EXPECT_EQ(targets[254], ip("192.168.77.254"));
    EXPECT_EQ(targets.back(), ip("10.20.255.255"));

    // A /25 ends in .127 and a /8 has 255 in its second octet: the broadcast alone.
    EXPECT_EQ(sweepTargets({ip("192.168.5.127")}), std::vector<Ipv4>{ip("192.168.5.127")});
    EXPECT_EQ(sweepTargets({ip("10.255.255.255")}), std::vector<Ipv4>{ip("10.255.255.255")});
    // A /23 sweeps its upper /24.
    EXPECT_EQ(sweepTargets({ip("192.168.77.255")}).size(), 255u);
    EXPECT_TRUE(sweepTargets({}).empty());
}

TEST(EchoReply, BuildsAChecksummedRequestWithOurPayload) {
    const auto packet = buildEchoRequest(0x1234, 0xABCD);
    ASSERT_EQ(packet.size(), kIcmpHeaderSize + kEchoPayloadSize);
    EXPECT_EQ(packet[0], 8);
    EXPECT_EQ(packet[4], 0x12);
    EXPECT_EQ(packet[7], 0xCD);
    EXPECT_EQ(std::memcmp(packet.data() + kIcmpHeaderSize, "ICMP SEND DATA", 14), 0);
    uint32_t sum = 0; // a correct checksum makes the ones' complement sum 0xFFFF
    for (size_t i = 0; i < packet.size(); i += 2) {
        sum += static_cast<uint32_t>(packet[i] << 8 | packet[i + 1]);
    }
    while (sum >> 16) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    EXPECT_EQ(sum, 0xFFFFu);
}

TEST(EchoReply, AcceptsOnlyWholeRepliesWithOurPayload) {
    std::vector<uint8_t> reply = buildEchoRequest(0x0102, 7);
    reply[0] = 0; // echo reply
    const auto parsed = parseEchoReply(reply.data(), reply.size(), IcmpSocketKind::Datagram);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->identifier, 0x0102);
    EXPECT_EQ(parsed->sequence, 7);

    // Raw sockets deliver the IPv4 header first, with options when the header length says so.
    for (const uint8_t headerWords : {5, 6}) {
        std::vector<uint8_t> raw(headerWords * 4u, 0);
        raw[0] = static_cast<uint8_t>(0x40 | headerWords);
        raw.insert(raw.end(), reply.begin(), reply.end());
        EXPECT_TRUE(parseEchoReply(raw.data(), raw.size(), IcmpSocketKind::Raw));
        for (size_t cut = 0; cut < raw.size(); ++cut) {
            EXPECT_FALSE(parseEchoReply(raw.data(), cut, IcmpSocketKind::Raw)) << cut;
        }
    }
    std::vector<uint8_t> lying(20, 0);
    lying[0] = 0x4F; // claims 60 header bytes
    lying.insert(lying.end(), reply.begin(), reply.end());
    EXPECT_FALSE(parseEchoReply(lying.data(), lying.size(), IcmpSocketKind::Raw));
    EXPECT_FALSE(parseEchoReply(reply.data(), reply.size(), IcmpSocketKind::Raw)); // no IP header

    std::vector<uint8_t> request = buildEchoRequest(1, 1); // our own request seen on loopback
    EXPECT_FALSE(parseEchoReply(request.data(), request.size(), IcmpSocketKind::Datagram));
    std::vector<uint8_t> foreign = reply;
    foreign.back() ^= 0x01;
    EXPECT_FALSE(parseEchoReply(foreign.data(), foreign.size(), IcmpSocketKind::Datagram));
    EXPECT_FALSE(parseEchoReply(nullptr, 0, IcmpSocketKind::Datagram));

    std::mt19937 random(42);
    std::vector<uint8_t> noise(200);
    for (int round = 0; round < 2000; ++round) {
        for (auto& byte : noise) {
            byte = static_cast<uint8_t>(random());
        }
        const size_t length = random() % noise.size();
        parseEchoReply(noise.data(), length, IcmpSocketKind::Raw);
        parseEchoReply(noise.data(), length, IcmpSocketKind::Datagram);
    }
}

namespace {

void appendAttribute(std::vector<uint8_t>& message, uint16_t type, const void* data,
                     uint16_t length) {
    const uint16_t total = static_cast<uint16_t>(4 + length);
    const size_t start = message.size();
    message.resize(start + ((total + 3u) & ~3u), 0);
    std::memcpy(message.data() + start, &total, 2);
    std::memcpy(message.data() + start + 2, &type, 2);
    std::memcpy(message.data() + start + 4, data, length);
}

std::vector<uint8_t> netlinkMessage(uint16_t type, uint32_t sequence,
                                    const std::vector<uint8_t>& body) {
    std::vector<uint8_t> message(sizeof(nlmsghdr), 0);
    nlmsghdr header{};
    header.nlmsg_len = static_cast<uint32_t>(sizeof header + body.size());
    header.nlmsg_type = type;
    header.nlmsg_seq = sequence;
    std::memcpy(message.data(), &header, sizeof header);
    message.insert(message.end(), body.begin(), body.end());
    message.resize((message.size() + 3u) & ~3u, 0);
    return message;
}

std::vector<uint8_t> neighbourBody(const char* address, uint16_t state,
                                   const std::vector<uint8_t>& mac) {
    std::vector<uint8_t> body(sizeof(ndmsg), 0);
    ndmsg header{};
    header.ndm_family = AF_INET;
    header.ndm_state = state;
    std::memcpy(body.data(), &header, sizeof header);
    const uint32_t networkOrder = htonl(ip(address));
    appendAttribute(body, NDA_DST, &networkOrder, 4);
    if (!mac.empty()) {
        appendAttribute(body, NDA_LLADDR, mac.data(), static_cast<uint16_t>(mac.size()));
    }
    return body;
}

std::vector<uint8_t> concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

} // namespace

TEST(NeighbourMessages, ReadsRowsOfOurDumpUntilDone) {
    constexpr uint32_t kSeq = 9;
    const std::vector<uint8_t> mac{0x0A, 0x54, 0x53, 0, 0, 0x11};
    const auto buffer = concat(
        {netlinkMessage(RTM_NEWNEIGH, kSeq, neighbourBody("192.168.77.11", NUD_REACHABLE, mac)),
         netlinkMessage(RTM_NEWNEIGH, kSeq, neighbourBody("192.168.77.5", NUD_FAILED, {})),
         netlinkMessage(RTM_NEWNEIGH, kSeq + 1, neighbourBody("10.0.0.1", NUD_STALE, mac)),
         netlinkMessage(RTM_NEWNEIGH, kSeq, neighbourBody("192.168.77.9", NUD_PERMANENT, mac)),
         netlinkMessage(NLMSG_DONE, kSeq, std::vector<uint8_t>(4, 0))});
    std::vector<NeighbourRow> rows;
    int error = 0;
    ASSERT_EQ(parseNeighbourMessages(buffer.data(), buffer.size(), kSeq, rows, error),
              NetlinkParse::Done);
    ASSERT_EQ(rows.size(), 3u); // the other dump's row is not ours
    EXPECT_EQ(rows[0].ip, ip("192.168.77.11"));
    EXPECT_EQ(rows[0].type, kNeighbourTypeDynamic);
    EXPECT_EQ(rows[0].linkAddress, mac);
    EXPECT_EQ(rows[1].type, kNeighbourTypeInvalid);
    EXPECT_TRUE(rows[1].linkAddress.empty());
    EXPECT_EQ(rows[2].type, kNeighbourTypeStatic);

    // Without the end marker the reader asks for more.
    rows.clear();
    const size_t firstOnly =
        netlinkMessage(RTM_NEWNEIGH, kSeq, neighbourBody("1.2.3.4", 0, mac)).size();
    EXPECT_EQ(parseNeighbourMessages(buffer.data(), firstOnly, kSeq, rows, error),
              NetlinkParse::More);
}

TEST(NeighbourMessages, ReportsKernelErrorsAndSurvivesMalformedInput) {
    constexpr uint32_t kSeq = 3;
    const int negativeErrno = -EPERM;
    std::vector<uint8_t> errorBody(sizeof(nlmsgerr), 0);
    std::memcpy(errorBody.data(), &negativeErrno, sizeof negativeErrno);
    const auto error = netlinkMessage(NLMSG_ERROR, kSeq, errorBody);
    std::vector<NeighbourRow> rows;
    int code = 0;
    EXPECT_EQ(parseNeighbourMessages(error.data(), error.size(), kSeq, rows, code),
              NetlinkParse::Failed);
    EXPECT_EQ(code, EPERM);

    auto overlong = netlinkMessage(RTM_NEWNEIGH, kSeq, neighbourBody("1.2.3.4", 0, {1, 2}));
    const uint32_t tooLong = 4096;
    std::memcpy(overlong.data(), &tooLong, 4);
    EXPECT_EQ(parseNeighbourMessages(overlong.data(), overlong.size(), kSeq, rows, code),
              NetlinkParse::Failed);

    // An attribute claiming more bytes than its message holds drops the row, nothing more.
    auto body = neighbourBody("1.2.3.4", NUD_REACHABLE, {1, 2, 3, 4, 5, 6});
    const uint16_t badLength = 200;
    std::memcpy(body.data() + sizeof(ndmsg) + 8, &badLength, 2);
    const auto badAttribute = netlinkMessage(RTM_NEWNEIGH, kSeq, body);
    rows.clear();
    EXPECT_EQ(parseNeighbourMessages(badAttribute.data(), badAttribute.size(), kSeq, rows, code),
              NetlinkParse::More);
    EXPECT_TRUE(rows.empty());

    const auto good = concat(
        {netlinkMessage(RTM_NEWNEIGH, kSeq, neighbourBody("1.2.3.4", NUD_REACHABLE, {1, 2, 3})),
         netlinkMessage(NLMSG_DONE, kSeq, {0, 0, 0, 0})});
    for (size_t cut = 0; cut < good.size(); ++cut) {
        rows.clear();
        parseNeighbourMessages(good.data(), cut, kSeq, rows, code);
    }
    std::mt19937 random(7);
    std::vector<uint8_t> noise(300);
    for (int round = 0; round < 2000; ++round) {
        for (auto& byte : noise) {
            byte = static_cast<uint8_t>(random());
        }
        std::memcpy(noise.data() + 8, &kSeq, 4);
        rows.clear();
        parseNeighbourMessages(noise.data(), random() % noise.size(), kSeq, rows, code);
    }
}

TEST(NeighbourFilter, KeepsResolvedUnicastRowsMatchingAPrefix) {
    const MacPrefixes vendor{{0x0A, 0x54, 0x53}};
    const MacPrefixes other{{0x00, 0x1B, 0x2C}};
    const MacPrefixes none;
    auto row = [](const char* address, int type, std::vector<uint8_t> mac) {
        return NeighbourRow{type, ip(address), std::move(mac)};
    };
    const NeighbourRow receiver =
        row("192.168.77.11", kNeighbourTypeDynamic, {0x0A, 0x54, 0x53, 0, 0, 0x11});
    const NeighbourRow zeroMac = row("192.168.77.20", kNeighbourTypeDynamic, {0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(passesNeighbourFilter(receiver, vendor));
    EXPECT_TRUE(passesNeighbourFilter(receiver, none));
    EXPECT_FALSE(passesNeighbourFilter(receiver, other));
    EXPECT_TRUE(passesNeighbourFilter(receiver, MacPrefixes{{0x00, 0x1B}, {0x0A, 0x54}}));
    EXPECT_TRUE(passesNeighbourFilter(zeroMac, none));
    EXPECT_FALSE(passesNeighbourFilter(zeroMac, vendor));
    // A prefix longer than the address cannot match it.
    EXPECT_FALSE(passesNeighbourFilter(row("192.168.77.12", 3, {0x0A, 0x54}), vendor));

    for (const MacPrefixes& filter : {vendor, none}) {
        EXPECT_FALSE(
            passesNeighbourFilter(row("192.168.77.13", kNeighbourTypeDynamic, {}), filter));
        EXPECT_FALSE(passesNeighbourFilter(
            row("192.168.77.14", kNeighbourTypeInvalid, {0x0A, 0x54, 0x53, 0, 0, 1}), filter));
        EXPECT_FALSE(passesNeighbourFilter(
            row("192.168.77.255", kNeighbourTypeStatic, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
            filter));
        EXPECT_FALSE(passesNeighbourFilter(
            row("224.0.0.5", kNeighbourTypeStatic, {0x0A, 0x54, 0x53, 0, 0, 0x99}), filter));
        EXPECT_FALSE(passesNeighbourFilter(
            row("239.255.255.250", kNeighbourTypeStatic, {0x0A, 0x54, 0x53, 0, 0, 0x98}), filter));
        EXPECT_TRUE(passesNeighbourFilter(
            row("240.0.0.1", kNeighbourTypeStatic, {0x0A, 0x54, 0x53, 0, 0, 0x97}), filter));
    }
    EXPECT_EQ(macText({0x0A, 0x54, 0x53, 0x00, 0xAB, 0x11}), "0A-54-53-00-AB-11");
    EXPECT_EQ(macText({}), "");
}

TEST(Ping, AnswersOnLoopbackAndRejectsWhatIsNoAddress) {
    EXPECT_EQ(ping("127.0.0.1", kLoopbackTimeoutMs), 1);
    EXPECT_EQ(ping("127.0.0.42", kLoopbackTimeoutMs), 1);
    EXPECT_EQ(ping("", kLoopbackTimeoutMs), 0);
    EXPECT_EQ(ping("127.0.0.256", kLoopbackTimeoutMs), 0);
    EXPECT_EQ(ping("localhost", kLoopbackTimeoutMs), 0);

    QStringList many;
    for (int host = 1; host <= 60; ++host) {
        many << QStringLiteral("127.0.0.%1").arg(host);
    }
    many.insert(30, QStringLiteral("not an address"));
    const std::vector<int> results = pingParallel(many, kLoopbackTimeoutMs);
    ASSERT_EQ(results.size(), 61u);
    for (size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i], i == 30 ? 0 : 1) << i;
    }
}

TEST(Ping, EachIcmpSocketKindAnswersOnLoopbackWhereTheSystemAllowsIt) {
    int kindsTried = 0;
    for (const auto& [method, kind] :
         {std::pair{ProbeMethod::DatagramIcmp, IcmpSocketKind::Datagram},
          std::pair{ProbeMethod::RawIcmp, IcmpSocketKind::Raw}}) {
        if (!IcmpPinger(kind).isOpen()) {
            continue;
        }
        ++kindsTried;
        const ProbeMethodScope scope(method);
        EXPECT_EQ(effectiveProbeMethod(), method);
        EXPECT_EQ(pingParallel({"127.0.0.1", "127.0.0.9", "127.0.0.1"}, kLoopbackTimeoutMs),
                  (std::vector<int>{1, 1, 1}));
    }
    if (kindsTried == 0) {
        GTEST_SKIP() << "this user may open no ICMP socket (no CAP_NET_RAW, ping_group_range "
                        "excludes the group)";
    }
}

TEST(Ping, ConcurrentCallersEachGetTheirOwnAnswers) {
    std::vector<std::thread> threads;
    std::vector<std::vector<int>> results(6);
    for (size_t t = 0; t < results.size(); ++t) {
        threads.emplace_back([t, &results] {
            QStringList ips;
            for (int host = 1; host <= 20; ++host) {
                ips << QStringLiteral("127.0.%1.%2").arg(t + 1).arg(host);
            }
            for (int round = 0; round < 3; ++round) {
                results[t] = pingParallel(ips, kLoopbackTimeoutMs);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (const auto& result : results) {
        EXPECT_EQ(result, std::vector<int>(20, 1));
    }
}

TEST(TcpFallback, AcceptedAndRefusedConnectionsBothMeanTheHostAnswered) {
    const ProbeMethodScope scope(ProbeMethod::TcpConnect);
    EXPECT_EQ(effectiveProbeMethod(), ProbeMethod::TcpConnect);
    const LoopbackListener listener;
    ASSERT_GT(listener.port(), 0);
    const int refusing = refusingLoopbackPort();
    ASSERT_GT(refusing, 0);
    EXPECT_EQ(ping("127.0.0.1", kLoopbackTimeoutMs, listener.port()), 1);
    EXPECT_EQ(ping("127.0.0.1", kLoopbackTimeoutMs, refusing), 1);
    EXPECT_EQ(ping("127.0.0.1", kLoopbackTimeoutMs, 0), 0);     // no such port
    EXPECT_EQ(ping("127.0.0.1", kLoopbackTimeoutMs, 70000), 0); // no such port
}

TEST(TcpFallback, EnginesLeaveTheControlPortToTheirConnectAndProbesCloseInOrder) {
    const ProbeMethodScope scope(ProbeMethod::TcpConnect);
    const tessaly::testing::CountingListener receiver("127.0.0.1");
    ASSERT_GT(receiver.port(), 0);
    const PingFunction enginePing = systemPing();
    EXPECT_EQ(enginePing("127.0.0.1", kLoopbackTimeoutMs, receiver.port()), 1);
    EXPECT_EQ(enginePing("127.000.000.001", kLoopbackTimeoutMs, receiver.port()), 0);
    // The sweep and the scan still probe: one connection, ended by an orderly close.
    EXPECT_EQ(ping("127.0.0.1", kLoopbackTimeoutMs, receiver.port()), 1);
    EXPECT_TRUE(tessaly::testing::waitUntil([&] { return receiver.closedInOrder() == 1; }));
    EXPECT_EQ(receiver.accepted(), 1) << "the engine's ping must not have connected";
    EXPECT_EQ(receiver.reset(), 0);
}

namespace {

bool dropNetRawCapability() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) != 0) {
        return false;
    }
    for (auto& word : data) {
        word.effective &= ~(1u << CAP_NET_RAW);
        word.permitted &= ~(1u << CAP_NET_RAW);
        word.inheritable &= ~(1u << CAP_NET_RAW);
    }
    return syscall(SYS_capset, &header, data) == 0;
}

// Runs in a forked child, inside a network namespace of its own with only loopback: forbids both
// kinds of ICMP socket, then pings. Returns the exit code: 0 when all checks held.
int pingWithoutIcmpInChild() {
    if (::unshare(CLONE_NEWNET) != 0 || std::system("ip link set lo up") != 0) {
        return 10;
    }
    if (std::system("sysctl -qw net.ipv4.ping_group_range='1 0'") != 0 || !dropNetRawCapability()) {
        return 11;
    }
    if (IcmpPinger(IcmpSocketKind::Datagram).isOpen() || IcmpPinger(IcmpSocketKind::Raw).isOpen()) {
        return 12;
    }
    int notices = 0;
    QString noticed;
    QObject::connect(&ReachabilityNotices::instance(), &ReachabilityNotices::icmpUnavailable,
                     [&](const QString& text) {
                         ++notices;
                         noticed = text;
                     });
    if (effectiveProbeMethod() != ProbeMethod::TcpConnect) {
        return 13;
    }
    const int port = refusingLoopbackPort();
    if (ping("127.0.0.1", kLoopbackTimeoutMs, port) != 1 ||
        pingParallel({"127.0.0.2", "127.0.0.3"}, kLoopbackTimeoutMs, port) !=
            std::vector<int>{1, 1}) {
        return 14;
    }
    if (notices != 1 || noticed != ReachabilityNotices::instance().icmpUnavailableText() ||
        !noticed.contains("setcap cap_net_raw+ep") || !noticed.contains("ping_group_range")) {
        return 15;
    }
    return 0;
}

} // namespace

TEST(TcpFallback, WithoutAnyIcmpSocketPingsStillAnswerAndSayWhyOnce) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to make a network namespace and drop CAP_NET_RAW in it";
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::_exit(pingWithoutIcmpInChild());
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 10) {
        GTEST_SKIP() << "no network namespace could be made here";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0) << "see pingWithoutIcmpInChild for the failed step";
}
