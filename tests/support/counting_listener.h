#pragma once

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

namespace tessaly::testing {

// A TCP listener on one IPv4 address that counts the connections it accepts and how each ended:
// closed by the peer in order (end of stream) or reset. The socket belongs to the network
// namespace of the thread that constructs the listener; a thread of its own accepts and reads.
class CountingListener {
public:
    explicit CountingListener(const char* address, int port = 0) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(static_cast<uint16_t>(port));
        ::inet_pton(AF_INET, address, &at.sin_addr);
        socklen_t length = sizeof at;
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&at), length) == 0 &&
            ::listen(fd_, 64) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&at), &length) == 0) {
            port_ = ntohs(at.sin_port);
            thread_ = std::thread([this] { serve(); });
        }
    }
    ~CountingListener() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        ::close(fd_);
    }
    CountingListener(const CountingListener&) = delete;
    CountingListener& operator=(const CountingListener&) = delete;

    int port() const { return port_; }
    int accepted() const { return accepted_; }
    int closedInOrder() const { return closedInOrder_; }
    int reset() const { return reset_; }

private:
    void serve() {
        std::vector<pollfd> fds{{fd_, POLLIN, 0}};
        while (!stop_) {
            if (::poll(fds.data(), fds.size(), 20) <= 0) {
                continue;
            }
            for (size_t i = fds.size(); i-- > 1;) {
                if (fds[i].revents == 0) {
                    continue;
                }
                char byte = 0;
                const ssize_t got = ::recv(fds[i].fd, &byte, 1, MSG_DONTWAIT);
                if (got > 0 || (got < 0 && errno == EAGAIN)) {
                    continue; // a probe sends nothing, but whatever comes is not the end
                }
                ++(got == 0 ? closedInOrder_ : reset_);
                ::close(fds[i].fd);
                fds.erase(fds.begin() + static_cast<std::ptrdiff_t>(i));
            }
            if (fds[0].revents != 0) {
                const int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
                if (client >= 0) {
                    ++accepted_;
                    fds.push_back({client, POLLIN, 0});
                }
            }
        }
        for (size_t i = 1; i < fds.size(); ++i) {
            ::close(fds[i].fd);
        }
    }

    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> accepted_{0};
    std::atomic<int> closedInOrder_{0};
    std::atomic<int> reset_{0};
    std::thread thread_;
};

} // namespace tessaly::testing
