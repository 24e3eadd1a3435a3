#include "sim/control_channel.h"

#include "sim/control_command.h"
#include "sim/simulator.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace tessaly::sim {

ControlChannel::ControlChannel(Simulator& simulator, QObject* parent)
    : QObject(parent), simulator_(simulator) {}

ControlChannel::~ControlChannel() = default;

bool ControlChannel::listen(const QString& path, QString* error) {
    QLocalServer::removeServer(path);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(path)) {
        if (error != nullptr) {
            *error = QStringLiteral("cannot listen on %1: %2").arg(path, server_->errorString());
        }
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] { acceptConnections(); });
    return true;
}

void ControlChannel::acceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        auto* buffer = new QByteArray;
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [buffer] { delete buffer; });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            feed(*buffer, socket->readAll(), [socket](const QByteArray& answer) {
                socket->write(answer);
                socket->flush();
            });
        });
    }
}

void ControlChannel::readStandardInput() {
    stdinNotifier_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(stdinNotifier_, &QSocketNotifier::activated, this, [this] {
        char chunk[4096];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0) {
            stdinNotifier_->setEnabled(false); // the end of input: the receivers run on
            return;
        }
        feed(stdinBuffer_, QByteArray(chunk, static_cast<qsizetype>(n)),
             [](const QByteArray& answer) {
                 std::fwrite(answer.constData(), 1, static_cast<size_t>(answer.size()), stdout);
                 std::fflush(stdout);
             });
    });
}

void ControlChannel::feed(QByteArray& buffer, const QByteArray& data,
                          const std::function<void(const QByteArray&)>& answer) {
    buffer += data;
    qsizetype end = 0;
    while ((end = buffer.indexOf('\n')) >= 0) {
        const QByteArray line = buffer.left(end);
        buffer.remove(0, end + 1);
        answer(QByteArray::fromStdString(handleLine(line.toStdString())) + '\n');
    }
    // A line that never ends is answered once it is too long to be a command, and dropped.
    if (static_cast<size_t>(buffer.size()) > kMaxControlLineLength) {
        buffer.clear();
        answer(QByteArrayLiteral("error: line too long\n"));
    }
}

std::string ControlChannel::handleLine(const std::string& line) {
    ControlCommand command;
    std::string error;
    if (!parseControlLine(line, simulator_.count(), command, error) ||
        !simulator_.applyControl(command, &error)) {
        return "error: " + error;
    }
    return "ok";
}

} // namespace tessaly::sim
