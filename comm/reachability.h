#pragma once

#include "protocol/receiver_table.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace tessaly {

// Ping time limits of the callers, and the least a ping waits whatever it is given.
constexpr int kMinPingTimeoutMs = 100;
constexpr int kEnginePingTimeoutMs = 1000;
constexpr int kAddressInputPingTimeoutMs = 1200;
constexpr int kSweepPingTimeoutMs = 1000;
constexpr int kScanPingTimeoutMs = 1000;

// How a ping reaches a host. Automatic tries a datagram ICMP socket, then a raw one, and when the
// system allows neither, a TCP connect to the probe port (an accepted or refused connection means
// the host is there).
enum class ProbeMethod { Automatic, DatagramIcmp, RawIcmp, TcpConnect };

// Process-wide choice, Automatic unless a test or a diagnostic forces one.
void setProbeMethod(ProbeMethod method);
ProbeMethod probeMethod();
// The method a ping would use now (never Automatic).
ProbeMethod effectiveProbeMethod();

// 1 when the host answered within the timeout, 0 otherwise (also for a text that is not a dotted
// IPv4 address). A timeout below kMinPingTimeoutMs waits that long. Safe to call from any
// thread.
int ping(const QString& ip, int timeoutMs, int probePort = kDefaultPortNumber);

// One result (1 or 0) per address, in the order given; all are probed at once over one socket,
// so the call takes at most about one timeout.
std::vector<int> pingParallel(const QStringList& ips, int timeoutMs,
                              int probePort = kDefaultPortNumber);
// The same, telling whether the answers came from TCP connects to the probe port.
std::vector<int> pingParallel(const QStringList& ips, int timeoutMs, int probePort, bool& overTcp);

// The ping of an engine before it connects. Without ICMP it probes nothing and answers 1 for
// any address text: the connect that follows tells whether the receiver is there, and a probe
// connection of its own could take the one control session a receiver allows.
int pingBeforeConnect(const QString& ip, int timeoutMs);

// Says once per process that ICMP is unavailable and pings fall back to TCP connects. The text
// goes to stderr as well; connect to `icmpUnavailable` to route it into a trace.
class ReachabilityNotices : public QObject {
    Q_OBJECT
public:
    static ReachabilityNotices& instance();
    // The notice text once it was given, empty before.
    QString icmpUnavailableText() const;
    // The first call prints `text` on stderr and emits the signal; later calls do nothing.
    void noteIcmpUnavailable(const QString& text);

signals:
    void icmpUnavailable(const QString& text);

private:
    ReachabilityNotices() = default;
    mutable QMutex mutex_;
    QString text_;
};

// Neighbour entry types.
constexpr int kNeighbourTypeOther = 1;
constexpr int kNeighbourTypeInvalid = 2;
constexpr int kNeighbourTypeDynamic = 3;
constexpr int kNeighbourTypeStatic = 4;

struct NeighbourEntry {
    int type = kNeighbourTypeOther;
    QString ip;  // dotted
    QString mac; // "0A-54-53-00-00-11": every byte of the link-layer address
    bool operator==(const NeighbourEntry&) const = default;
};

// A MAC prefix filter: empty = every neighbour passes.
using MacPrefixes = std::vector<std::vector<uint8_t>>;

} // namespace tessaly
