#pragma once

// One connection to a broker, driven on a thread of its own: libmosquitto's socket and a wake
// descriptor are polled together, so work queued from another thread goes out at once, and
// nothing here ever runs on the GUI thread or an engine's. A broker that is down, refuses or
// drops the connection is tried again with a growing pause; each kind of failure is said once
// through the message handler until the connection works again, and the caller's work goes on.
//
// Subclasses (the station's publisher, the combined board's subscriber) react in the hooks,
// which all run on the connection's thread, and call publish()/subscribe() from them.

#include "mqtt/mqtt_settings.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

struct mosquitto;
struct mosquitto_message;

namespace tessaly::mqtt {

struct ConnectionOptions {
    MqttEndpoint endpoint;
    QString ca;
    QString user;
    QString password;
    QString clientId; // empty: the library makes one
    bool cleanSession = true;
    int keepaliveS = 10;
    int connectLimitMs = 5000; // for the TCP connection to open (a dropping host never answers)
    int minBackoffMs = 250;
    int maxBackoffMs = 10000;
    struct Will {
        QString topic;
        QByteArray payload;
        int qos = 1;
        bool retain = true;
    };
    std::optional<Will> will;
};

class MqttConnection {
public:
    using MessageHandler = std::function<void(const QString&)>;

    explicit MqttConnection(ConnectionOptions options);
    virtual ~MqttConnection();
    MqttConnection(const MqttConnection&) = delete;
    MqttConnection& operator=(const MqttConnection&) = delete;

    // Called on the connection's thread with texts for the operator. Set before start().
    void setMessageHandler(MessageHandler handler) { messageHandler_ = std::move(handler); }

    void start();
    // Gives leaving() up to `limitMs` to finish (a last message acknowledged), disconnects and
    // ends the thread. A subclass calls it from its own destructor.
    void stop(int limitMs = 2000);

    bool isConnected() const { return connected_.load(); }
    int connectCount() const { return connects_.load(); }
    const ConnectionOptions& options() const { return options_; }

protected:
    // Any thread: runs work() on the connection's thread soon.
    void wake();

    // Connection's thread only. The first four run inside the library's callbacks: they note
    // what happened, and work(), which runs right after, acts on it.
    virtual void connected() {}
    virtual void disconnected() {}
    virtual void published(int mid) { (void)mid; }
    virtual void message(const QString& topic, const QByteArray& payload, bool retained) {
        (void)topic;
        (void)payload;
        (void)retained;
    }
    virtual void work() {}
    // Before a clean disconnect; returns true once nothing more needs to go out.
    virtual bool leaving() { return true; }

    // Connection's thread only. The message id (for published()), or -1 when the library
    // refused it (not connected: QoS 0 is refused, QoS 1 waits in the library). A QoS 0
    // message written at once is reported to published() before this returns; `written` then
    // says so.
    int publish(const QString& topic, const QByteArray& payload, int qos, bool retain,
                bool* written = nullptr);
    bool subscribe(const QString& filter, int qos);
    void say(const QString& text);

private:
    enum class Failure { None, Unreachable, Handshake, Refused, Credentials, Lost };
    void run();
    void tryConnect();
    void connectionLost(int rc);
    void sayNotAccepted(int rc, int savedErrno);
    void sayFailure(Failure failure, const QString& text);
    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    static void onPublish(mosquitto*, void* self, int mid);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message);

    ConnectionOptions options_;
    MessageHandler messageHandler_;
    mosquitto* mosq_ = nullptr;
    int wakeFd_ = -1;
    std::atomic<bool> quit_{false};
    std::atomic<bool> connected_{false};
    std::atomic<int> connects_{0};
    std::thread thread_;
    // Connection's thread only.
    bool socketOpen_ = false;
    int backoffMs_ = 0;
    std::chrono::steady_clock::time_point nextAttempt_{};
    Failure lastSaid_ = Failure::None;
    bool credentialsSaid_ = false;
    bool inPublish_ = false;
    bool writtenInPublish_ = false;
    std::chrono::steady_clock::time_point leaveDeadline_{};
};

} // namespace tessaly::mqtt
