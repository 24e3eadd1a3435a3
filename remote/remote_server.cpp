#include "remote/remote_server.h"

#include "remote/prometheus_text.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QUrlQuery>

namespace tessaly::remote {

namespace {

using Status = QHttpServerResponder::StatusCode;

constexpr char kStreamPath[] = "/api/v1/stream";
// Browsers and scripts send nothing on the stream; a few bytes of control frames at most.
constexpr quint64 kMaxIncomingMessage = 1024;

QByteArray compact(const QJsonDocument& document) {
    return document.toJson(QJsonDocument::Compact);
}

// The constant-time comparison of a presented token with ours.
bool sameToken(const QByteArray& presented, const QByteArray& expected) {
    if (presented.size() != expected.size()) {
        return false;
    }
    unsigned char difference = 0;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        difference |= static_cast<unsigned char>(presented[i] ^ expected[i]);
    }
    return difference == 0;
}

QByteArray contentType(const QString& name) {
    if (name.endsWith(".html")) {
        return "text/html; charset=utf-8";
    }
    if (name.endsWith(".css")) {
        return "text/css; charset=utf-8";
    }
    if (name.endsWith(".js")) {
        return "text/javascript; charset=utf-8";
    }
    if (name.endsWith(".svg")) {
        return "image/svg+xml";
    }
    if (name.endsWith(".png")) {
        return "image/png";
    }
    return "application/octet-stream";
}

bool isWebSocketUpgrade(const QHttpServerRequest& request) {
    return request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0;
}

} // namespace

bool parseListenAddress(const QString& text, QHostAddress& address, quint16& port, QString& error) {
    static const QRegularExpression form(QStringLiteral(R"(^\[?([^\[\]]+?)\]?:(\d{1,5})$)"));
    const QRegularExpressionMatch match = form.match(text.trimmed());
    bool portOk = false;
    const uint number = match.hasMatch() ? match.captured(2).toUInt(&portOk) : 0;
    if (!match.hasMatch() || !address.setAddress(match.captured(1)) || !portOk || number == 0 ||
        number > 65535) {
        error = QStringLiteral("'%1' is not ADDRESS:PORT (for example 127.0.0.1:8080)").arg(text);
        return false;
    }
    port = static_cast<quint16>(number);
    return true;
}

bool mayListen(const QHostAddress& address, const QString& token, QString& error) {
    if (address.isLoopback() || !token.isEmpty()) {
        return true;
    }
    error = QStringLiteral("not serving on %1: any address but loopback needs a token "
                           "([remote] token= in Tessaly.ini, or --token), so that only those "
                           "given it can see the board")
                .arg(address.toString());
    return false;
}

RemoteServer::RemoteServer(BoardSource& source, RemoteOptions options, QObject* parent)
    : QAbstractHttpServer(parent), source_(source), options_(std::move(options)) {
    clock_.start();
    sendTimer_.setSingleShot(true);
    sendTimer_.setTimerType(Qt::PreciseTimer);
    connect(&sendTimer_, &QTimer::timeout, this, &RemoteServer::sendFrame);
    connect(&source_, &BoardSource::changed, this, &RemoteServer::sourceChanged,
            Qt::QueuedConnection);
    connect(this, &QAbstractHttpServer::newWebSocketConnection, this,
            &RemoteServer::acceptWebSockets);
}

RemoteServer::~RemoteServer() = default;

bool RemoteServer::start(QString& error) {
    if (!mayListen(options_.address, options_.token, error)) {
        return false;
    }
    gate_ = new RequestGate(options_.limits, this);
    if (!gate_->listen(options_.address, options_.port)) {
        error = QStringLiteral("cannot serve on %1:%2: %3")
                    .arg(options_.address.toString())
                    .arg(options_.port)
                    .arg(gate_->errorString());
        delete gate_;
        gate_ = nullptr;
        return false;
    }
    bind(gate_);
    sourceChanged();
    return true;
}

quint16 RemoteServer::port() const {
    return gate_ != nullptr ? gate_->serverPort() : 0;
}

