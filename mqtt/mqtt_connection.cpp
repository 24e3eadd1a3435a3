#include "mqtt/mqtt_connection.h"

#include "mqtt/tcp_probe.h"

#include <mosquitto.h>

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace tessaly::mqtt {

namespace {

using Clock = std::chrono::steady_clock;

// While connected, the loop wakes at least this often for the keep-alive pings.
constexpr int kIdlePollMs = 500;
// MQTT 3.1.1 CONNACK codes for a wrong user name or password, and for a user not allowed.
constexpr int kConnackBadCredentials = 4;
constexpr int kConnackNotAuthorised = 5;

void initLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

QString reasonText(int rc, int savedErrno) {
    if (rc == MOSQ_ERR_ERRNO) {
        return QString::fromLocal8Bit(std::strerror(savedErrno));
    }
    if (rc == MOSQ_ERR_EAI) {
        return QStringLiteral("host name not found");
    }
    return QString::fromUtf8(mosquitto_strerror(rc));
}

} // namespace

MqttConnection::MqttConnection(ConnectionOptions options) : options_(std::move(options)) {
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

MqttConnection::~MqttConnection() {
    stop(0);
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
}

void MqttConnection::start() {
    if (thread_.joinable()) {
        return;
    }
    quit_ = false;
    thread_ = std::thread([this] { run(); });
    // Named, so that its CPU time can be told apart in top and /proc (the bench reads it).
    ::pthread_setname_np(thread_.native_handle(), "tessaly-mqtt");
}

void MqttConnection::stop(int limitMs) {
    if (!thread_.joinable()) {
        return;
    }
    leaveDeadline_ = Clock::now() + std::chrono::milliseconds(std::max(0, limitMs));
    quit_ = true;
    wake();
    thread_.join();
}

void MqttConnection::wake() {
    const uint64_t one = 1;
    if (wakeFd_ >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
    }
}

void MqttConnection::say(const QString& text) {
    if (messageHandler_) {
        messageHandler_(text);
    }
}

void MqttConnection::sayFailure(Failure failure, const QString& text) {
    if (failure == Failure::Credentials) {
        // Said once for the whole run: the operator fixes it in the settings, not at once.
        if (!credentialsSaid_) {
            credentialsSaid_ = true;
            say(text);
        }
        lastSaid_ = failure;
        return;
    }
    if (failure != lastSaid_) {
        lastSaid_ = failure;
        say(text);
    }
}

int MqttConnection::publish(const QString& topic, const QByteArray& payload, int qos, bool retain,
                            bool* written) {
    int mid = 0;
    const QByteArray topicBytes = topic.toUtf8();
    inPublish_ = true;
    writtenInPublish_ = false;
    const int rc = mosquitto_publish(mosq_, &mid, topicBytes.constData(), int(payload.size()),
                                     payload.constData(), qos, retain);
    inPublish_ = false;
    if (written) {
        *written = writtenInPublish_;
    }
    return rc == MOSQ_ERR_SUCCESS ? mid : -1;
}

bool MqttConnection::subscribe(const QString& filter, int qos) {
    const QByteArray bytes = filter.toUtf8();
    return mosquitto_subscribe(mosq_, nullptr, bytes.constData(), qos) == MOSQ_ERR_SUCCESS;
}

void MqttConnection::onConnect(mosquitto*, void* self, int rc) {
    auto* c = static_cast<MqttConnection*>(self);
    const QString where = c->options_.endpoint.text();
    if (rc != 0) {
        if (rc == kConnackBadCredentials || rc == kConnackNotAuthorised) {
            c->sayFailure(Failure::Credentials,
                          "MQTT: the broker " + where +
                              " refused the user name or password; monitoring goes on without "
                              "the broker");
            c->backoffMs_ = c->options_.maxBackoffMs;
        } else {
            c->sayFailure(Failure::Refused,
                          "MQTT: the broker " + where + " refused the connection (" +
                              QString::fromUtf8(mosquitto_connack_string(rc)) + "); trying again");
        }
        return;
    }
    c->connected_ = true;
    ++c->connects_;
    c->backoffMs_ = 0;
    c->lastSaid_ = Failure::None;
    c->say("MQTT: connected to the broker " + where);
    c->connected();
}

void MqttConnection::onDisconnect(mosquitto*, void* self, int rc) {
    auto* c = static_cast<MqttConnection*>(self);
    const bool wasConnected = c->connected_.exchange(false);
    c->socketOpen_ = false;
    if (wasConnected) {
        if (rc != 0 && !c->quit_) {
            c->sayFailure(Failure::Lost, "MQTT: lost the broker " + c->options_.endpoint.text() +
                                             "; monitoring goes on, reconnecting");
        }
        c->disconnected();
    }
}

void MqttConnection::onPublish(mosquitto*, void* self, int mid) {
    auto* c = static_cast<MqttConnection*>(self);
    if (c->inPublish_) {
        c->writtenInPublish_ = true;
        return;
    }
    c->published(mid);
}

void MqttConnection::onMessage(mosquitto*, void* self, const mosquitto_message* m) {
    static_cast<MqttConnection*>(self)->message(
        QString::fromUtf8(m->topic),
        QByteArray(static_cast<const char*>(m->payload), m->payloadlen), m->retain);
}

void MqttConnection::tryConnect() {
    const QByteArray host = options_.endpoint.host.toUtf8();
    const TcpProbe probe = probeTcp(host, options_.endpoint.port, options_.connectLimitMs, wakeFd_,
                                    [this] { return quit_.load(); });
    if (probe.outcome == TcpProbe::Outcome::GaveUp) {
        return;
    }
    QString reason = probe.reason;
    bool handshakeFailed = false;
    if (probe.outcome == TcpProbe::Outcome::Open) {
        errno = 0;
        const int rc =
            mosquitto_connect(mosq_, host.constData(), options_.endpoint.port, options_.keepaliveS);
        const int savedErrno = errno;
        if (rc == MOSQ_ERR_SUCCESS) {
            socketOpen_ = true; // CONNECT is on its way; the answer comes through onConnect
            return;
        }
        handshakeFailed = rc == MOSQ_ERR_TLS;
        reason = reasonText(rc, savedErrno);
    }
    backoffMs_ =
        backoffMs_ == 0 ? options_.minBackoffMs : std::min(backoffMs_ * 2, options_.maxBackoffMs);
    nextAttempt_ = Clock::now() + std::chrono::milliseconds(backoffMs_);
    if (handshakeFailed) {
        // The TLS handshake may fail inside mosquitto_connect() or later, in the loop: it is
        // said the same way either time.
        sayNotAccepted(MOSQ_ERR_TLS, 0);
        return;
    }
    sayFailure(Failure::Unreachable, "MQTT: cannot reach the broker " + options_.endpoint.text() +
                                         " (" + reason + "); monitoring goes on, trying again");
}

void MqttConnection::sayNotAccepted(int rc, int savedErrno) {
    // The port answered, but the connection ended before the broker accepted it.
    const QString why = rc == MOSQ_ERR_TLS ? QStringLiteral("no secure connection: check [mqtt] "
                                                            "ca= against the broker's certificate")
                                           : reasonText(rc, savedErrno);
    sayFailure(Failure::Handshake, "MQTT: the broker " + options_.endpoint.text() +
                                       " did not accept the connection (" + why +
                                       "); monitoring goes on, trying again");
}

void MqttConnection::connectionLost(int rc) {
    if (mosquitto_socket(mosq_) >= 0) {
        return;
    }
    if (socketOpen_ && !connected_) {
        sayNotAccepted(rc, errno);
    }
    if (socketOpen_ || connected_) {
        onDisconnect(mosq_, this, MOSQ_ERR_CONN_LOST);
    }
    socketOpen_ = false;
    if (backoffMs_ == 0) {
        backoffMs_ = options_.minBackoffMs;
    } else if (lastSaid_ != Failure::Credentials) {
        backoffMs_ = std::min(backoffMs_ * 2, options_.maxBackoffMs);
    }
    nextAttempt_ = Clock::now() + std::chrono::milliseconds(backoffMs_);
}

void MqttConnection::run() {
    initLibrary();
    const QByteArray clientId = options_.clientId.toUtf8();
    mosq_ = mosquitto_new(clientId.isEmpty() ? nullptr : clientId.constData(),
                          options_.cleanSession, this);
    if (!mosq_) {
        say("MQTT: cannot create the client (" + QString::fromLocal8Bit(std::strerror(errno)) +
            "); monitoring goes on without the broker");
        return;
    }
    mosquitto_connect_callback_set(mosq_, &MqttConnection::onConnect);
    mosquitto_disconnect_callback_set(mosq_, &MqttConnection::onDisconnect);
    mosquitto_publish_callback_set(mosq_, &MqttConnection::onPublish);
    mosquitto_message_callback_set(mosq_, &MqttConnection::onMessage);
    if (options_.will) {
        const QByteArray topic = options_.will->topic.toUtf8();
        mosquitto_will_set(mosq_, topic.constData(), int(options_.will->payload.size()),
                           options_.will->payload.constData(), options_.will->qos,
                           options_.will->retain);
    }
    if (!options_.user.isEmpty()) {
        const QByteArray user = options_.user.toUtf8();
        const QByteArray password = options_.password.toUtf8();
        mosquitto_username_pw_set(mosq_, user.constData(),
                                  password.isEmpty() ? nullptr : password.constData());
    }
    if (options_.endpoint.tls) {
        const QByteArray ca = options_.ca.toLocal8Bit();
        const int rc =
            ca.isEmpty()
                ? mosquitto_tls_set(mosq_, nullptr, "/etc/ssl/certs", nullptr, nullptr, nullptr)
                : mosquitto_tls_set(mosq_, ca.constData(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            say("MQTT: cannot use the CA certificate '" + options_.ca + "' (" +
                reasonText(rc, errno) + "); monitoring goes on without the broker");
            mosquitto_destroy(mosq_);
            mosq_ = nullptr;
            return;
        }
    }

    bool leavingStarted = false;
    while (true) {
        if (quit_ && !leavingStarted) {
            leavingStarted = true;
        }
        if (leavingStarted && (!connected_ || leaving() || Clock::now() >= leaveDeadline_)) {
            break;
        }
        if (!socketOpen_ && !quit_ && Clock::now() >= nextAttempt_) {
            tryConnect();
        }
        work();

        const int sock = mosquitto_socket(mosq_);
        pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {sock, POLLIN, 0}};
        if (sock >= 0 && mosquitto_want_write(mosq_)) {
            fds[1].events |= POLLOUT;
        }
        int timeoutMs = kIdlePollMs;
        if (sock < 0) {
            const auto untilAttempt =
                std::chrono::duration_cast<std::chrono::milliseconds>(nextAttempt_ - Clock::now())
                    .count();
            timeoutMs = int(std::clamp<long long>(untilAttempt, 0, kIdlePollMs));
        }
        if (leavingStarted) {
            timeoutMs = std::min(timeoutMs, 20);
        }
        const int ready = ::poll(fds, sock >= 0 ? 2 : 1, timeoutMs);
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = ::read(wakeFd_, &count, sizeof count);
        }
        if (sock >= 0) {
            if (ready > 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
                const int rc = mosquitto_loop_read(mosq_, 1);
                if (rc != MOSQ_ERR_SUCCESS) {
                    connectionLost(rc);
                }
            }
            if (mosquitto_socket(mosq_) >= 0 && mosquitto_want_write(mosq_)) {
                const int rc = mosquitto_loop_write(mosq_, 1);
                if (rc != MOSQ_ERR_SUCCESS) {
                    connectionLost(rc);
                }
            }
            if (mosquitto_socket(mosq_) >= 0) {
                const int rc = mosquitto_loop_misc(mosq_);
                if (rc != MOSQ_ERR_SUCCESS) {
                    connectionLost(rc);
                }
            } else {
                connectionLost(MOSQ_ERR_CONN_LOST);
            }
        }
    }
    if (mosquitto_socket(mosq_) >= 0) {
        mosquitto_disconnect(mosq_);
        mosquitto_loop_write(mosq_, 1);
    }
    connected_ = false;
    mosquitto_destroy(mosq_);
    mosq_ = nullptr;
}

} // namespace tessaly::mqtt
