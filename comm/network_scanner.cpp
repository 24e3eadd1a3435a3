#include "comm/network_scanner.h"
#include "comm/neighbour_table.h"
#include "comm/reachability.h"
#include "comm/subnet_plan.h"
#include "comm/system_error_text.h"

#include <arpa/inet.h>
#include <cerrno>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <utility>

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

void NetworkScanner::rememberTcpAnswers(const QStringList& ips, const std::vector<int>& answers) {
    for (qsizetype i = 0; i < ips.size(); ++i) {
        if (const auto address = parseIpv4(ips[i])) {
            tcpAnswers_[*address] = answers[static_cast<size_t>(i)];
        }
    }
}

int NetworkScanner::ping(const QString& ip, int timeoutMs, int probePort) {
    bool overTcp = false;
    const std::vector<int> answers = pingParallel({ip}, timeoutMs, probePort, overTcp);
    if (overTcp) {
        rememberTcpAnswers({ip}, answers);
    }
    return answers.front();
}

int NetworkScanner::sweepLocalSubnets(int timeoutMs, int probePort) {
    subnets_.clear();
    tcpAnswers_.clear();
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
        // Only the neighbour table matters, unless the answers came over TCP.
        bool overTcp = false;
        const std::vector<int> answers = pingParallel(targetTexts, timeoutMs, probePort, overTcp);
        if (overTcp) {
            rememberTcpAnswers(targetTexts, answers);
        }
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
    // A host whose control port the sweep has just connected to is not connected to again.
    const std::map<Ipv4, int> known = std::exchange(tcpAnswers_, {});
    std::vector<NeighbourEntry> candidates;
    std::vector<int> answers;
    QStringList unknownIps;
    std::vector<size_t> unknownPositions;
    for (const NeighbourRow& row : rows) {
        if (!passesNeighbourFilter(row, macPrefixes)) {
            continue;
        }
        candidates.push_back({row.type, ipv4Text(row.ip), macText(row.linkAddress)});
        const auto found = known.find(row.ip);
        answers.push_back(found == known.end() ? 0 : found->second);
        if (found == known.end()) {
            unknownIps << candidates.back().ip;
            unknownPositions.push_back(candidates.size() - 1);
        }
    }
    const std::vector<int> probed = pingParallel(unknownIps, timeoutMs, probePort);
    for (size_t i = 0; i < unknownPositions.size(); ++i) {
        answers[unknownPositions[i]] = probed[i];
    }
    for (size_t i = 0; i < candidates.size(); ++i) {
        if (answers[i] == 1) {
            neighbours_.push_back(candidates[i]);
        }
    }
    return 0;
}

} // namespace tessaly
