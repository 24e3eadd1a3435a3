#include "comm/sock_cli.h"

#include "comm/subnet_plan.h"
#include "comm/system_error_text.h"

#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace tessaly {

namespace {

// How often a waiting connect looks whether its thread is asked to stop.
constexpr int kConnectPollSliceMs = 50;

bool interruptionRequested() {
    QThread* thread = QThread::currentThread();
    return thread != nullptr && thread->isInterruptionRequested();
}

} // namespace

int CSockCli::connectTo(int port, const QString& ip) {
    closeDescriptor();
    state_ = kSockClosed;

    const int descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (descriptor < 0) {
        const int error = errno;
        connectionErrorText_ =
            QString::asprintf("Create Error[%d] ", error) + systemErrorText(error);
        return error;
    }
    state_ = kSockConnecting;

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    int error = 0;
    // The same reading of the address as the ping before the connect, so that an address that
    // answers a ping can also be connected to.
    const std::optional<Ipv4> target = parseIpv4(ip);
    if (port <= 0 || port > 0xffff || !target) {
        error = EINVAL;
    } else {
        address.sin_addr.s_addr = htonl(*target);
        if (::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
            0) {
            error = errno == EINPROGRESS ? waitForConnect(descriptor) : errno;
        }
    }
    if (error != 0) {
        ::close(descriptor);
        connectionErrorText_ =
            QString::asprintf("Connect Error[%d] ", error) + systemErrorText(error);
        return error;
    }
    attach(descriptor);
    state_ = kSockConnected;
    return kConnectOk;
}

int CSockCli::waitForConnect(int descriptor) {
    QDeadlineTimer deadline(connectLimitMs_);
    for (;;) {
        if (interruptionRequested()) {
            return ECANCELED;
        }
        const qint64 left = deadline.remainingTime();
        if (left == 0) {
            return ETIMEDOUT;
        }
        pollfd waitFor{descriptor, POLLOUT, 0};
        const int ready =
            ::poll(&waitFor, 1, static_cast<int>(std::min<qint64>(left, kConnectPollSliceMs)));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (ready > 0) {
            int socketError = 0;
            socklen_t size = sizeof socketError;
            if (::getsockopt(descriptor, SOL_SOCKET, SO_ERROR, &socketError, &size) != 0) {
                return errno;
            }
            return socketError;
        }
    }
}

} // namespace tessaly
