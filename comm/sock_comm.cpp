#include "comm/sock_comm.h"

#include "core/app_message.h"

#include <QSocketNotifier>

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tessaly {

namespace {

// The notifier may be dropped from inside its own activation (the engine closes the socket while
// handling 212), so it is deleted by the event loop, never on the spot.
void deleteNotifierLater(QSocketNotifier* notifier) {
    if (notifier != nullptr) {
        notifier->setEnabled(false);
        notifier->deleteLater();
    }
}

// How long one send may wait for room in the socket's buffer before it counts as failed.
constexpr int kSendWaitMs = 3000;

} // namespace

CSockComm::CSockComm(QObject* notificationTarget)
    : notificationTarget_(notificationTarget), readNotifier_(nullptr, &deleteNotifierLater),
      receiveBuffer_(kReceiveBlockSize) {}

CSockComm::~CSockComm() {
    closeDescriptor();
}

void CSockComm::attach(int descriptor) {
    closeDescriptor();
    descriptor_ = descriptor;
    readNotifier_.reset(new QSocketNotifier(descriptor, QSocketNotifier::Read));
    QObject::connect(readNotifier_.get(), &QSocketNotifier::activated, readNotifier_.get(),
                     [this] { onReadable(); });
}

void CSockComm::closeDescriptor() {
    readNotifier_.reset();
    if (descriptor_ >= 0) {
        ::close(descriptor_);
        descriptor_ = -1;
    }
}

void CSockComm::close() {
    closeDescriptor();
    state_ = kSockClosed;
}

int CSockComm::send(int length, const char* text) {
    int error = 0;
    if (descriptor_ < 0) {
        error = ENOTCONN;
    }
    int sent = 0;
    while (error == 0 && sent < length) {
        const ssize_t n =
            ::send(descriptor_, text + sent, static_cast<size_t>(length - sent), MSG_NOSIGNAL);
        if (n >= 0) {
            sent += static_cast<int>(n);
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            error = errno;
            break;
        }
        pollfd waitFor{descriptor_, POLLOUT, 0};
        const int ready = ::poll(&waitFor, 1, kSendWaitMs);
        if (ready == 0) {
            error = ETIMEDOUT;
        } else if (ready < 0 && errno != EINTR) {
            error = errno;
        }
    }
    if (error != 0) {
        lastSendError_ = error;
        ioErrorText_ = QString::asprintf("Send Error [%d]", error);
        return kSendFailed;
    }
    return kSendOk;
}

void CSockComm::onReadable() {
    const ssize_t n = ::recv(descriptor_, receiveBuffer_.data(), receiveBuffer_.size(), 0);
    if (n > 0) {
        ring_.store(receiveBuffer_.data(), static_cast<int>(n));
        sendAppMessage(notificationTarget_, kEvSocketBlock, 0);
        return;
    }
    if (n == 0) {
        // The receiver closed its end: one 211, and no further notification from this connection.
        close();
        postAppMessage(notificationTarget_, kEvSocketClosed, 0);
        return;
    }
    if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
        return;
    }
    ioErrorText_ = QString::asprintf("Receive Error [%d]", errno);
    // A failed connection keeps reporting itself; one 213 is the whole story, and the engine
    // closes the socket on it.
    readNotifier_.reset();
    postAppMessage(notificationTarget_, kEvSocketReceiveError, 0);
}

} // namespace tessaly
