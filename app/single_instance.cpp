#include "app/single_instance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QThread>

#include <unistd.h>

namespace tessaly {

namespace {
const QByteArray kRaiseRequest = QByteArrayLiteral("raise\n");
constexpr int kRetryPauseMs = 50;
constexpr int kRequestMaxBytes = 64; // a request longer than this is not ours
} // namespace

CSingleInstance::CSingleInstance(QString key, QObject* parent)
    : QObject(parent), key_(std::move(key)) {
    connect(&server_, &QLocalServer::newConnection, this, &CSingleInstance::onNewConnection);
}

CSingleInstance::~CSingleInstance() {
    server_.close();
    if (lock_) {
        lock_->unlock();
    }
}

QString CSingleInstance::defaultKey() {
    return QStringLiteral("%1-%2")
        .arg(QString::fromLatin1(kApplicationId))
        .arg(static_cast<qulonglong>(getuid()));
}

CSingleInstance::Role CSingleInstance::claim(int waitMs) {
    lock_ = std::make_unique<QLockFile>(QDir::temp().filePath(key_ + QStringLiteral(".lock")));
    lock_->setStaleLockTime(0); // only a lock whose process has gone counts as stale
    if (lock_->tryLock(0)) {
        QLocalServer::removeServer(key_); // a socket left by an instance that crashed
        server_.setSocketOptions(QLocalServer::UserAccessOption);
        if (!server_.listen(key_)) {
            qWarning("tessaly: cannot listen for other starts: %s",
                     qPrintable(server_.errorString()));
        }
        return Role::Primary;
    }
    lock_.reset();
    return askPrimaryToRaise(waitMs) ? Role::Secondary : Role::Failed;
}

bool CSingleInstance::askPrimaryToRaise(int waitMs) {
    // The first instance may hold the lock a moment before it listens.
    const QDeadlineTimer deadline(waitMs);
    while (true) {
        QLocalSocket socket;
        socket.connectToServer(key_);
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
            socket.write(kRaiseRequest);
            const bool written =
                socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()));
            socket.disconnectFromServer();
            return written;
        }
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(kRetryPauseMs);
    }
}

void CSingleInstance::onNewConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine() && socket->bytesAvailable() < kRequestMaxBytes) {
                return; // the rest of the line is still on its way
            }
            const QByteArray request = socket->readLine(kRequestMaxBytes);
            if (request == kRaiseRequest) {
                emit activationRequested();
            }
            socket->disconnectFromServer();
        });
    }
}

} // namespace tessaly
