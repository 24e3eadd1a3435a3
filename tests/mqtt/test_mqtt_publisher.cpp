// A station's publisher against a real Mosquitto broker on loopback: retained states and
// status, alarm events in order across a broker restart, a broker that is down at the start,
// a subscriber that never reads, and a wrong password.

#include "mqtt/mqtt_board.h"
#include "mqtt/mqtt_publisher.h"
#include "mqtt/mqtt_topics.h"
#include "remote/board_stream.h"
#include "tests/support/mosquitto_broker.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>

#include <mutex>
#include <optional>

using namespace tessaly;
using namespace tessaly::mqtt;
using tessaly::testing::MosquittoBroker;
using tessaly::testing::MqttProbe;
using tessaly::testing::waitUntil;

namespace {

constexpr const char* kStation = "east";
// A hand-over that waited for the network would take at least one connection back-off
// (250 ms); the margin below it is for a loaded machine.
constexpr qint64 kHandOverLimitNs = 50'000'000;

// RF A of a receiver's retained object, in tenths of a dBm as the snapshots give it.
int rfTenths(const QByteArray& payload) {
    return qRound(QJsonDocument::fromJson(payload).object()["rf_a_dbm"].toDouble() * 10);
}

// `receivers` receivers whose RF is `rf`, and one alarm start per value in `events`.
show::ShowSnapshot snapshotOf(int receivers, int rf, std::vector<int> events = {}) {
    show::ShowSnapshot s;
    s.monitoring = true;
    for (int n = 1; n <= receivers; ++n) {
        show::ReceiverSnapshot r;
        r.observation.receiver = n;
        r.observation.name = "RX" + std::to_string(n);
        r.observation.rfLevelA = rf;
        r.state.liveness = show::Liveness::Live;
        s.receivers.push_back(r);
    }
    for (int value : events) {
        show::AlarmEvent e;
        e.receiver = 1;
        e.kind = show::AlarmKind::RfLoss;
        e.severity = show::Severity::Critical;
        e.value = value;
        s.events.push_back(e);
    }
    return s;
}

// The alarm values that reached the probe, first arrivals only (QoS 1 may repeat one).
std::vector<int> alarmValues(MqttProbe& probe) {
    std::vector<int> values;
    for (const auto& m : probe.on(alarmTopic(kStation))) {
        const int v = QJsonDocument::fromJson(m.payload).object()["value"].toInt();
        if (std::find(values.begin(), values.end(), v) == values.end()) {
            values.push_back(v);
        }
    }
    return values;
}

std::vector<int> range(int from, int to) {
    std::vector<int> v;
    for (int i = from; i <= to; ++i) {
        v.push_back(i);
    }
    return v;
}

class Station {
public:
    Station(const MosquittoBroker& broker, std::string password = {}, int queueLimit = 10000,
            QString name = kStation, std::optional<QString> ca = std::nullopt) {
        PublisherOptions options;
        options.settings.url = broker.url();
        options.settings.ca = ca.value_or(QString::fromStdString(broker.caFile()));
        options.settings.station = name;
        if (!password.empty()) {
            options.settings.user = "station";
            options.settings.password = QString::fromStdString(password);
        }
        options.alarmQueueLimit = queueLimit;
        MqttEndpoint endpoint;
        QString error;
        EXPECT_TRUE(parseMqttUrl(options.settings.url, endpoint, error));
        publisher = std::make_unique<MqttPublisher>(options, endpoint);
        publisher->setMessageHandler([this](const QString& text) {
            std::lock_guard lock(mutex);
            said.push_back(text);
        });
        publisher->attach(hub);
        publisher->start();
    }
    // Publishes a snapshot on the hub and returns how long the hub's publish took.
    qint64 publishNs(show::ShowSnapshot snapshot) {
        QElapsedTimer clock;
        clock.start();
        hub.publish(std::move(snapshot));
        return clock.nsecsElapsed();
    }
    int countSaid(const QString& part) {
        std::lock_guard lock(mutex);
        return int(std::count_if(said.begin(), said.end(),
                                 [&](const QString& s) { return s.contains(part); }));
    }

