#pragma once

#include "comm/subnet_plan.h"

#include <vector>

namespace tessaly {

// Reachability without ICMP: a TCP connect to `port` of every target at once. A completed or a
// refused connection means the host answered (1); a timeout or an unreachable host gives 0.
std::vector<int> tcpProbeAll(const std::vector<Ipv4>& targets, int port, int timeoutMs);

} // namespace tessaly
