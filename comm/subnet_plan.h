#pragma once

#include "protocol/ipv4_address.h"

#include <cstdint>
#include <optional>
#include <vector>

#include <QString>

namespace tessaly {

// Dotted-quad text to address by parseIpv4Text, blanks around it ignored; nothing for anything
// else. Pings, connects and the address dialog all read addresses with it.
std::optional<Ipv4> parseIpv4(const QString& text);
QString ipv4Text(Ipv4 address);

// 10/8, 172.16/12 or 192.168/16.
bool isPrivateIpv4(Ipv4 address);

// Address OR NOT mask.
inline Ipv4 broadcastOf(Ipv4 address, Ipv4 mask) {
    return address | ~mask;
}

struct AddressAndMask {
    Ipv4 address = 0;
    Ipv4 mask = 0;
};

// Distinct broadcast addresses of the given local addresses, in first-occurrence order.
std::vector<Ipv4> distinctBroadcasts(const std::vector<AddressAndMask>& local);

// What a sweep pings for each broadcast address b0.b1.b2.b3: when b3 is 255 and none of b0..b2
// is (a subnet of at most 256 addresses), b0.b1.b2.0 to b0.b1.b2.254; otherwise the broadcast
// address alone.
std::vector<Ipv4> sweepTargets(const std::vector<Ipv4>& broadcasts);

} // namespace tessaly
