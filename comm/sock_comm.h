#pragma once

#include "comm/received_block_ring.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

class QObject;
class QSocketNotifier;

namespace tessaly {

// Socket states.
constexpr int kSockClosed = 1;
constexpr int kSockConnecting = 2;
constexpr int kSockConnected = 3;

// Results of a send.
constexpr int kSendOk = 0;
constexpr int kSendFailed = 2;

// A TCP connection to one receiver, living on its engine's thread. Every received block goes
// into the ring and is announced to the notification target with event 212, delivered at once so
// that the engine takes the block before the next receive; the receiver closing the connection
// posts 211, a failed receive posts 213.
class CSockComm {
public:
    explicit CSockComm(QObject* notificationTarget);
    virtual ~CSockComm();
    CSockComm(const CSockComm&) = delete;
    CSockComm& operator=(const CSockComm&) = delete;

    int state() const { return state_; }

    // kSendOk when every byte went out; kSendFailed with lastSendError() and ioErrorText() set.
    int send(int length, const char* text);

    // Moves the oldest received block into `destination`; returns its length, 0 when none.
    int takeBlock(QByteArray& destination) { return ring_.take(destination); }

    // Closes the connection (if any) and returns to state 1; the object stays usable.
    void close();

    int lastSendError() const { return lastSendError_; }
    const QString& ioErrorText() const { return ioErrorText_; }

protected:
    // Takes over a connected descriptor and starts the receive notifications.
    void attach(int descriptor);
    // Closes the descriptor without touching the state.
    void closeDescriptor();

    int descriptor_ = -1;
    int state_ = kSockClosed;

private:
    void onReadable();

    QObject* notificationTarget_;
    std::unique_ptr<QSocketNotifier, void (*)(QSocketNotifier*)> readNotifier_;
    int lastSendError_ = 0;
    QString ioErrorText_;
    std::vector<char> receiveBuffer_;
    ReceivedBlockRing ring_;
};

} // namespace tessaly