    show::SnapshotHub hub;
    std::unique_ptr<MqttPublisher> publisher;
    std::mutex mutex;
    std::vector<QString> said;
};

// Waits until the probe is subscribed: it sees a retained marker published after it started
// (on a topic that every probe's filter takes).
bool probeReady(const MosquittoBroker& broker, MqttProbe& probe) {
    QProcess::execute("mosquitto_pub", {"-h", "127.0.0.1", "-p", QString::number(broker.port()),
                                        "-t", "tessaly/v1/probe/alarm", "-m", "1", "-r"});
    return probe.waitFor([](MqttProbe& p) { return !p.on("tessaly/v1/probe/alarm").empty(); },
                         5000);
}

TEST(MqttPublisher, RetainedStatusAndStatesOnlyWhenChangedAndOfflineOnAStop) {
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start());
    Station station(broker);
    ASSERT_TRUE(waitUntil([&] { return station.publisher->isConnected(); }));
    MqttProbe early(broker, "tessaly/v1/#", "early");
    ASSERT_TRUE(probeReady(broker, early));
    station.publishNs(snapshotOf(3, -600));
    ASSERT_TRUE(early.waitFor(
        [](MqttProbe& p) { return !p.on(receiverTopic(kStation, 3)).empty(); }, 5000));

    // A subscriber that comes later gets the retained status and every receiver's state.
    MqttProbe probe(broker, "tessaly/v1/#", "late");
    ASSERT_TRUE(probe.waitFor(
        [](MqttProbe& p) { return !p.on(receiverTopic(kStation, 3)).empty(); }, 5000));
    ASSERT_EQ(probe.on(statusTopic(kStation)).size(), 1u);
    EXPECT_EQ(probe.on(statusTopic(kStation))[0].payload, "online");
    EXPECT_TRUE(probe.on(statusTopic(kStation))[0].retained);
    for (int n = 1; n <= 3; ++n) {
        const auto states = probe.on(receiverTopic(kStation, n));
        ASSERT_EQ(states.size(), 1u) << n;
        EXPECT_TRUE(states[0].retained);
        EXPECT_EQ(rfTenths(states[0].payload), -600);
    }

    // The same values again send nothing; one receiver changed sends that one only; a
    // receiver that left the environment has its retained state cleared.
    station.publishNs(snapshotOf(3, -600));
    auto changed = snapshotOf(2, -600);
    changed.receivers[1].observation.rfLevelA = -700;
    station.publishNs(changed);
    ASSERT_TRUE(probe.waitFor(
        [](MqttProbe& p) { return p.on(receiverTopic(kStation, 3)).size() == 2; }, 5000));
    EXPECT_TRUE(probe.on(receiverTopic(kStation, 3))[1].payload.isEmpty());
    EXPECT_EQ(probe.on(receiverTopic(kStation, 1)).size(), 1u);
    ASSERT_EQ(probe.on(receiverTopic(kStation, 2)).size(), 2u);
    EXPECT_EQ(rfTenths(probe.on(receiverTopic(kStation, 2))[1].payload), -700);

    // Monitoring stops: the receivers stay, saying so.
    show::ShowSnapshot stopped;
    stopped.monitoring = false;
    station.publishNs(stopped);
    ASSERT_TRUE(probe.waitFor(
        [](MqttProbe& p) { return p.on(receiverTopic(kStation, 1)).size() == 2; }, 5000));
    EXPECT_EQ(QJsonDocument::fromJson(probe.on(receiverTopic(kStation, 1))[1].payload)
                  .object()["state"]
                  .toString(),
              "stopped");

    station.publisher->stop();
    ASSERT_TRUE(
        probe.waitFor([](MqttProbe& p) { return p.on(statusTopic(kStation)).size() == 2; }, 5000));
    EXPECT_EQ(probe.on(statusTopic(kStation))[1].payload, "offline");
}

