#pragma once

#include "comm/subnet_plan.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tessaly {

enum class IcmpSocketKind { Datagram, Raw };

// Echo request: type 8, code 0, checksum, identifier, sequence, then these data bytes.
constexpr char kEchoPayload[] = "ICMP SEND DATA";
constexpr size_t kEchoPayloadSize = sizeof(kEchoPayload) - 1;
constexpr size_t kIcmpHeaderSize = 8;

std::vector<uint8_t> buildEchoRequest(uint16_t identifier, uint16_t sequence);

struct EchoReply {
    uint16_t identifier = 0;
    uint16_t sequence = 0;
};

// An echo reply carrying our payload, from a datagram socket (ICMP message only) or a raw one
// (IPv4 header first); nothing for anything else, whatever its length.
std::optional<EchoReply> parseEchoReply(const uint8_t* data, size_t length, IcmpSocketKind kind);

// One ICMP socket that sends an echo to many hosts at once and matches the replies by identifier,
// sequence and source. Each object owns its socket and its results, so separate objects may run on
// separate threads at the same time.
class IcmpPinger {
public:
    // Opens the socket; isOpen() false (and errorCode() the errno) when the system refuses it.
    explicit IcmpPinger(IcmpSocketKind kind);
    ~IcmpPinger();
    IcmpPinger(const IcmpPinger&) = delete;
    IcmpPinger& operator=(const IcmpPinger&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int errorCode() const { return errorCode_; }

    // 1 per target that answered within the timeout, else 0; returns early when all answered.
    std::vector<int> pingAll(const std::vector<Ipv4>& targets, int timeoutMs);

private:
    void receivePending(const std::vector<Ipv4>& batch, size_t offset, std::vector<int>& results,
                        size_t& answered);

    IcmpSocketKind kind_;
    int fd_ = -1;
    int errorCode_ = 0;
    uint16_t identifier_ = 0;
};

} // namespace tessaly
