#pragma once

// The combined board's side of the broker: subscribes to every station's topics
// (tessaly/v1/+/#) and keeps what each station last said: its status, its receivers' objects,
// its active alarms (followed from the alarm events) and its latest journal lines. It feeds
// the remote server as a BoardSource, one board station per broker station. When a station's
// status turns "offline" (its will, or a clean stop) all its receivers read as offline, their
// last values kept under "last".

#include "mqtt/mqtt_connection.h"
#include "remote/board_source.h"

#include <QJsonObject>

#include <atomic>
#include <deque>
#include <map>
#include <mutex>

namespace tessaly::mqtt {

// A receiver object as a board shows it when its station went offline: state "offline", the
// live values null and, when they were live, kept under "last".
QJsonObject offlineReceiver(const QJsonObject& receiver);

class MqttBoard : public MqttConnection {
public:
    static constexpr size_t kJournalEntries = 50;

    MqttBoard(const MqttSettings& settings, const MqttEndpoint& endpoint, int refreshIntervalMs);
    ~MqttBoard() override;

    // Called on the connection's thread after each change; it must only note it.
    void setChangeListener(std::function<void()> listener);

    // Every station as the remote server serves it, by station name.
    remote::BoardStatePtr board() const;

protected:
    void connected() override;
    void work() override;
    void message(const QString& topic, const QByteArray& payload, bool retained) override;

private:
    struct Station {
        QString status;                       // "online", "offline"; empty: not heard yet
        std::map<int, QJsonObject> receivers; // as the station published them
        std::map<std::pair<int, QString>, QJsonObject> active; // (receiver, kind) -> alarm
        std::deque<QJsonObject> journal;
    };
    void alarmEvent(Station& station, const QJsonObject& line);

    int refreshIntervalMs_;
    mutable std::mutex mutex_;
    uint64_t version_ = 0;
    std::map<QString, Station> stations_;
    std::function<void()> listener_;
    bool subscribe_ = false; // connection's thread only
};

// The combined board as the remote server's source. Lives on the server's thread; the broker
// connection runs on its own.
class MqttBoardSource : public remote::BoardSource {
    Q_OBJECT

public:
    // `messages` as MqttConnection's message handler (on the connection's thread).
    MqttBoardSource(const MqttSettings& settings, const MqttEndpoint& endpoint,
                    int refreshIntervalMs, MqttConnection::MessageHandler messages,
                    QObject* parent = nullptr);
    ~MqttBoardSource() override;

    // A station publishes its refresh as one message per receiver, back to back.
    static constexpr int kGatherMs = 10;

    remote::BoardStatePtr current() const override;
    int gatherMs() const override { return kGatherMs; }
    MqttBoard& connection() { return board_; }

private:
    MqttBoard board_;
    mutable std::atomic<bool> wakePending_{false};
};

} // namespace tessaly::mqtt