TEST(MqttPublisher, ABrokerDownAtTheStartDelaysNothingAndGetsTheNewestEventsLater) {
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start());
    MqttProbe probe(broker, "tessaly/v1/#", "before-start");
    ASSERT_TRUE(probeReady(broker, probe));
    broker.stop(); // the probe's session is kept for it

    constexpr int kQueue = 10;
    Station station(broker, {}, kQueue);
    qint64 slowestNs = 0;
    for (int i = 1; i <= 25; ++i) {
        slowestNs = std::max(slowestNs, station.publishNs(snapshotOf(60, -600 - i, {i})));
        QThread::msleep(20);
    }
    EXPECT_LT(slowestNs, kHandOverLimitNs) << "a snapshot's hand-over waited for the network";
    ASSERT_TRUE(waitUntil([&] { return station.countSaid("cannot reach") == 1; }));
    EXPECT_EQ(station.said.size(), 1u);
    const auto waiting = station.publisher->stats();
    EXPECT_EQ(waiting.alarmsDropped, 15u);
    EXPECT_EQ(waiting.alarmsWaiting, kQueue);

    ASSERT_TRUE(broker.start());
    ASSERT_TRUE(probe.waitFor([](MqttProbe& p) { return alarmValues(p).size() >= kQueue; }, 15000));
    EXPECT_EQ(alarmValues(probe), range(16, 25)); // the oldest were dropped, the rest in order
    ASSERT_TRUE(probe.waitFor(
        [](MqttProbe& p) { return !p.on(receiverTopic(kStation, 60)).empty(); }, 5000));
    EXPECT_EQ(rfTenths(probe.on(receiverTopic(kStation, 60)).back().payload), -625);
    EXPECT_EQ(station.countSaid("connected to the broker"), 1);
}

TEST(MqttPublisher, AlarmEventsKeepTheirOrderAndNoneIsLostAcrossABrokerRestart) {
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start());
    MqttProbe probe(broker, "tessaly/v1/#", "across-restart");
    ASSERT_TRUE(probeReady(broker, probe));
    Station station(broker);
    ASSERT_TRUE(waitUntil([&] { return station.publisher->isConnected(); }));

    constexpr int kEvents = 60;
    for (int i = 1; i <= kEvents; ++i) {
        if (i == 20) {
            broker.stop();
        }
        if (i == 40) {
            ASSERT_TRUE(broker.start());
        }
        station.publishNs(snapshotOf(4, -600 - i, {i}));
        QThread::msleep(50);
    }
    ASSERT_TRUE(probe.waitFor([](MqttProbe& p) { return alarmValues(p).size() >= kEvents; }, 20000))
        << alarmValues(probe).size();
    EXPECT_EQ(alarmValues(probe), range(1, kEvents));
    EXPECT_EQ(station.publisher->stats().alarmsDropped, 0u);
    EXPECT_EQ(station.countSaid("lost the broker"), 1);
    // The newest state is there for a subscriber that comes after the restart.
    MqttProbe late(broker, "tessaly/v1/+/receiver/#", "after-restart");
    ASSERT_TRUE(late.waitFor([](MqttProbe& p) { return p.messages().size() >= 4; }, 5000));
    EXPECT_EQ(rfTenths(late.on(receiverTopic(kStation, 4)).back().payload), -600 - kEvents);
}

TEST(MqttPublisher, ASubscriberThatNeverReadsHoldsUpNothing) {
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start());
    MqttProbe stuck(broker, "tessaly/v1/#", "stuck");
    ASSERT_TRUE(probeReady(broker, stuck));
    stuck.pause();
    MqttProbe reader(broker, "tessaly/v1/+/alarm", "reader");
    ASSERT_TRUE(probeReady(broker, reader));
    Station station(broker);
    ASSERT_TRUE(waitUntil([&] { return station.publisher->isConnected(); }));

    constexpr int kEvents = 300;
    qint64 slowestNs = 0;
    for (int i = 1; i <= kEvents; ++i) {
        slowestNs = std::max(slowestNs, station.publishNs(snapshotOf(60, -600 - i % 50, {i})));
        QThread::msleep(2);
    }
    EXPECT_LT(slowestNs, kHandOverLimitNs);
    ASSERT_TRUE(waitUntil(
        [&] { return station.publisher->stats().alarmsAcknowledged == uint64_t(kEvents); }, 10000));
    ASSERT_TRUE(
        reader.waitFor([](MqttProbe& p) { return alarmValues(p).size() >= kEvents; }, 10000));
    EXPECT_EQ(alarmValues(reader), range(1, kEvents));
}

TEST(MqttPublisher, AWrongPasswordIsSaidOnceAndPublishingWorksWithTheRightOne) {
    MosquittoBroker broker({"station", "right"});
    ASSERT_TRUE(broker.start()) << broker.log();
    Station wrong(broker, "wrong");
    for (int i = 1; i <= 20; ++i) {
        EXPECT_LT(wrong.publishNs(snapshotOf(4, -600, {i})), kHandOverLimitNs);
        QThread::msleep(100);
    }
    EXPECT_EQ(wrong.countSaid("refused the user name or password"), 1);
    EXPECT_EQ(wrong.said.size(), 1u);
    EXPECT_FALSE(wrong.publisher->isConnected());
    EXPECT_EQ(wrong.publisher->stats().alarmsPublished, 0u);

    Station right(broker, "right");
    EXPECT_TRUE(waitUntil([&] { return right.publisher->isConnected(); }));
}

