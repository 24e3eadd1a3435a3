#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace tessaly {

// 1 when the host answered within the timeout, 0 otherwise. Uses ICMP echo; where the system
// permits no ICMP socket it falls back to a TCP connect probe of `probePort`.
int ping(const QString& ip, int timeoutMs, int probePort = 5025);

// One result per address, in the order given, all pinged at once.
std::vector<int> pingParallel(const QStringList& ips, int timeoutMs, int probePort = 5025);

// The computer's private IPv4 addresses with their masks.
struct LocalAddress {
    QString ip;
    QString mask;
};
std::vector<LocalAddress> localPrivateAddresses();

// Pings every address of the local private subnets so that the neighbour table fills.
void sweepLocalSubnets(int timeoutMs = 1000);

// Receivers in the neighbour table: IP and MAC ("00-1B-2C-3D-4E-5F"), filtered by prefixes.
struct NeighbourEntry {
    QString ip;
    QString mac;
};
std::vector<NeighbourEntry> scanNeighbours(const std::vector<std::vector<uint8_t>>& macPrefixes);

} // namespace tessaly
