#include "comm/reachability.h"

#include "comm/icmp_pinger.h"
#include "comm/subnet_plan.h"
#include "comm/tcp_probe.h"

#include <QCoreApplication>
#include <QMutexLocker>

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace tessaly {

namespace {
std::atomic<ProbeMethod> chosenMethod{ProbeMethod::Automatic};

QString programPath() {
    if (QCoreApplication::instance() != nullptr) {
        return QCoreApplication::applicationFilePath();
    }
    return QStringLiteral("<program>");
}

QString icmpUnavailableNotice() {
    return QStringLiteral(
               "ICMP echo is not permitted for this user, so receivers are checked by a TCP "
               "connect to their port instead. To allow ping, either give the program the "
               "capability: sudo setcap cap_net_raw+ep %1, or let your group use ping sockets: "
               "sudo sysctl -w net.ipv4.ping_group_range=\"0 2147483647\"")
        .arg(programPath());
}

// What a probe does when the system permits no ICMP socket.
enum class WithoutIcmp {
    TcpProbe,        // connect to the probe port of each target
    AssumeReachable, // probe nothing: the caller's own connect tells
};

struct ProbeOutcome {
    std::vector<int> answers;
    bool overTcp = false; // the answers came from connects to the probe port
};

// Probes the targets with the chosen method; without an ICMP socket does as `withoutIcmp` says.
ProbeOutcome probeAll(const std::vector<Ipv4>& targets, int timeoutMs, int probePort,
                      WithoutIcmp withoutIcmp) {
    timeoutMs = std::max(timeoutMs, kMinPingTimeoutMs);
    const auto withoutIcmpAnswers = [&] {
        if (withoutIcmp == WithoutIcmp::AssumeReachable) {
            return ProbeOutcome{std::vector<int>(targets.size(), 1), false};
        }
        return ProbeOutcome{tcpProbeAll(targets, probePort, timeoutMs), true};
    };
    const ProbeMethod method = probeMethod();
    if (method == ProbeMethod::TcpConnect) {
        return withoutIcmpAnswers();
    }
    if (method != ProbeMethod::RawIcmp) {
        IcmpPinger pinger(IcmpSocketKind::Datagram);
        if (pinger.isOpen()) {
            return {pinger.pingAll(targets, timeoutMs)};
        }
    }
    if (method != ProbeMethod::DatagramIcmp) {
        IcmpPinger pinger(IcmpSocketKind::Raw);
        if (pinger.isOpen()) {
            return {pinger.pingAll(targets, timeoutMs)};
        }
    }
    if (method != ProbeMethod::Automatic) {
        return {std::vector<int>(targets.size(), 0)}; // a forced ICMP kind the system refuses
    }
    ReachabilityNotices::instance().noteIcmpUnavailable(icmpUnavailableNotice());
    return withoutIcmpAnswers();
}

// pingParallel's work: texts that are no address answer 0 without a probe.
ProbeOutcome probeTexts(const QStringList& ips, int timeoutMs, int probePort,
                        WithoutIcmp withoutIcmp) {
    ProbeOutcome outcome{std::vector<int>(ips.size(), 0)};
    std::vector<Ipv4> targets;
    std::vector<size_t> positions;
    for (qsizetype i = 0; i < ips.size(); ++i) {
        if (const auto address = parseIpv4(ips[i])) {
            targets.push_back(*address);
            positions.push_back(static_cast<size_t>(i));
        }
    }
    if (targets.empty()) {
        return outcome;
    }
    const ProbeOutcome probed = probeAll(targets, timeoutMs, probePort, withoutIcmp);
    for (size_t i = 0; i < positions.size(); ++i) {
        outcome.answers[positions[i]] = probed.answers[i];
    }
    outcome.overTcp = probed.overTcp;
    return outcome;
}
} // namespace

void setProbeMethod(ProbeMethod method) {
    chosenMethod.store(method, std::memory_order_relaxed);
}

ProbeMethod probeMethod() {
    return chosenMethod.load(std::memory_order_relaxed);
}

ProbeMethod effectiveProbeMethod() {
    const ProbeMethod method = probeMethod();
    if (method != ProbeMethod::Automatic) {
        return method;
    }
    if (IcmpPinger(IcmpSocketKind::Datagram).isOpen()) {
        return ProbeMethod::DatagramIcmp;
    }
    if (IcmpPinger(IcmpSocketKind::Raw).isOpen()) {
        return ProbeMethod::RawIcmp;
    }
    return ProbeMethod::TcpConnect;
}

int ping(const QString& ip, int timeoutMs, int probePort) {
    return pingParallel(QStringList{ip}, timeoutMs, probePort).front();
}

std::vector<int> pingParallel(const QStringList& ips, int timeoutMs, int probePort) {
    return probeTexts(ips, timeoutMs, probePort, WithoutIcmp::TcpProbe).answers;
}

std::vector<int> pingParallel(const QStringList& ips, int timeoutMs, int probePort, bool& overTcp) {
    ProbeOutcome outcome = probeTexts(ips, timeoutMs, probePort, WithoutIcmp::TcpProbe);
    overTcp = outcome.overTcp;
    return std::move(outcome.answers);
}

int pingBeforeConnect(const QString& ip, int timeoutMs) {
    return probeTexts(QStringList{ip}, timeoutMs, 0, WithoutIcmp::AssumeReachable).answers.front();
}

ReachabilityNotices& ReachabilityNotices::instance() {
    // Never destroyed: pings may still run on other threads while the program exits.
    static auto* notices = [] {
        auto* created = new ReachabilityNotices;
        // Whichever thread asks first, the object belongs with the application, not with a
        // worker that may end.
        if (QCoreApplication::instance() != nullptr) {
            created->moveToThread(QCoreApplication::instance()->thread());
        }
        return created;
    }();
    return *notices;
}

QString ReachabilityNotices::icmpUnavailableText() const {
    QMutexLocker lock(&mutex_);
    return text_;
}

void ReachabilityNotices::noteIcmpUnavailable(const QString& text) {
    {
        QMutexLocker lock(&mutex_);
        if (!text_.isEmpty() || text.isEmpty()) {
            return;
        }
        text_ = text;
    }
    std::fprintf(stderr, "%s\n", qPrintable(text));
    emit icmpUnavailable(text);
}

} // namespace tessaly