TEST(MqttPublisher, OverTlsTheBrokersCertificateIsCheckedAgainstTheGivenCa) {
    MosquittoBroker::Options tls;
    tls.tls = true;
    MosquittoBroker broker(tls);
    ASSERT_TRUE(broker.start()) << broker.log();
    Station trusting(broker);
    trusting.publishNs(snapshotOf(4, -600));
    EXPECT_TRUE(waitUntil([&] { return trusting.publisher->stats().statesPublished >= 4; }))
        << broker.log();

    // The system's CAs do not know the broker's: refused, said once, and nothing goes out.
    Station doubting(broker, {}, 10000, "west", QString());
    for (int i = 1; i <= 10; ++i) {
        doubting.publishNs(snapshotOf(4, -600, {i}));
        QThread::msleep(100);
    }
    EXPECT_FALSE(doubting.publisher->isConnected());
    EXPECT_EQ(doubting.countSaid("no secure connection: check [mqtt] ca="), 1);
    EXPECT_EQ(doubting.said.size(), 1u) << doubting.said.back().toStdString();
    EXPECT_EQ(doubting.publisher->stats().alarmsPublished, 0u);
}

TEST(MqttBoard, EveryStationUnderItsNameAndAStationGoneOfflineWithAllItsReceivers) {
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start());
    Station east(broker, {}, 100, "east");
    Station west(broker, {}, 100, "west");

    MqttEndpoint endpoint;
    QString error;
    ASSERT_TRUE(parseMqttUrl(broker.url(), endpoint, error));
    MqttBoard board(MqttSettings{}, endpoint, 100);
    board.start();
    // Alarm events are not retained: the board must be subscribed (it has both stations'
    // retained status) before the alarm starts.
    ASSERT_TRUE(waitUntil([&] {
        const auto now = board.board();
        return now->stations.size() == 2 && now->stations[0].status == "online" &&
               now->stations[1].status == "online";
    }));
    east.publishNs(snapshotOf(2, -600, {1}));
    west.publishNs(snapshotOf(3, -700));
    const auto receiversOf = [&](const QString& name) -> QJsonArray {
        const auto now = board.board();
        for (const auto& station : now->stations) {
            if (station.station == name) {
                return station.receivers;
            }
        }
        return {};
    };
    ASSERT_TRUE(waitUntil([&] {
        const auto now = board.board();
        return receiversOf("east").size() == 2 && receiversOf("west").size() == 3 &&
               !now->stations.empty() && !now->stations[0].activeAlarms.isEmpty();
    }));
    EXPECT_EQ(board.board()->stations[0].activeAlarms[0].toObject()["kind"], "rf-loss");
    EXPECT_EQ(receiversOf("west")[2].toObject()["state"], "live");

    // The frames name every receiver's station and list the stations with their status.
    remote::BoardStream stream;
    stream.next(board.board());
    const QJsonObject full = QJsonDocument::fromJson(stream.fullFrame()).object();
    EXPECT_EQ(full["receivers"].toArray().size(), 5);
    EXPECT_EQ(full["receivers"].toArray()[4].toObject()["station"], "west");
    EXPECT_EQ(full["stations"].toArray()[1].toObject()["status"], "online");

    west.publisher->stop(); // its "offline", as the will would say it
    ASSERT_TRUE(waitUntil([&] {
        const QJsonArray west = receiversOf("west");
        return !west.isEmpty() && west[0].toObject()["state"] == "offline";
    }));
    for (const auto& value : receiversOf("west")) {
        const QJsonObject o = value.toObject();
        EXPECT_EQ(o["state"], "offline");
        EXPECT_TRUE(o["rf_a_dbm"].isNull());
        EXPECT_EQ(o["last"].toObject()["rf_a_dbm"].toDouble(), -70.0);
    }
    EXPECT_EQ(receiversOf("east")[0].toObject()["state"], "live");
    const QJsonObject change = QJsonDocument::fromJson(stream.next(board.board())).object();
    EXPECT_EQ(change["stations"].toArray()[1].toObject()["status"], "offline");
    EXPECT_EQ(change["receivers"].toArray().size(), 3);
}

} // namespace
