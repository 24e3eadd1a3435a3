#include "comm/icmp_pinger.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>

namespace tessaly {

namespace {
constexpr uint8_t kEchoRequestType = 8;
constexpr uint8_t kEchoReplyType = 0;
constexpr size_t kMinIpv4HeaderSize = 20;
constexpr size_t kSequenceSpace = 65536; // echoes one socket tells apart at a time
constexpr int kReceiveBufferBytes = 1 << 20;
constexpr size_t kReplyBufferBytes = 4096; // longer packets arrive cut, and are no reply of ours
constexpr int kMaxErrorsPerDrain = 64;

using Clock = std::chrono::steady_clock;

uint16_t readBigEndian16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

uint16_t internetChecksum(const uint8_t* data, size_t length) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < length; i += 2) {
        sum += readBigEndian16(data + i);
    }
    if (length % 2 != 0) {
        sum += static_cast<uint32_t>(data[length - 1]) << 8;
    }
    while (sum >> 16) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<uint16_t>(~sum);
}

// Raw sockets see every ICMP message of the host, so each pinger needs an identifier of its own.
uint16_t nextRawIdentifier() {
    static std::atomic<uint32_t> counter{0};
    const uint32_t serial = counter.fetch_add(1, std::memory_order_relaxed);
    return static_cast<uint16_t>((static_cast<uint32_t>(::getpid()) * 977u + serial) & 0xFFFF);
}

int remainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<int64_t>(0, left.count()));
}
} // namespace

std::vector<uint8_t> buildEchoRequest(uint16_t identifier, uint16_t sequence) {
    std::vector<uint8_t> packet(kIcmpHeaderSize + kEchoPayloadSize, 0);
    packet[0] = kEchoRequestType;
    packet[4] = static_cast<uint8_t>(identifier >> 8);
    packet[5] = static_cast<uint8_t>(identifier & 0xFF);
    packet[6] = static_cast<uint8_t>(sequence >> 8);
    packet[7] = static_cast<uint8_t>(sequence & 0xFF);
    std::memcpy(packet.data() + kIcmpHeaderSize, kEchoPayload, kEchoPayloadSize);
    const uint16_t checksum = internetChecksum(packet.data(), packet.size());
    packet[2] = static_cast<uint8_t>(checksum >> 8);
    packet[3] = static_cast<uint8_t>(checksum & 0xFF);
    return packet;
}

std::optional<EchoReply> parseEchoReply(const uint8_t* data, size_t length, IcmpSocketKind kind) {
    if (data == nullptr) {
        return std::nullopt;
    }
    size_t offset = 0;
    if (kind == IcmpSocketKind::Raw) {
        if (length < kMinIpv4HeaderSize || (data[0] >> 4) != 4) {
            return std::nullopt;
        }
        offset = static_cast<size_t>(data[0] & 0x0F) * 4;
        if (offset < kMinIpv4HeaderSize || offset > length) {
            return std::nullopt;
        }
    }
    const size_t icmpLength = length - offset;
    if (icmpLength < kIcmpHeaderSize + kEchoPayloadSize) {
        return std::nullopt;
    }
    const uint8_t* icmp = data + offset;
    if (icmp[0] != kEchoReplyType || icmp[1] != 0 ||
        std::memcmp(icmp + kIcmpHeaderSize, kEchoPayload, kEchoPayloadSize) != 0) {
        return std::nullopt;
    }
    return EchoReply{readBigEndian16(icmp + 4), readBigEndian16(icmp + 6)};
}

IcmpPinger::IcmpPinger(IcmpSocketKind kind) : kind_(kind) {
    const int type = kind == IcmpSocketKind::Datagram ? SOCK_DGRAM : SOCK_RAW;
    fd_ = ::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd_ < 0) {
        errorCode_ = errno;
        return;
    }
    const int on = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);
    if (kind == IcmpSocketKind::Raw) {
        icmp_filter filter{};
        filter.data = ~(1u << kEchoReplyType);
        ::setsockopt(fd_, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
        identifier_ = nextRawIdentifier();
    }
}

IcmpPinger::~IcmpPinger() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void IcmpPinger::receivePending(const std::vector<Ipv4>& targets, size_t offset,
                                std::vector<int>& results, size_t& answered) {
    std::array<uint8_t, kReplyBufferBytes> buffer{};
    int errorsLeft = kMaxErrorsPerDrain;
    for (;;) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t received = ::recvfrom(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                            reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (received < 0) {
            if (errno == EINTR) {
                continue;
            }
            // EAGAIN ends the drain; a queued ICMP error on a datagram socket is read and dropped
            // here, and the next call goes on with the replies behind it.
            if (errno == EAGAIN || errno == EWOULDBLOCK || --errorsLeft <= 0) {
                return;
            }
            continue;
        }
        const auto reply = parseEchoReply(buffer.data(), static_cast<size_t>(received), kind_);
        if (!reply || from.sin_family != AF_INET) {
            continue;
        }
        // The kernel picks and checks the identifier of a datagram socket itself.
        if (kind_ == IcmpSocketKind::Raw && reply->identifier != identifier_) {
            continue;
        }
        const size_t index = offset + reply->sequence;
        if (index >= targets.size() || index - offset >= kSequenceSpace) {
            continue;
        }
        if (ntohl(from.sin_addr.s_addr) == targets[index] && results[index] == 0) {
            results[index] = 1;
            ++answered;
        }
    }
}

std::vector<int> IcmpPinger::pingAll(const std::vector<Ipv4>& targets, int timeoutMs) {
    std::vector<int> results(targets.size(), 0);
    if (fd_ < 0) {
        return results;
    }
    for (size_t offset = 0; offset < targets.size(); offset += kSequenceSpace) {
        const size_t end = std::min(targets.size(), offset + kSequenceSpace);
        const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
        size_t expected = 0;
        size_t answered = 0;
        for (size_t index = offset; index < end; ++index) {
            const auto packet =
                buildEchoRequest(identifier_, static_cast<uint16_t>(index - offset));
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_addr.s_addr = htonl(targets[index]);
            for (;;) {
                const ssize_t sent = ::sendto(fd_, packet.data(), packet.size(), 0,
                                              reinterpret_cast<sockaddr*>(&to), sizeof to);
                if (sent >= 0) {
                    ++expected;
                    break;
                }
                if (errno == EINTR) {
                    continue;
                }
                if ((errno == EAGAIN || errno == ENOBUFS) && remainingMs(deadline) > 0) {
                    pollfd waitWritable{fd_, POLLOUT, 0};
                    ::poll(&waitWritable, 1, std::min(remainingMs(deadline), 10));
                    receivePending(targets, offset, results, answered);
                    continue;
                }
                break; // no route, not permitted, ...: this one stays 0
            }
            receivePending(targets, offset, results, answered);
        }
        while (answered < expected) {
            const int wait = remainingMs(deadline);
            if (wait <= 0) {
                break;
            }
            pollfd readable{fd_, POLLIN, 0};
            const int ready = ::poll(&readable, 1, wait);
            if (ready < 0 && errno != EINTR) {
                break;
            }
            if (ready > 0) {
                receivePending(targets, offset, results, answered);
            }
        }
    }
    return results;
}

} // namespace tessaly
