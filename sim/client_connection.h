#pragma once

#include "sim/answer_delivery.h"
#include "sim/line_splitter.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>
#include <memory>

class QTcpSocket;

namespace tessaly::sim {

class ReceiverCore;

constexpr size_t kMaxCommandLineLength = 256; // longer command lines are thrown away
constexpr qint64 kReadChunkBytes = 4096;
constexpr qint64 kMaxUnsentBytes = 4 * 1024 * 1024; // a client that never reads is dropped
constexpr size_t kMaxQueuedAnswers = 1024;

// One client of a simulated receiver: reads command lines, runs them on the receiver and
// sends the answers as the receiver's fault shapes them, in order. Lives on the simulator's
// thread and deletes itself when the connection ends.
class ClientConnection : public QObject {
    Q_OBJECT
public:
    ClientConnection(QTcpSocket* socket, std::shared_ptr<ReceiverCore> core, QObject* parent);
    ~ClientConnection() override;

    // Drops the connection at once (stop, reboot).
    void abort();

signals:
    void rebootRequested();
    void traffic(int number, bool fromClient, const QByteArray& line);

private:
    struct Pending {
        Delivery delivery;
        qint64 dueMs = 0;
        size_t sent = 0;
    };

    void readCommands();
    void pump();
    void finish();

    QTcpSocket* socket_;
    std::shared_ptr<ReceiverCore> core_;
    LineSplitter splitter_{kMaxCommandLineLength};
    std::deque<Pending> pending_;
    QTimer pumpTimer_;
    QElapsedTimer clock_;
    uint64_t answerCount_ = 0;
    bool closing_ = false;
    bool finished_ = false;
};

} // namespace tessaly::sim
