#include "comm/neighbour_table.h"

#include "comm/system_error_text.h"

#include <cerrno>
#include <cstring>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>

namespace tessaly {

namespace {
constexpr size_t kNetlinkAlign = 4;
constexpr size_t kNetlinkHeaderSize = 16;
constexpr size_t kNeighbourMessageSize = 12;
constexpr size_t kAttributeHeaderSize = 4;
constexpr size_t kIpv4Size = 4;
constexpr size_t kMaxLinkAddressSize = 32; // INFINIBAND is the longest at 20
constexpr size_t kReceiveBufferBytes = 32768;
constexpr int kFirstMulticastOctet = 224;
constexpr int kLastMulticastOctet = 239;
constexpr int kReceiveTimeoutMs = 2000;
constexpr int kMaxReceives = 100000; // a table ends long before this; a kernel that loops does not

size_t alignedSize(size_t size) {
    return (size + kNetlinkAlign - 1) & ~(kNetlinkAlign - 1);
}

template <typename T> T readAt(const uint8_t* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

void parseNeighbour(const uint8_t* message, size_t length, std::vector<NeighbourRow>& rows) {
    if (length < kNeighbourMessageSize) {
        return;
    }
    ndmsg header{};
    std::memcpy(&header, message, std::min(sizeof header, kNeighbourMessageSize));
    if (header.ndm_family != AF_INET) {
        return;
    }
    NeighbourRow row;
    row.type = neighbourTypeOfState(header.ndm_state);
    bool haveIp = false;
    size_t offset = alignedSize(kNeighbourMessageSize);
    while (offset + kAttributeHeaderSize <= length) {
        const auto attributeLength = readAt<uint16_t>(message + offset);
        const auto attributeType = readAt<uint16_t>(message + offset + 2);
        if (attributeLength < kAttributeHeaderSize || offset + attributeLength > length) {
            return;
        }
        const uint8_t* payload = message + offset + kAttributeHeaderSize;
        const size_t payloadLength = attributeLength - kAttributeHeaderSize;
        if (attributeType == NDA_DST && payloadLength == kIpv4Size) {
            row.ip = ntohl(readAt<uint32_t>(payload));
            haveIp = true;
        } else if (attributeType == NDA_LLADDR && payloadLength <= kMaxLinkAddressSize) {
            row.linkAddress.assign(payload, payload + payloadLength);
        }
        offset += alignedSize(attributeLength);
    }
    if (haveIp) {
        rows.push_back(std::move(row));
    }
}
} // namespace

int neighbourTypeOfState(uint16_t nudState) {
    if (nudState & (NUD_PERMANENT | NUD_NOARP)) {
        return kNeighbourTypeStatic;
    }
    if (nudState & (NUD_REACHABLE | NUD_STALE | NUD_DELAY | NUD_PROBE)) {
        return kNeighbourTypeDynamic;
    }
    if (nudState & (NUD_INCOMPLETE | NUD_FAILED)) {
        return kNeighbourTypeInvalid;
    }
    return kNeighbourTypeOther;
}

NetlinkParse parseNeighbourMessages(const uint8_t* data, size_t length, uint32_t sequence,
                                    std::vector<NeighbourRow>& rows, int& errorCode) {
    if (data == nullptr) {
        return NetlinkParse::Failed;
    }
    size_t offset = 0;
    while (offset + kNetlinkHeaderSize <= length) {
        const nlmsghdr header = readAt<nlmsghdr>(data + offset);
        if (header.nlmsg_len < kNetlinkHeaderSize || header.nlmsg_len > length - offset) {
            return NetlinkParse::Failed;
        }
        const uint8_t* body = data + offset + kNetlinkHeaderSize;
        const size_t bodyLength = header.nlmsg_len - kNetlinkHeaderSize;
        if (header.nlmsg_seq == sequence) {
            if (header.nlmsg_type == NLMSG_DONE) {
                return NetlinkParse::Done;
            }
            if (header.nlmsg_type == NLMSG_ERROR) {
                int error = EPROTO;
                if (bodyLength >= sizeof(int)) {
                    error = -readAt<int>(body);
                }
                errorCode = error > 0 ? error : EPROTO;
                return NetlinkParse::Failed;
            }
            if (header.nlmsg_type == RTM_NEWNEIGH) {
                parseNeighbour(body, bodyLength, rows);
            }
        }
        offset += alignedSize(header.nlmsg_len);
    }
    return NetlinkParse::More;
}

bool readNeighbourTable(std::vector<NeighbourRow>& rows, QString& errorText) {
    rows.clear();
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0) {
        errorText = systemErrorText(errno);
        return false;
    }
    const timeval timeout{kReceiveTimeoutMs / 1000, (kReceiveTimeoutMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);

    static std::atomic<uint32_t> nextSequence{1};
    const uint32_t sequence = nextSequence.fetch_add(1, std::memory_order_relaxed);
    struct {
        nlmsghdr header;
        ndmsg body;
    } request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_GETNEIGH;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = sequence;
    request.body.ndm_family = AF_INET;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(fd, &request, sizeof request, 0, reinterpret_cast<sockaddr*>(&kernel),
                 sizeof kernel) < 0) {
        errorText = systemErrorText(errno);
        ::close(fd);
        return false;
    }

    std::vector<uint8_t> buffer(kReceiveBufferBytes);
    int errorCode = 0;
    for (int receives = 0; receives < kMaxReceives; ++receives) {
        const ssize_t received = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (received < 0) {
            if (errno == EINTR) {
                continue;
            }
            errorText = systemErrorText(errno);
            ::close(fd);
            rows.clear();
            return false;
        }
        const auto state = parseNeighbourMessages(buffer.data(), static_cast<size_t>(received),
                                                  sequence, rows, errorCode);
        if (state == NetlinkParse::Done) {
            ::close(fd);
            return true;
        }
        if (state == NetlinkParse::Failed) {
            errorText = systemErrorText(errorCode != 0 ? errorCode : EPROTO);
            ::close(fd);
            rows.clear();
            return false;
        }
    }
    errorText = systemErrorText(EPROTO);
    ::close(fd);
    rows.clear();
    return false;
}

QString macText(const std::vector<uint8_t>& linkAddress) {
    QString text;
    for (size_t i = 0; i < linkAddress.size(); ++i) {
        if (i > 0) {
            text += QLatin1Char('-');
        }
        text += QStringLiteral("%1").arg(linkAddress[i], 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

bool passesNeighbourFilter(const NeighbourRow& row, const MacPrefixes& macPrefixes) {
    if (row.linkAddress.empty() || row.type == kNeighbourTypeInvalid) {
        return false;
    }
    if (std::all_of(row.linkAddress.begin(), row.linkAddress.end(),
                    [](uint8_t byte) { return byte == 0xFF; })) {
        return false;
    }
    const int firstOctet = static_cast<int>(row.ip >> 24);
    if (firstOctet >= kFirstMulticastOctet && firstOctet <= kLastMulticastOctet) {
        return false;
    }
    if (macPrefixes.empty()) {
        return true;
    }
    return std::any_of(macPrefixes.begin(), macPrefixes.end(), [&](const auto& prefix) {
        return row.linkAddress.size() >= prefix.size() &&
               std::equal(prefix.begin(), prefix.end(), row.linkAddress.begin());
    });
}

} // namespace tessaly
