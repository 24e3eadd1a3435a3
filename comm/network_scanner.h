#pragma once

#include "comm/reachability.h"
#include "comm/subnet_plan.h"
#include "protocol/receiver_table.h"

#include <QString>
#include <QStringList>

#include <map>
#include <vector>

namespace tessaly {

struct LocalAddress {
    QString ip;        // dotted
    QString mask;      // dotted
    QString broadcast; // address OR NOT mask, dotted
    QString interfaceName;
};

// Finds receivers on the local private subnets: one object per using dialog. Every call blocks
// the calling thread; separate scanners may run on different threads at once.
class NetworkScanner {
public:
    // Fills localAddresses() with the private IPv4 addresses (10/8, 172.16/12, 192.168/16) of the
    // computer; on failure the list is empty and errorText() says why. Returns false on failure.
    bool readLocalAddresses();

    // Pings every address of each local private /24 subnet (a larger subnet: only its broadcast
    // address) so that the neighbour table learns the receivers' MAC addresses. Returns how many
    // addresses were pinged.
    int sweepLocalSubnets(int timeoutMs = kSweepPingTimeoutMs, int probePort = kDefaultPortNumber);

    // Reads the neighbour table, keeps the entries that pass the filter and answer a ping.
    // Returns 0, or 1 when the table could not be read (errorFlag() 1, errorText() set).
    int scanNeighbourTable(const MacPrefixes& macPrefixes, int timeoutMs = kScanPingTimeoutMs,
                           int probePort = kDefaultPortNumber);

    // A ping whose answer, when it came over TCP, the next scan takes instead of probing again.
    int ping(const QString& ip, int timeoutMs = kAddressInputPingTimeoutMs,
             int probePort = kDefaultPortNumber);

    const std::vector<NeighbourEntry>& neighbours() const { return neighbours_; }
    const std::vector<LocalAddress>& localAddresses() const { return localAddresses_; }
    const QStringList& subnets() const { return subnets_; } // distinct broadcast addresses
    int errorFlag() const { return errorFlag_; }
    const QString& errorText() const { return errorText_; }

private:
    // Without ICMP every probe is a connection to the receiver's control port. What the sweep
    // (or ping) learnt that way, by address, so that the scan after it touches no host twice.
    void rememberTcpAnswers(const QStringList& ips, const std::vector<int>& answers);

    std::map<Ipv4, int> tcpAnswers_;
    std::vector<NeighbourEntry> neighbours_;
    std::vector<LocalAddress> localAddresses_;
    QStringList subnets_;
    int errorFlag_ = 0;
    QString errorText_;
};

} // namespace tessaly
