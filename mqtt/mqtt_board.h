#pragma once

// The combined board's side of the broker: subscribes to every station's topics
// (tessaly/v1/+/#) and keeps what they last said: each station's status and receivers, and the
// latest alarm events. When a station's status turns "offline" (its will, or a clean stop) all
// its receivers read as offline, their last values kept under "last".
//
// Messages arrive on the connection's thread; readers on any thread take a copy of the whole
// board (a BoardState) and the listener is told after each change, which it must only note.

#include "mqtt/mqtt_connection.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

namespace tessaly::mqtt {

struct BoardStation {
    QString station;
    bool online = false;
    bool statusKnown = false;             // a status message was seen
    std::map<int, QJsonObject> receivers; // as the station published them
};

struct BoardState {
    uint64_t version = 0; // counts every change
    std::map<QString, BoardStation> stations;
    std::deque<QJsonObject> alarms; // the latest alarm events of every station, oldest first

    // Every station's receivers, by station then number, each with "station"; the receivers
    // of an offline station read as offline.
    QJsonArray receivers() const;
    // [{"station": NAME, "status": "online" | "offline" | "unknown", "receivers": COUNT}]
    QJsonArray stationList() const;
};

// A receiver object as a board shows it when its station went offline: state "offline", the
// live values null and, when they were live, kept under "last".
QJsonObject offlineReceiver(const QJsonObject& receiver);

class MqttBoard : public MqttConnection {
public:
    static constexpr int kAlarmsKept = 200;

    MqttBoard(MqttSettings settings, MqttEndpoint endpoint);
    ~MqttBoard() override;

    // Called on the connection's thread after each change; it must only note it.
    void setChangeListener(std::function<void(uint64_t version)> listener);

    BoardState state() const;

protected:
    void connected() override;
    void work() override;
    void message(const QString& topic, const QByteArray& payload, bool retained) override;

private:
    mutable std::mutex mutex_;
    BoardState state_;
    std::function<void(uint64_t)> listener_;
    bool subscribe_ = false; // connection's thread only
};

} // namespace tessaly::mqtt
