#include "sim/client_connection.h"

#include "sim/receiver_core.h"

#include <QTcpSocket>

#include <algorithm>

namespace tessaly::sim {

ClientConnection::ClientConnection(QTcpSocket* socket, std::shared_ptr<ReceiverCore> core,
                                   QObject* parent)
    : QObject(parent), socket_(socket), core_(std::move(core)) {
    socket_->setParent(this);
    // Answers go out as soon as they are written, one segment each, like a small embedded
    // stack; byte-by-byte delivery depends on it.
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket_->setReadBufferSize(kReadChunkBytes * 4);
    core_->connectionOpened();
    clock_.start();
    pumpTimer_.setSingleShot(true);
    pumpTimer_.setTimerType(Qt::PreciseTimer);
    connect(&pumpTimer_, &QTimer::timeout, this, &ClientConnection::pump);
    connect(socket_, &QTcpSocket::readyRead, this, &ClientConnection::readCommands);
    connect(socket_, &QTcpSocket::disconnected, this, &ClientConnection::finish);
    connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (socket_->state() == QAbstractSocket::UnconnectedState) {
            finish();
        }
    });
    // Bytes may have arrived before the signals were connected.
    QMetaObject::invokeMethod(this, &ClientConnection::readCommands, Qt::QueuedConnection);
}

ClientConnection::~ClientConnection() {
    if (!finished_) {
        core_->connectionClosed();
    }
}

void ClientConnection::abort() {
    closing_ = true;
    pending_.clear();
    pumpTimer_.stop();
    socket_->abort();
    finish();
}

void ClientConnection::finish() {
    if (finished_) {
        return;
    }
    finished_ = true;
    closing_ = true;
    pumpTimer_.stop();
    core_->connectionClosed();
    deleteLater();
}

void ClientConnection::readCommands() {
    std::vector<std::string> lines;
    while (!closing_ && socket_->bytesAvailable() > 0) {
        const QByteArray chunk = socket_->read(kReadChunkBytes);
        if (chunk.isEmpty()) {
            break;
        }
        lines.clear();
        splitter_.feed(std::string_view(chunk.constData(), static_cast<size_t>(chunk.size())),
                       lines);
        for (const std::string& line : lines) {
            emit traffic(core_->number(), true, QByteArray::fromStdString(line));
            const LineOutcome outcome = core_->runLine(line);
            if (outcome.reboot) {
                emit rebootRequested(); // drops this connection too
                return;
            }
            auto delivery = deliveryFor(outcome, core_->fault(), ++answerCount_);
            if (!delivery) {
                continue;
            }
            if (pending_.size() >= kMaxQueuedAnswers) {
                abort(); // a client that floods a slow receiver gets cut off
                return;
            }
            emit traffic(core_->number(), false,
                         QByteArray::fromStdString(delivery->bytes).trimmed());
            const qint64 dueMs = clock_.elapsed() + delivery->delayMs;
            pending_.push_back(Pending{std::move(*delivery), dueMs});
        }
    }
    pump();
}

void ClientConnection::pump() {
    while (!pending_.empty() && !closing_) {
        Pending& front = pending_.front();
        const qint64 now = clock_.elapsed();
        if (now < front.dueMs) {
            pumpTimer_.start(static_cast<int>(front.dueMs - now));
            return;
        }
        if (socket_->bytesToWrite() > kMaxUnsentBytes) {
            abort();
            return;
        }
        const std::string& bytes = front.delivery.bytes;
        if (front.delivery.byteByByte) {
            socket_->write(bytes.data() + front.sent, 1);
            socket_->flush();
            if (++front.sent < bytes.size()) {
                front.dueMs = now + front.delivery.byteGapMs;
                pumpTimer_.start(std::max(0, front.delivery.byteGapMs));
                return;
            }
        } else {
            socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
            // Straight to the kernel: a client that half-closes after its last command must
            // still get the answer, and Qt drops unsent bytes when it sees the peer's close.
            socket_->flush();
        }
        const bool closeAfter = front.delivery.closeAfter;
        pending_.pop_front();
        if (closeAfter) {
            closing_ = true;
            pending_.clear();
            socket_->disconnectFromHost(); // sends what was written, then closes
            return;
        }
    }
}

} // namespace tessaly::sim
