#pragma once

// The read-only remote server: the board page, the JSON API, the WebSocket stream and the
// Prometheus metrics, served from one BoardSource. It lives on its own thread (RemoteService)
// and never touches the engines: everything it serves comes from the source.
//
//   GET /                 the board page (:/remote/index.html) and its files (:/remote/NAME)
//   GET /api/v1/receivers the receivers' JSON objects
//   GET /api/v1/alarms    {"active":[…],"journal":[…]}
//   GET /api/v1/history/N receiver N's last ten minutes, one row a second (ReceiverHistory);
//                         404 when N is not on the board
//   GET /api/v1/stream    WebSocket: the full board, then the changes as they come, paced to
//                         the refresh (see board_stream.h)
//   GET /metrics          Prometheus text
//
// Other paths get 404, other methods 405. Listening beyond loopback needs a token, and then
// every request carries it (Authorization: Bearer TOKEN, or ?token=TOKEN), or gets 401.

#include "remote/board_source.h"
#include "remote/board_stream.h"
#include "remote/request_gate.h"

#include <QAbstractHttpServer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTimer>
#include <QWebSocket>

#include <memory>
#include <vector>

namespace tessaly::remote {

struct RemoteOptions {
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 0; // 0: any free port (tests)
    QString token;
    GateLimits limits;
    qint64 maxQueuedBytes = 1 << 20; // per WebSocket client; beyond it the client is dropped
};

// "ADDRESS:PORT" (IPv4, or [IPv6]:PORT). On failure false, with the reason in `error`.
bool parseListenAddress(const QString& text, QHostAddress& address, quint16& port, QString& error);
// Loopback needs no token; any other address does. On refusal false, with the reason.
bool mayListen(const QHostAddress& address, const QString& token, QString& error);

class RemoteServer : public QAbstractHttpServer {
    Q_OBJECT

public:
    RemoteServer(BoardSource& source, RemoteOptions options, QObject* parent = nullptr);
    ~RemoteServer() override;

    // Checks the token rule and listens. On failure false, with the reason in `error`.
    bool start(QString& error);
    quint16 port() const;

    int streamClients() const { return static_cast<int>(clients_.size()); }
    quint64 droppedClients() const { return dropped_; }
    quint64 framesSent() const { return framesSent_; }

signals:
    // A change frame went out to the stream's clients (benches time it).
    void frameSent(quint64 boardVersion, int clients);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    bool authorised(const QUrlQuery& query, const QByteArray& authorization) const;
    void acceptWebSockets();
    void sourceChanged();
    void sendFrame();
    void drop(QWebSocket* client);
    QByteArray metrics() const;

    BoardSource& source_;
    RemoteOptions options_;
    RequestGate* gate_ = nullptr;
    BoardStream stream_;
    std::vector<std::unique_ptr<QWebSocket>> clients_;
    QTimer sendTimer_;
    QElapsedTimer clock_;
    qint64 nextFrameMs_ = 0; // on clock_: the earliest time of the next frame
    quint64 dropped_ = 0;
    quint64 framesSent_ = 0;
};

} // namespace tessaly::remote
