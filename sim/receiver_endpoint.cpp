#include "sim/receiver_endpoint.h"

#include "sim/client_connection.h"
#include "sim/receiver_core.h"

#include <QTcpSocket>

#include <algorithm>

namespace tessaly::sim {

ReceiverEndpoint::ReceiverEndpoint(std::shared_ptr<ReceiverCore> core, const QHostAddress& address,
                                   quint16 port, int rebootRefuseMs, bool reportTraffic,
                                   QObject* parent)
    : QObject(parent), core_(std::move(core)), address_(address), port_(port),
      reportTraffic_(reportTraffic) {
    server_.setParent(this);
    server_.setMaxPendingConnections(kMaxConnectionsPerReceiver);
    rebootTimer_.setParent(this);
    rebootTimer_.setSingleShot(true);
    rebootTimer_.setInterval(std::max(0, rebootRefuseMs));
    connect(&rebootTimer_, &QTimer::timeout, this, [this] { updateListening(); });
    connect(&server_, &QTcpServer::newConnection, this, &ReceiverEndpoint::acceptConnections);
}

ReceiverEndpoint::~ReceiverEndpoint() {
    dropConnections();
}

bool ReceiverEndpoint::updateListening(QString* error) {
    const bool wanted =
        !stopped_ && !rebootTimer_.isActive() && core_->fault().kind != FaultKind::Refuse;
    if (!wanted) {
        server_.close();
        return true;
    }
    if (server_.isListening()) {
        return true;
    }
    if (!server_.listen(address_, port_)) {
        if (error) {
            *error = QStringLiteral("cannot listen on %1:%2: %3")
                         .arg(address_.toString())
                         .arg(port_)
                         .arg(server_.errorString());
        }
        return false;
    }
    return true;
}

void ReceiverEndpoint::stop() {
    stopped_ = true;
    rebootTimer_.stop();
    server_.close();
    dropConnections();
}

bool ReceiverEndpoint::start(QString* error) {
    stopped_ = false;
    return updateListening(error);
}

void ReceiverEndpoint::reboot() {
    core_->rebooted();
    server_.close();
    dropConnections();
    rebootTimer_.start();
}

void ReceiverEndpoint::acceptConnections() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        std::erase_if(connections_, [](const QPointer<ClientConnection>& c) { return c.isNull(); });
        if (connections_.size() >= static_cast<size_t>(kMaxConnectionsPerReceiver)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto* connection = new ClientConnection(socket, core_, this);
        connect(connection, &ClientConnection::rebootRequested, this, &ReceiverEndpoint::reboot);
        if (reportTraffic_) {
            connect(connection, &ClientConnection::traffic, this, &ReceiverEndpoint::traffic);
        }
        connections_.emplace_back(connection);
    }
}

void ReceiverEndpoint::dropConnections() {
    for (const QPointer<ClientConnection>& connection : connections_) {
        if (connection) {
            connection->abort();
        }
    }
    connections_.clear();
}

} // namespace tessaly::sim
