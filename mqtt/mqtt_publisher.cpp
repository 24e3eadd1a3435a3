#include "mqtt/mqtt_publisher.h"

#include "journal/alarm_journal.h"
#include "mqtt/mqtt_topics.h"
#include "remote/receiver_json.h"

#include <QJsonDocument>

namespace tessaly::mqtt {

namespace {

constexpr int kQosState = 0;
constexpr int kQosAlarm = 1;
constexpr int kQosStatus = 1;

// The remote view's object of one receiver, as the retained payload of its topic.
QByteArray receiverPayload(const show::ReceiverSnapshot& receiver) {
    return QJsonDocument(remote::receiverJson(receiver)).toJson(QJsonDocument::Compact);
}

} // namespace

ConnectionOptions MqttPublisher::connectionOptions(const PublisherOptions& options,
                                                   const MqttEndpoint& endpoint,
                                                   const QString& station) {
    ConnectionOptions c;
    c.endpoint = endpoint;
    c.ca = options.settings.ca;
    c.user = options.settings.user;
    c.password = options.settings.password;
    c.will = ConnectionOptions::Will{statusTopic(station), kOffline, kQosStatus, true};
    return c;
}

MqttPublisher::MqttPublisher(PublisherOptions options, MqttEndpoint endpoint)
    : MqttConnection(
          connectionOptions(options, endpoint, stationTopicName(options.settings.station))),
      station_(stationTopicName(options.settings.station)),
      alarmQueueLimit_(std::max(1, options.alarmQueueLimit)) {}

MqttPublisher::~MqttPublisher() {
    detach();
    stop();
}

void MqttPublisher::attach(show::SnapshotHub& hub) {
    detach();
    hub_ = &hub;
    hubKey_ = hub.subscribe([this](const show::ShowSnapshotPtr& snapshot) { offer(snapshot); });
}

void MqttPublisher::detach() {
    if (hub_) {
        hub_->unsubscribe(hubKey_);
        hub_ = nullptr;
    }
}

void MqttPublisher::offer(const show::ShowSnapshotPtr& snapshot) {
    if (!snapshot) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        pending_ = snapshot; // an older one not taken yet is superseded
        for (const auto& event : snapshot->events) {
            if (int(alarms_.size()) >= alarmQueueLimit_) {
                alarms_.pop_front();
                ++stats_.alarmsDropped;
            }
            alarms_.push_back(event);
        }
        stats_.alarmsWaiting = int(alarms_.size());
    }
    wake();
}

MqttPublisher::Stats MqttPublisher::stats() const {
    std::lock_guard lock(mutex_);
    return stats_;
}

void MqttPublisher::connected() {
    // Published from work(), outside the library's callback.
    announce_ = true;
}

void MqttPublisher::disconnected() {
    // QoS 0 messages not yet written are gone with the socket; alarm events (QoS 1) stay in
    // the library and go out again after the reconnect.
    stateInFlight_.clear();
}

void MqttPublisher::published(int mid) {
    if (mid == offlineMid_) {
        offlineDone_ = true;
        return;
    }
    if (alarmInFlight_.erase(mid) > 0) {
        std::lock_guard lock(mutex_);
        ++stats_.alarmsAcknowledged;
        return;
    }
    for (auto it = stateInFlight_.begin(); it != stateInFlight_.end(); ++it) {
        if (it->second == mid) {
            stateInFlight_.erase(it);
            break;
        }
    }
}

void MqttPublisher::work() {
    show::ShowSnapshotPtr snapshot;
    {
        std::lock_guard lock(mutex_);
        snapshot.swap(pending_);
    }
    if (snapshot) {
        std::map<int, QByteArray> now;
        for (const auto& receiver : snapshot->receivers) {
            now[receiver.observation.receiver] = receiverPayload(receiver);
        }
        if (!snapshot->monitoring) {
            // Monitoring stopped: the receivers keep their topics, each saying it is stopped
            // (an empty retained payload would make them vanish from every board).
            now = current_;
            if (lastMonitoring_) {
                for (show::ReceiverSnapshot receiver : lastMonitoring_->receivers) {
                    receiver.state.liveness = show::Liveness::Stopped;
                    receiver.activeAlarms.clear(); // the stop cleared them
                    now[receiver.observation.receiver] = receiverPayload(receiver);
                }
            }
        } else {
            lastMonitoring_ = snapshot;
            // A receiver that left the environment: its retained topic is cleared.
            for (const auto& [number, payload] : current_) {
                if (!now.contains(number)) {
                    now[number] = QByteArray();
                }
            }
        }
        current_ = std::move(now);
    }
    if (isConnected() && announce_) {
        announce_ = false;
        publish(statusTopic(station_), kOnline, kQosStatus, true);
        // The broker may have lost the retained states (restarted without persistence).
        sent_.clear();
        stateInFlight_.clear();
    }
    if (isConnected()) {
        publishStates();
        publishAlarms();
    }
}

void MqttPublisher::publishStates() {
    for (auto it = current_.begin(); it != current_.end();) {
        const int number = it->first;
        const QByteArray& payload = it->second;
        const auto sent = sent_.find(number);
        if ((sent != sent_.end() && sent->second == payload) || stateInFlight_.contains(number)) {
            ++it;
            continue;
        }
        bool written = false;
        const int mid =
            publish(receiverTopic(station_, number), payload, kQosState, true, &written);
        if (mid < 0) {
            return; // not connected: everything goes again on connect
        }
        if (!written) {
            stateInFlight_[number] = mid;
        }
        sent_[number] = payload;
        {
            std::lock_guard lock(mutex_);
            ++stats_.statesPublished;
        }
        if (payload.isEmpty()) {
            sent_.erase(number);
            it = current_.erase(it);
        } else {
            ++it;
        }
    }
}

void MqttPublisher::publishAlarms() {
    while (int(alarmInFlight_.size()) < kAlarmsInFlight) {
        show::AlarmEvent event;
        {
            std::lock_guard lock(mutex_);
            if (alarms_.empty()) {
                return;
            }
            event = alarms_.front();
        }
        const QByteArray line =
            QJsonDocument(journalObject(event, station_)).toJson(QJsonDocument::Compact);
        const int mid = publish(alarmTopic(station_), line, kQosAlarm, false);
        if (mid < 0) {
            return;
        }
        alarmInFlight_.insert(mid);
        std::lock_guard lock(mutex_);
        alarms_.pop_front();
        ++stats_.alarmsPublished;
        stats_.alarmsWaiting = int(alarms_.size());
    }
}

bool MqttPublisher::leaving() {
    if (!offlineSent_) {
        offlineSent_ = true;
        work(); // what the last snapshot brought
        offlineMid_ = publish(statusTopic(station_), kOffline, kQosStatus, true);
        if (offlineMid_ < 0) {
            return true;
        }
    }
    // The alarm events handed over before the stop are waited for too.
    return offlineDone_ && alarmInFlight_.empty();
}

std::unique_ptr<MqttPublisher> startPublisher(const MqttSettings& settings, show::SnapshotHub& hub,
                                              MqttConnection::MessageHandler messages,
                                              QString& error) {
    error.clear();
    if (settings.url.trimmed().isEmpty()) {
        return nullptr;
    }
    MqttEndpoint endpoint;
    if (!parseMqttUrl(settings.url, endpoint, error)) {
        return nullptr;
    }
    PublisherOptions options;
    options.settings = settings;
    auto publisher = std::make_unique<MqttPublisher>(options, endpoint);
    publisher->setMessageHandler(std::move(messages));
    publisher->attach(hub);
    publisher->start();
    return publisher;
}

} // namespace tessaly::mqtt
