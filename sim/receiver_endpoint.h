#pragma once

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>

#include <memory>
#include <vector>

namespace tessaly::sim {

class ClientConnection;
class ReceiverCore;

constexpr int kMaxConnectionsPerReceiver = 8;

// The network side of one simulated receiver: its listener on its own loopback address and its
// client connections. Lives on the simulator's thread; call it only there.
class ReceiverEndpoint : public QObject {
    Q_OBJECT
public:
    ReceiverEndpoint(std::shared_ptr<ReceiverCore> core, const QHostAddress& address, quint16 port,
                     int rebootRefuseMs, bool reportTraffic, QObject* parent = nullptr);
    ~ReceiverEndpoint() override;

    // Listens unless stopped, rebooting or refusing; false with an error text when the
    // address and port cannot be bound.
    bool updateListening(QString* error = nullptr);

    // Kills the receiver: no listener, every connection dropped. start() brings it back.
    void stop();
    bool start(QString* error = nullptr);

    // Drops every connection and refuses new ones for the reboot time.
    void reboot();
    bool isRebooting() const { return rebootTimer_.isActive(); }

    const QHostAddress& address() const { return address_; }
    quint16 port() const { return port_; }

signals:
    void traffic(int number, bool fromClient, const QByteArray& line);

private:
    void acceptConnections();
    void dropConnections();

    std::shared_ptr<ReceiverCore> core_;
    QHostAddress address_;
    quint16 port_;
    bool reportTraffic_;
    bool stopped_ = false;
    QTcpServer server_;
    QTimer rebootTimer_;
    std::vector<QPointer<ClientConnection>> connections_;
};

} // namespace tessaly::sim
