#pragma once

// A station's publisher: takes each refresh's snapshot from the SnapshotHub (the listener only
// queues) and publishes, on its connection's thread,
//   tessaly/v1/STATION/status       "online" retained on connect; "offline" as the will and on
//                                   a clean stop
//   tessaly/v1/STATION/receiver/N   the receiver's JSON object, retained, when it changed
//   tessaly/v1/STATION/alarm        every alarm event as the journal's JSON line, QoS 1
// A broker that is down or slow never holds up the snapshot taker: of the receiver states only
// the newest per receiver waits (one in the library at a time per receiver), alarm events wait
// in a bounded queue (the oldest are dropped and counted when it is full), and at most
// kAlarmsInFlight of them are in the library unacknowledged.

#include "mqtt/mqtt_connection.h"
#include "show/show_snapshot.h"
#include "show/snapshot_hub.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace tessaly::mqtt {

struct PublisherOptions {
    MqttSettings settings;       // url, credentials, station
    int alarmQueueLimit = 10000; // alarm events waiting for the broker
};

class MqttPublisher : public MqttConnection {
public:
    static constexpr int kAlarmsInFlight = 64;

    struct Stats {
        uint64_t statesPublished = 0;
        uint64_t alarmsPublished = 0;    // handed to the library
        uint64_t alarmsAcknowledged = 0; // PUBACK from the broker
        uint64_t alarmsDropped = 0;      // the queue was full
        int alarmsWaiting = 0;
    };

    // The endpoint must have been parsed from options.settings.url by the caller.
    MqttPublisher(PublisherOptions options, MqttEndpoint endpoint);
    ~MqttPublisher() override;

    // Subscribes to the hub; detach() (or the destructor) ends it. The hub must outlive it.
    void attach(show::SnapshotHub& hub);
    void detach();

    // The listener: any thread, never waits for the network.
    void offer(const show::ShowSnapshotPtr& snapshot);

    QString station() const { return station_; }
    Stats stats() const;

protected:
    void connected() override;
    void disconnected() override;
    void published(int mid) override;
    void work() override;
    bool leaving() override;

private:
    void publishStates();
    void publishAlarms();
    static ConnectionOptions connectionOptions(const PublisherOptions& options,
                                               const MqttEndpoint& endpoint,
                                               const QString& station);

    QString station_;
    int alarmQueueLimit_;
    show::SnapshotHub* hub_ = nullptr;
    int hubKey_ = 0;

    mutable std::mutex mutex_; // guards what the listener fills
    show::ShowSnapshotPtr pending_;
    std::deque<show::AlarmEvent> alarms_;
    Stats stats_;

    // Connection's thread only.
    std::map<int, QByteArray> current_;    // newest object of each receiver
    show::ShowSnapshotPtr lastMonitoring_; // the last snapshot taken while monitoring
    std::map<int, QByteArray> sent_;       // last handed to the library, per receiver
    std::map<int, int> stateInFlight_;     // receiver -> message id not yet written
    std::set<int> alarmInFlight_;          // message ids waiting for their PUBACK
    bool announce_ = false;                // connected: "online" and every state go out
    int offlineMid_ = -1;
    bool offlineSent_ = false;
    bool offlineDone_ = false;
};

// Checks the settings' url and starts a publisher on `hub`. Nothing, and `error` empty, for an
// empty url (publishing off); nothing with `error` saying why for a url that is not MQTT's.
std::unique_ptr<MqttPublisher> startPublisher(const MqttSettings& settings, show::SnapshotHub& hub,
                                              MqttConnection::MessageHandler messages,
                                              QString& error);

} // namespace tessaly::mqtt
