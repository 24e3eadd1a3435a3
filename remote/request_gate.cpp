#include "remote/request_gate.h"

#include <QTimer>

namespace tessaly::remote {

RequestGate::RequestGate(GateLimits limits, QObject* parent)
    : QTcpServer(parent), limits_(limits) {}

void RequestGate::prune() {
    open_.removeAll(nullptr);
    kept_.removeAll(nullptr);
}

int RequestGate::openConnections() {
    prune();
    return static_cast<int>(open_.size());
}

void RequestGate::keepOpen(const QHostAddress& peer, quint16 peerPort) {
    prune();
    for (const QPointer<QTcpSocket>& socket : open_) {
        if (socket->peerPort() == peerPort && socket->peerAddress().isEqual(peer)) {
            kept_.append(socket);
        }
    }
}

void RequestGate::incomingConnection(qintptr descriptor) {
    auto* socket = new GatedSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (openConnections() >= limits_.maxConnections) {
        refuse(socket, "503 Service Unavailable");
        return;
    }
    open_.append(socket);
    // Nothing beyond one request head is ever buffered for a client, whatever it sends.
    socket->setReadBufferSize(limits_.maxHeadBytes + 1);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { inspect(socket); });
    QTimer::singleShot(limits_.deadlineMs, socket, [this, socket] {
        if (!kept_.contains(socket)) {
            socket->abort();
            socket->deleteLater();
        }
    });
}

void RequestGate::inspect(QTcpSocket* socket) {
    if (!socket->isOpen()) {
        return;
    }
    const QByteArray head = socket->peek(limits_.maxHeadBytes + 1);
    qsizetype end = head.indexOf("\r\n\r\n");
    if (end < 0) {
        end = head.indexOf("\n\n");
    }
    if (end < 0 || end > limits_.maxHeadBytes) {
        if (head.size() > limits_.maxHeadBytes) {
            refuse(socket, "431 Request Header Fields Too Large");
        }
        return; // the rest of the head is still on its way
    }
    if (head.left(end).count('\n') > limits_.maxHeaderLines) {
        refuse(socket, "431 Request Header Fields Too Large");
        return;
    }
    handOver(socket);
}

void RequestGate::handOver(QTcpSocket* socket) {
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    addPendingConnection(socket);
    emit newConnection();
    // The head is already buffered: the library reads it now.
    emit socket->readyRead();
    // A request the library cannot parse is left open without an answer: whatever was neither
    // answered nor became a WebSocket by now was not a request we understand.
    if (socket->state() == QAbstractSocket::ConnectedState &&
        !socket->property(kAnswered).toBool() && !kept_.contains(socket)) {
        refuse(socket, "400 Bad Request");
    }
}

void GatedSocket::disconnectFromHost() {
    // The library closes a connection whose request it cannot parse without a word.
    if (!property(kAnswered).toBool() && isOpen() && state() == QAbstractSocket::ConnectedState) {
        setProperty(kAnswered, true);
        write("HTTP/1.1 400 Bad Request\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
    }
    QTcpSocket::disconnectFromHost();
}

void RequestGate::refuse(QTcpSocket* socket, const char* status) {
    ++refused_;
    socket->setProperty(kAnswered, true);
    socket->disconnect(this);
    if (socket->state() == QAbstractSocket::ConnectedState) {
        socket->write(QByteArray("HTTP/1.1 ") + status +
                      "\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
    }
    socket->disconnectFromHost();
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    if (socket->state() == QAbstractSocket::UnconnectedState) {
        socket->deleteLater();
    }
}

} // namespace tessaly::remote
