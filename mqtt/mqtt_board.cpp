#include "mqtt/mqtt_board.h"

#include "mqtt/mqtt_topics.h"

#include <QJsonDocument>

namespace tessaly::mqtt {

namespace {

// The values of a receiver object that are meaningful only while its state is "live".
const char* const kLiveFields[] = {"rf_a_dbm", "rf_b_dbm", "af_db", "battery", "antenna", "mute"};

ConnectionOptions boardConnection(const MqttSettings& settings, const MqttEndpoint& endpoint) {
    ConnectionOptions c;
    c.endpoint = endpoint;
    c.ca = settings.ca;
    c.user = settings.user;
    c.password = settings.password;
    return c;
}

} // namespace

QJsonObject offlineReceiver(const QJsonObject& receiver) {
    QJsonObject o = receiver;
    if (o.value("state").toString() == "live") {
        QJsonObject last;
        for (const char* field : kLiveFields) {
            last.insert(field, o.value(field));
        }
        last.insert("age_ms", o.value("age_ms"));
        o.insert("last", last);
    }
    for (const char* field : kLiveFields) {
        o.insert(field, QJsonValue());
    }
    o.insert("state", "offline");
    return o;
}

QJsonArray BoardState::receivers() const {
    QJsonArray all;
    for (const auto& [name, station] : stations) {
        for (const auto& [number, receiver] : station.receivers) {
            QJsonObject o =
                station.online || !station.statusKnown ? receiver : offlineReceiver(receiver);
            o.insert("station", name);
            all.append(o);
        }
    }
    return all;
}

QJsonArray BoardState::stationList() const {
    QJsonArray list;
    for (const auto& [name, station] : stations) {
        list.append(QJsonObject{{"station", name},
                                {"status", !station.statusKnown ? "unknown"
                                           : station.online     ? "online"
                                                                : "offline"},
                                {"receivers", int(station.receivers.size())}});
    }
    return list;
}

MqttBoard::MqttBoard(MqttSettings settings, MqttEndpoint endpoint)
    : MqttConnection(boardConnection(settings, endpoint)) {}

MqttBoard::~MqttBoard() {
    stop();
}

void MqttBoard::setChangeListener(std::function<void(uint64_t)> listener) {
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

BoardState MqttBoard::state() const {
    std::lock_guard lock(mutex_);
    return state_;
}

void MqttBoard::connected() {
    subscribe_ = true; // from work(), outside the library's callback
}

void MqttBoard::work() {
    if (subscribe_ && isConnected()) {
        subscribe_ = false;
        // A clean session: the retained status and states of every station come again.
        subscribe(kAllStationsFilter, 1);
    }
}

void MqttBoard::message(const QString& topic, const QByteArray& payload, bool retained) {
    (void)retained;
    const auto parts = parseTopic(topic);
    if (!parts) {
        return;
    }
    std::function<void(uint64_t)> listener;
    uint64_t version = 0;
    {
        std::lock_guard lock(mutex_);
        BoardStation& station = state_.stations[parts->station];
        station.station = parts->station;
        switch (parts->kind) {
        case TopicParts::Kind::Status:
            station.statusKnown = payload == kOnline || payload == kOffline;
            station.online = payload == kOnline;
            break;
        case TopicParts::Kind::Receiver:
            if (payload.isEmpty()) {
                station.receivers.erase(parts->receiver); // the station cleared it
            } else {
                const QJsonObject o = QJsonDocument::fromJson(payload).object();
                if (o.isEmpty()) {
                    return; // not an object: ignored, the last good one stays
                }
                station.receivers[parts->receiver] = o;
            }
            break;
        case TopicParts::Kind::Alarm: {
            const QJsonObject o = QJsonDocument::fromJson(payload).object();
            if (o.isEmpty()) {
                return;
            }
            state_.alarms.push_back(o);
            while (state_.alarms.size() > size_t(kAlarmsKept)) {
                state_.alarms.pop_front();
            }
            break;
        }
        }
        version = ++state_.version;
        listener = listener_;
    }
    if (listener) {
        listener(version);
    }
}

} // namespace tessaly::mqtt
