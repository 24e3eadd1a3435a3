#include "comm/subnet_plan.h"

#include <algorithm>

namespace tessaly {

namespace {
constexpr int kOctetMax = 255;
constexpr int kLastSweptHost = 254; // .255 is the broadcast address itself

int octet(Ipv4 address, int index) {
    return (address >> (8 * (3 - index))) & 0xFF;
}
} // namespace

std::optional<Ipv4> parseIpv4(const QString& text) {
    return parseIpv4Text(text.trimmed().toLatin1().toStdString());
}

QString ipv4Text(Ipv4 address) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(octet(address, 0))
        .arg(octet(address, 1))
        .arg(octet(address, 2))
        .arg(octet(address, 3));
}

bool isPrivateIpv4(Ipv4 address) {
    const int first = octet(address, 0);
    const int second = octet(address, 1);
    return first == 10 || (first == 172 && second >= 16 && second <= 31) ||
           (first == 192 && second == 168);
}

std::vector<Ipv4> distinctBroadcasts(const std::vector<AddressAndMask>& local) {
    std::vector<Ipv4> result;
    for (const AddressAndMask& entry : local) {
        const Ipv4 broadcast = broadcastOf(entry.address, entry.mask);
        if (std::find(result.begin(), result.end(), broadcast) == result.end()) {
            result.push_back(broadcast);
        }
    }
    return result;
}

std::vector<Ipv4> sweepTargets(const std::vector<Ipv4>& broadcasts) {
    std::vector<Ipv4> targets;
    for (const Ipv4 broadcast : broadcasts) {
        const bool smallSubnet =
            octet(broadcast, 3) == kOctetMax && octet(broadcast, 0) != kOctetMax &&
            octet(broadcast, 1) != kOctetMax && octet(broadcast, 2) != kOctetMax;
        if (!smallSubnet) {
            targets.push_back(broadcast);
            continue;
        }
        const Ipv4 base = broadcast & 0xFFFFFF00u;
        for (int host = 0; host <= kLastSweptHost; ++host) {
            targets.push_back(base | static_cast<Ipv4>(host));
        }
    }
    return targets;
}

} // namespace tessaly
