#include "comm/tcp_probe.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace tessaly {

namespace {
constexpr int kMaxPort = 65535;
constexpr size_t kConnectsAtOnce = 256; // keeps well inside the usual 1024 descriptors

using Clock = std::chrono::steady_clock;

bool meansHostAnswered(int error) {
    return error == 0 || error == ECONNREFUSED;
}

struct PendingConnect {
    int fd = -1;
    size_t index = 0;
};

int remainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<int64_t>(0, left.count()));
}

void probeBatch(const std::vector<Ipv4>& targets, size_t begin, size_t end, int port, int timeoutMs,
                std::vector<int>& results) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
    std::vector<PendingConnect> pending;
    for (size_t index = begin; index < end; ++index) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            continue;
        }
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<uint16_t>(port));
        to.sin_addr.s_addr = htonl(targets[index]);
        int rc;
        do {
            rc = ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
        } while (rc < 0 && errno == EINTR);
        if (rc == 0 || meansHostAnswered(errno)) {
            results[index] = 1;
            ::close(fd);
        } else if (errno == EINPROGRESS) {
            pending.push_back({fd, index});
        } else {
            ::close(fd);
        }
    }
    while (!pending.empty()) {
        const int wait = remainingMs(deadline);
        if (wait <= 0) {
            break;
        }
        std::vector<pollfd> waits;
        waits.reserve(pending.size());
        for (const PendingConnect& connect : pending) {
            waits.push_back({connect.fd, POLLOUT, 0});
        }
        const int ready = ::poll(waits.data(), waits.size(), wait);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        std::vector<PendingConnect> stillPending;
        for (size_t i = 0; i < pending.size(); ++i) {
            if (waits[i].revents == 0) {
                stillPending.push_back(pending[i]);
                continue;
            }
            int error = 0;
            socklen_t length = sizeof error;
            if (::getsockopt(pending[i].fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 &&
                meansHostAnswered(error)) {
                results[pending[i].index] = 1;
            }
            ::close(pending[i].fd);
        }
        pending.swap(stillPending);
    }
    for (const PendingConnect& connect : pending) {
        ::close(connect.fd);
    }
}
} // namespace

std::vector<int> tcpProbeAll(const std::vector<Ipv4>& targets, int port, int timeoutMs) {
    std::vector<int> results(targets.size(), 0);
    if (port < 1 || port > kMaxPort) {
        return results;
    }
    for (size_t begin = 0; begin < targets.size(); begin += kConnectsAtOnce) {
        probeBatch(targets, begin, std::min(targets.size(), begin + kConnectsAtOnce), port,
                   timeoutMs, results);
    }
    return results;
}

} // namespace tessaly
