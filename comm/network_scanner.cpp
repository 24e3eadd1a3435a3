#include "comm/neighbour_table.h"
#include "comm/reachability.h"
#include "comm/subnet_plan.h"
#include "comm/system_error_text.h"

#include <arpa/inet.h>
#include <cerrno>
#include <ifaddrs.h>
#include <netinet/in.h>

namespace tessaly {

namespace {
Ipv4 addressOf(const sockaddr* socketAddress) {
    return ntohl(reinterpret_cast<const sockaddr_in*>(socketAddress)->sin_addr.s_addr);
}
} // namespace

bool NetworkScanner::readLocalAddresses() {
    localAddresses_.clear();
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        errorText_ = systemErrorText(errno);
        return false;
    }
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_netmask == nullptr ||
            entry->ifa_addr->sa_family != AF_INET) {
            continue;
        }
        const Ipv4 address = addressOf(entry->ifa_addr);
        if (!isPrivateIpv4(address)) {
            continue;
        }
        const Ipv4 mask = addressOf(entry->ifa_netmask);
        localAddresses_.push_back({ipv4Text(address), ipv4Text(mask),
                                   ipv4Text(broadcastOf(address, mask)),
                                   QString::fromLocal8Bit(entry->ifa_name)});
    }
    ::freeifaddrs(list);
    return true;
}

int NetworkScanner::sweepLocalSubnets(int timeoutMs, int probePort) {
    subnets_.clear();
    if (!readLocalAddresses()) {
        return 0;
    }
    std::vector<AddressAndMask> local;
    for (const LocalAddress& entry : localAddresses_) {
        local.push_back({parseIpv4(entry.ip).value_or(0), parseIpv4(entry.mask).value_or(0)});
    }
    const std::vector<Ipv4> broadcasts = distinctBroadcasts(local);
    QStringList targetTexts;
    for (const Ipv4 broadcast : broadcasts) {
        subnets_ << ipv4Text(broadcast);
    }
    for (const Ipv4 target : sweepTargets(broadcasts)) {
        targetTexts << ipv4Text(target);
    }
    if (!targetTexts.isEmpty()) {
        pingParallel(targetTexts, timeoutMs, probePort); // only the neighbour table matters
    }
    return static_cast<int>(targetTexts.size());
}

int NetworkScanner::scanNeighbourTable(const MacPrefixes& macPrefixes, int timeoutMs,
                                       int probePort) {
    neighbours_.clear();
    errorFlag_ = 0;
    errorText_.clear();
    std::vector<NeighbourRow> rows;
    if (!readNeighbourTable(rows, errorText_)) {
        errorFlag_ = 1;
        return 1;
    }
    std::vector<NeighbourEntry> candidates;
    QStringList ips;
    for (const NeighbourRow& row : rows) {
        if (passesNeighbourFilter(row, macPrefixes)) {
            candidates.push_back({row.type, ipv4Text(row.ip), macText(row.linkAddress)});
            ips << candidates.back().ip;
        }
    }
    const std::vector<int> answers = pingParallel(ips, timeoutMs, probePort);
    for (size_t i = 0; i < candidates.size(); ++i) {
        if (answers[i] == 1) {
            neighbours_.push_back(candidates[i]);
        }
    }
    return 0;
}

} // namespace tessaly