bool RemoteServer::authorised(const QUrlQuery& query, const QByteArray& authorization) const {
    if (options_.token.isEmpty()) {
        return true;
    }
    const QByteArray expected = options_.token.toUtf8();
    static const QByteArray bearer("Bearer ");
    if (authorization.startsWith(bearer) &&
        sameToken(authorization.mid(bearer.size()).trimmed(), expected)) {
        return true;
    }
    return query.hasQueryItem(QStringLiteral("token")) &&
           sameToken(query.queryItemValue(QStringLiteral("token"), QUrl::FullyDecoded).toUtf8(),
                     expected);
}

bool RemoteServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    // The library makes an upgrade request a WebSocket when it is handled without an answer,
    // and closes it when it is not handled; an answer of ours goes out first either way.
    const bool upgrade = isWebSocketUpgrade(request);
    if (upgrade && request.url().path() == QLatin1String(kStreamPath) &&
        authorised(request.query(), request.value("authorization"))) {
        socket->setProperty(kAnswered, true); // by the handshake
        return true;
    }
    socket->setProperty(kAnswered, true);
    QHttpServerResponder responder = makeResponder(request, socket);
    const auto reply = [&](Status status, const QByteArray& body, const QByteArray& type) {
        responder.write(body,
                        {{"Content-Type", type},
                         {"Cache-Control", "no-store"},
                         {"X-Content-Type-Options", "nosniff"},
                         {"Connection", "close"}},
                        status);
        socket->disconnectFromHost();
    };
    const QByteArray plain = "text/plain; charset=utf-8";
    const QString path = request.url().path();

    if (!authorised(request.query(), request.value("authorization"))) {
        responder.write(
            "unauthorised: this board needs its token\n",
            {{"Content-Type", plain}, {"WWW-Authenticate", "Bearer"}, {"Connection", "close"}},
            Status::Unauthorized);
        socket->disconnectFromHost();
        return !upgrade;
    }

    static const QRegularExpression historyPath(QStringLiteral("^/api/v1/history/(\\d{1,3})$"));
    const QRegularExpressionMatch historyMatch = historyPath.match(path);
    static const QRegularExpression fileName(QStringLiteral("^/([A-Za-z0-9_-]+\\.[a-z]+)$"));
    QString resource;
    if (path == QLatin1String("/")) {
        resource = QStringLiteral(":/remote/index.html");
    } else if (const auto match = fileName.match(path); match.hasMatch()) {
        resource = QStringLiteral(":/remote/") + match.captured(1);
        if (!QFile::exists(resource)) {
            resource.clear();
        }
    }
    const bool known = !resource.isEmpty() || path == QLatin1String("/api/v1/receivers") ||
                       path == QLatin1String("/api/v1/alarms") || historyMatch.hasMatch() ||
                       path == QLatin1String(kStreamPath) || path == QLatin1String("/metrics");
    if (!known) {
        reply(Status::NotFound, "not found\n", plain);
        return !upgrade;
    }
    if (request.method() != QHttpServerRequest::Method::Get) {
        responder.write("only GET is served here\n",
                        {{"Content-Type", plain}, {"Allow", "GET"}, {"Connection", "close"}},
                        Status::MethodNotAllowed);
        socket->disconnectFromHost();
        return !upgrade;
    }

    const BoardStatePtr board = source_.current();
    if (!resource.isEmpty()) {
        QFile file(resource);
        if (!file.open(QIODevice::ReadOnly)) {
            reply(Status::InternalServerError, "the page is missing from this build\n", plain);
            return !upgrade;
        }
        reply(Status::Ok, file.readAll(), contentType(resource));
    } else if (path == QLatin1String("/api/v1/receivers")) {
        reply(Status::Ok, compact(QJsonDocument(allReceivers(*board))), "application/json");
    } else if (path == QLatin1String("/api/v1/alarms")) {
        const QJsonObject alarms{{"active", allAlarms(*board)}, {"journal", allJournal(*board)}};
        reply(Status::Ok, compact(QJsonDocument(alarms)), "application/json");
    } else if (historyMatch.hasMatch()) {
        const std::optional<QJsonObject> history =
            source_.history(historyMatch.captured(1).toInt());
        if (history) {
            reply(Status::Ok, compact(QJsonDocument(*history)), "application/json");
        } else {
            reply(Status::NotFound, "no such receiver on this board\n", plain);
        }
    } else if (path == QLatin1String("/metrics")) {
        reply(Status::Ok, metrics(), kPrometheusContentType);
    } else {
        reply(Status::BadRequest, "this is a WebSocket: ask for an upgrade\n", plain);
    }
    return !upgrade;
}

void RemoteServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    if (isWebSocketUpgrade(request)) {
        return;
    }
    makeResponder(request, socket).write(Status::NotFound);
    socket->disconnectFromHost();
}

QByteArray RemoteServer::metrics() const {
    QByteArray text = prometheusText(*source_.current());
    text += "# HELP tessaly_remote_stream_clients WebSocket clients of the board stream\n"
            "# TYPE tessaly_remote_stream_clients gauge\n"
            "tessaly_remote_stream_clients " +
            QByteArray::number(clients_.size()) +
            "\n# HELP tessaly_remote_stream_dropped_total Stream clients dropped for not keeping "
            "up\n# TYPE tessaly_remote_stream_dropped_total counter\n"
            "tessaly_remote_stream_dropped_total " +
            QByteArray::number(dropped_) + "\n";
    return text;
}

void RemoteServer::acceptWebSockets() {
    while (hasPendingWebSocketConnections()) {
        std::unique_ptr<QWebSocket> client = nextPendingWebSocketConnection();
        if (!client) {
            break;
        }
        const QUrl url = client->requestUrl();
        if (url.path() != QLatin1String(kStreamPath)) {
            client->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("404"));
            client.release()->deleteLater();
            continue;
        }
        if (!authorised(QUrlQuery(url), client->request().rawHeader("Authorization"))) {
            client->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("401"));
            client.release()->deleteLater();
            continue;
        }
        if (gate_ != nullptr) {
            gate_->keepOpen(client->peerAddress(), client->peerPort());
        }
        client->setMaxAllowedIncomingMessageSize(kMaxIncomingMessage);
        client->setMaxAllowedIncomingFrameSize(kMaxIncomingMessage);
        client->setReadBufferSize(static_cast<qint64>(kMaxIncomingMessage));
        QWebSocket* raw = client.get();
        connect(raw, &QWebSocket::disconnected, this, [this, raw] { drop(raw); });
        raw->sendTextMessage(QString::fromUtf8(stream_.fullFrame()));
        clients_.push_back(std::move(client));
    }
}

void RemoteServer::drop(QWebSocket* client) {
    const auto found = std::find_if(clients_.begin(), clients_.end(),
                                    [client](const auto& c) { return c.get() == client; });
    if (found == clients_.end()) {
        return;
    }
    found->release();
    clients_.erase(found);
    client->disconnect(this);
    client->abort();
    client->deleteLater();
}

void RemoteServer::sourceChanged() {
    if (sendTimer_.isActive()) {
        return; // the next frame carries this change too
    }
    const qint64 due = std::max<qint64>(nextFrameMs_ - clock_.elapsed(), source_.gatherMs());
    sendTimer_.start(static_cast<int>(std::max<qint64>(0, due)));
}

void RemoteServer::sendFrame() {
    const BoardStatePtr board = source_.current();
    const QByteArray frame = stream_.next(board);
    if (frame.isEmpty()) {
        return;
    }
    // Paced from the frame sent last, not held to a fixed grid: a grid's phase is wherever its
    // first frame fell, and a source that changes once a refresh would wait that far behind it
    // every time. The gap is three quarters of a step (a refresh for each station), so that the
    // timer jitter of a source that changes once a step never makes its frames lag.
    nextFrameMs_ = clock_.elapsed() + frameIntervalMs(*board) * 3 / 4;
    const QString text = QString::fromUtf8(frame);
    std::vector<QWebSocket*> slow;
    for (const auto& client : clients_) {
        if (client->bytesToWrite() > options_.maxQueuedBytes) {
            slow.push_back(client.get());
            continue;
        }
        client->sendTextMessage(text);
    }
    for (QWebSocket* client : slow) {
        ++dropped_;
        drop(client);
    }
    ++framesSent_;
    emit frameSent(board->version, static_cast<int>(clients_.size()));
}

} // namespace tessaly::remote
