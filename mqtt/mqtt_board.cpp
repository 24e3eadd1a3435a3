#include "mqtt/mqtt_board.h"

#include "mqtt/mqtt_topics.h"

#include <QJsonArray>
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

MqttBoard::MqttBoard(const MqttSettings& settings, const MqttEndpoint& endpoint,
                     int refreshIntervalMs)
    : MqttConnection(boardConnection(settings, endpoint)), refreshIntervalMs_(refreshIntervalMs) {}

MqttBoard::~MqttBoard() {
    stop();
}

void MqttBoard::setChangeListener(std::function<void()> listener) {
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

remote::BoardStatePtr MqttBoard::board() const {
    auto board = std::make_shared<remote::BoardState>();
    std::lock_guard lock(mutex_);
    board->version = version_;
    for (const auto& [name, s] : stations_) {
        remote::BoardStation station;
        station.station = name;
        station.status = s.status;
        station.refreshIntervalMs = refreshIntervalMs_;
        const bool offline = s.status == kOffline;
        for (const auto& [number, receiver] : s.receivers) {
            station.receivers.append(offline ? offlineReceiver(receiver) : receiver);
            station.monitoring =
                station.monitoring || receiver.value("state").toString() != "stopped";
        }
        station.monitoring = station.monitoring && !offline;
        for (auto it = s.active.rbegin(); it != s.active.rend(); ++it) {
            station.activeAlarms.append(it->second);
        }
        for (const QJsonObject& line : s.journal) {
            station.journal.append(line);
        }
        board->stations.push_back(std::move(station));
    }
    return board;
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

void MqttBoard::alarmEvent(Station& station, const QJsonObject& line) {
    station.journal.push_back(line);
    while (station.journal.size() > kJournalEntries) {
        station.journal.pop_front();
    }
    const QString event = line.value("event").toString();
    const std::pair<int, QString> key{line.value("receiver").toInt(),
                                      line.value("kind").toString()};
    if (event == "start") {
        station.active[key] = QJsonObject{
            {"receiver", key.first},
            {"name", line.value("name")},
            {"frequency", line.value("frequency")},
            {"kind", key.second},
            {"severity", line.value("severity")},
            {"since", line.value("time")},
            {"acknowledged", false},
            {"flapping", false},
            {"value", line.value("value")},
            {"worst", line.value("value")},
        };
    } else if (event == "clear") {
        station.active.erase(key);
    } else if (event == "ack" || event == "flapping") {
        const auto it = station.active.find(key);
        if (it != station.active.end()) {
            it->second.insert(event == "ack" ? "acknowledged" : "flapping", true);
        }
    }
}

void MqttBoard::message(const QString& topic, const QByteArray& payload, bool retained) {
    (void)retained;
    const auto parts = parseTopic(topic);
    if (!parts) {
        return;
    }
    std::function<void()> listener;
    {
        std::lock_guard lock(mutex_);
        Station& station = stations_[parts->station];
        switch (parts->kind) {
        case TopicParts::Kind::Status:
            if (payload != kOnline && payload != kOffline) {
                return;
            }
            station.status = QString::fromUtf8(payload);
            break;
        case TopicParts::Kind::Receiver:
            if (payload.isEmpty()) {
                station.receivers.erase(parts->receiver); // the station cleared it
            } else {
                QJsonObject o = QJsonDocument::fromJson(payload).object();
                if (o.isEmpty()) {
                    return; // not an object: the last good one stays
                }
                o.insert("receiver", parts->receiver); // the topic is what counts
                station.receivers[parts->receiver] = o;
            }
            break;
        case TopicParts::Kind::Alarm: {
            const QJsonObject o = QJsonDocument::fromJson(payload).object();
            if (o.isEmpty()) {
                return;
            }
            alarmEvent(station, o);
            break;
        }
        }
        ++version_;
        listener = listener_;
    }
    if (listener) {
        listener();
    }
}

MqttBoardSource::MqttBoardSource(const MqttSettings& settings, const MqttEndpoint& endpoint,
                                 int refreshIntervalMs, MqttConnection::MessageHandler messages,
                                 QObject* parent)
    : remote::BoardSource(parent), board_(settings, endpoint, refreshIntervalMs) {
    board_.setMessageHandler(std::move(messages));
    // One wake-up at a time: the server reads the whole board when it comes.
    board_.setChangeListener([this] {
        if (!wakePending_.exchange(true)) {
            emit changed();
        }
    });
    board_.start();
}

MqttBoardSource::~MqttBoardSource() {
    board_.stop();
}

remote::BoardStatePtr MqttBoardSource::current() const {
    wakePending_ = false;
    return board_.board();
}

} // namespace tessaly::mqtt
