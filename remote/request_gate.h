#pragma once

// The listening socket of the remote server, and the bounds the HTTP library does not keep by
// itself. A connection is handed to the library only once its request head has arrived whole
// and within kMaxHeadBytes and kMaxHeaderLines (counted as bytes and line ends, without
// reading the request itself); beyond them it gets 431 and is closed. Beyond kMaxConnections
// open connections a new one gets 503 and is closed. A connection that is not a WebSocket is
// closed when its deadline is up, whether its client is slow to send or never reads the answer.
// A request the library cannot parse gets 400.

#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

namespace tessaly::remote {

// The property the server sets on a socket it answered.
inline constexpr char kAnswered[] = "tessalyAnswered";

struct GateLimits {
    int maxConnections = 256;
    int maxHeadBytes = 8192;
    int maxHeaderLines = 64;
    int deadlineMs = 10000; // a plain HTTP connection's whole life
};

// A connection as the gate hands it to the library.
class GatedSocket : public QTcpSocket {
    Q_OBJECT

public:
    using QTcpSocket::QTcpSocket;
    void disconnectFromHost() override;
};

class RequestGate : public QTcpServer {
    Q_OBJECT

public:
    explicit RequestGate(GateLimits limits, QObject* parent = nullptr);

    // The connection became a WebSocket: its deadline no longer applies.
    void keepOpen(const QHostAddress& peer, quint16 peerPort);
    int openConnections();
    quint64 refusedConnections() const { return refused_; }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void inspect(QTcpSocket* socket);
    void handOver(QTcpSocket* socket);
    void refuse(QTcpSocket* socket, const char* status);
    void prune();

    GateLimits limits_;
    QList<QPointer<QTcpSocket>> open_;
    QList<QPointer<QTcpSocket>> kept_;
    quint64 refused_ = 0;
};

} // namespace tessaly::remote
