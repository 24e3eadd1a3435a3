#pragma once

#include "comm/reachability.h"
#include "comm/subnet_plan.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessaly {

// One IPv4 row of the kernel's neighbour table.
struct NeighbourRow {
    int type = kNeighbourTypeOther;
    Ipv4 ip = 0;
    std::vector<uint8_t> linkAddress; // empty while unresolved
};

// Neighbour entry type of a kernel NUD state.
int neighbourTypeOfState(uint16_t nudState);

enum class NetlinkParse { More, Done, Failed };

// Appends the IPv4 rows of one buffer of rtnetlink neighbour messages to `rows`. Any length and
// content is handled; malformed messages end the parse as Failed. A kernel error message sets
// `errorCode` (a positive errno).
NetlinkParse parseNeighbourMessages(const uint8_t* data, size_t length, uint32_t sequence,
                                    std::vector<NeighbourRow>& rows, int& errorCode);

// Reads the kernel's IPv4 neighbour table (rtnetlink). On failure returns false with the system's
// error text.
bool readNeighbourTable(std::vector<NeighbourRow>& rows, QString& errorText);

// "0A-54-53-00-00-11".
QString macText(const std::vector<uint8_t>& linkAddress);

// A row a scan considers: a resolved, valid, non-broadcast, non-multicast row whose link address
// begins with one of the prefixes (an empty prefix list lets every such row pass).
bool passesNeighbourFilter(const NeighbourRow& row, const MacPrefixes& macPrefixes);

} // namespace tessaly
