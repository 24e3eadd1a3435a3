#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tessaly {

// IPv4 addresses in host byte order.
using Ipv4 = uint32_t;

// The program's one reader of IPv4 address texts, for pinging, connecting, sweeping and the
// address the operator types: four decimal parts from 0 to 255 joined by dots and nothing else.
// No empty part, no sign or blank, no host names or short forms, and no leading zero: the C
// library and ping read "010" as octal 8 where others read 10, so such a text is refused
// rather than taken for one host here and for another elsewhere.
std::optional<Ipv4> parseIpv4Text(std::string_view text);

} // namespace tessaly
