#include "mqtt/tcp_probe.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>

namespace tessaly::mqtt {

namespace {

using Clock = std::chrono::steady_clock;

QString errnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

struct AddressesFree {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

} // namespace

TcpProbe probeTcp(const QByteArray& host, int port, int limitMs, int wakeFd,
                  const std::function<bool()>& giveUp) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const QByteArray service = QByteArray::number(port);
    const int lookup = ::getaddrinfo(host.constData(), service.constData(), &hints, &found);
    if (lookup != 0) {
        return {TcpProbe::Outcome::Failed, QStringLiteral("host name not found")};
    }
    const std::unique_ptr<addrinfo, AddressesFree> addresses(found);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    QString reason = QStringLiteral("no answer within %1 s").arg(limitMs / 1000.0);
    for (const addrinfo* a = addresses.get(); a != nullptr; a = a->ai_next) {
        const Socket socket(
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol));
        if (socket.fd() < 0) {
            reason = errnoText(errno);
            continue;
        }
        if (::connect(socket.fd(), a->ai_addr, a->ai_addrlen) == 0) {
            return {TcpProbe::Outcome::Open, {}};
        }
        if (errno != EINPROGRESS) {
            reason = errnoText(errno);
            continue;
        }
        while (true) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                return {TcpProbe::Outcome::Failed, reason};
            }
            pollfd fds[2] = {{socket.fd(), POLLOUT, 0}, {wakeFd, POLLIN, 0}};
            const int ready = ::poll(fds, wakeFd >= 0 ? 2 : 1, int(left.count()));
            if (ready < 0 && errno != EINTR) {
                return {TcpProbe::Outcome::Failed, errnoText(errno)};
            }
            if (ready > 0 && (fds[1].revents & POLLIN)) {
                uint64_t count = 0;
                [[maybe_unused]] const ssize_t got = ::read(wakeFd, &count, sizeof count);
                if (giveUp()) {
                    return {TcpProbe::Outcome::GaveUp, {}};
                }
            }
            if (ready > 0 && fds[0].revents != 0) {
                int error = 0;
                socklen_t size = sizeof error;
                ::getsockopt(socket.fd(), SOL_SOCKET, SO_ERROR, &error, &size);
                if (error == 0) {
                    return {TcpProbe::Outcome::Open, {}};
                }
                reason = errnoText(error);
                break; // the next address
            }
        }
    }
    return {TcpProbe::Outcome::Failed, reason};
}

} // namespace tessaly::mqtt
