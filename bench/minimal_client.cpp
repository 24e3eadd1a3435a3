#include "bench/minimal_client.h"

#include "bench/bench_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

namespace tessaly::bench {

namespace {

constexpr char kPollLine[] = ":MON:RSSIA?;RSSIB?;AFL?;BATT?;ANTSEL?;:MUTE?\r\n";
constexpr int kAnswerWaitMs = 1000;
constexpr uint32_t kLoopbackFirst = 0x7f000001; // 127.0.0.1

int connectTo(uint32_t address, quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = htonl(address);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void sleepUntil(int64_t deadlineNs) {
    timespec at{};
    at.tv_sec = deadlineNs / 1'000'000'000;
    at.tv_nsec = deadlineNs % 1'000'000'000;
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
}

} // namespace

MinimalClientResult runMinimalClient(quint16 port, int count, int intervalMs, int seconds) {
    MinimalClientResult result;
    std::vector<pollfd> fds(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        fds[static_cast<size_t>(i)] = {connectTo(kLoopbackFirst + static_cast<uint32_t>(i), port),
                                       POLLIN, 0};
        if (fds[static_cast<size_t>(i)].fd < 0) {
            for (int j = 0; j < i; ++j) {
                ::close(fds[static_cast<size_t>(j)].fd);
            }
            return result;
        }
    }
    const int64_t intervalNs = int64_t{intervalMs} * 1'000'000;
    const int64_t startNs = monotonicNs();
    const int64_t endNs = startNs + int64_t{seconds} * 1'000'000'000;
    const int64_t cpuStart = threadCpuNs();
    std::vector<bool> answered(static_cast<size_t>(count));
    char buffer[512];
    bool ok = true;
    for (int64_t tick = startNs; ok && tick < endNs; tick += intervalNs) {
        sleepUntil(tick);
        for (pollfd& p : fds) {
            ok = ok && ::send(p.fd, kPollLine, sizeof kPollLine - 1, MSG_NOSIGNAL) ==
                           static_cast<ssize_t>(sizeof kPollLine - 1);
            p.events = POLLIN;
        }
        std::fill(answered.begin(), answered.end(), false);
        int open = count;
        while (ok && open > 0) {
            if (::poll(fds.data(), fds.size(), kAnswerWaitMs) <= 0) {
                ok = false;
                break;
            }
            for (size_t i = 0; i < fds.size(); ++i) {
                if ((fds[i].revents & POLLIN) == 0) {
                    continue;
                }
                const ssize_t n = ::recv(fds[i].fd, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    ok = false;
                    break;
                }
                if (std::memchr(buffer, '\n', static_cast<size_t>(n)) != nullptr) {
                    answered[i] = true;
                    fds[i].events = 0;
                    --open;
                    ++result.exchanges;
                }
            }
        }
    }
    result.cpuNs = threadCpuNs() - cpuStart;
    result.wallNs = monotonicNs() - startNs;
    result.ok = ok;
    for (const pollfd& p : fds) {
        ::close(p.fd);
    }
    return result;
}

MinimalClientResult runThreadPerReceiverClient(quint16 port, int count, int intervalMs,
                                               int seconds) {
    MinimalClientResult result;
    std::atomic<int64_t> exchanges{0};
    std::atomic<bool> ok{true};
    const int64_t intervalNs = int64_t{intervalMs} * 1'000'000;
    const int64_t startNs = monotonicNs() + intervalNs;
    const int64_t endNs = startNs + int64_t{seconds} * 1'000'000'000;
    const int64_t cpuStart = processCpuNs();
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i) {
        threads.emplace_back([&, i] {
            const int fd = connectTo(kLoopbackFirst + static_cast<uint32_t>(i), port);
            if (fd < 0) {
                ok = false;
                return;
            }
            char buffer[512];
            // Out of step with each other, as engines started one after the other are.
            const int64_t phase = intervalNs * i / count;
            for (int64_t tick = startNs + phase; tick < endNs; tick += intervalNs) {
                sleepUntil(tick);
                if (::send(fd, kPollLine, sizeof kPollLine - 1, MSG_NOSIGNAL) !=
                    static_cast<ssize_t>(sizeof kPollLine - 1)) {
                    ok = false;
                    break;
                }
                ssize_t n;
                while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0 &&
                       std::memchr(buffer, '\n', static_cast<size_t>(n)) == nullptr) {
                }
                if (n <= 0) {
                    ok = false;
                    break;
                }
                exchanges.fetch_add(1, std::memory_order_relaxed);
            }
            ::close(fd);
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    result.cpuNs = processCpuNs() - cpuStart;
    result.wallNs = monotonicNs() - startNs;
    result.exchanges = exchanges.load();
    result.ok = ok.load();
    return result;
}

} // namespace tessaly::bench
