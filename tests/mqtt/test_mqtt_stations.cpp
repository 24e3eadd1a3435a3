// Stations publishing for real: three tessaly-cli monitor processes over simulated receivers,
// a private Mosquitto broker and a subscriber, all on loopback. Retained states of every
// station, the alarm line, the will of a killed station, the stop of a clean one, and a wrong
// password that leaves monitoring alone.

#include "mqtt/mqtt_topics.h"
#include "sim/control_channel.h"
#include "sim/simulator.h"
#include "tests/support/mosquitto_broker.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <memory>

using namespace tessaly;
using namespace tessaly::mqtt;
using tessaly::testing::MosquittoBroker;
using tessaly::testing::MqttProbe;
using tessaly::testing::ProbeMessage;
using tessaly::testing::TempDir;

namespace {

constexpr int kStations = 3;
constexpr int kPerStation = 3;

QJsonObject objectOf(const ProbeMessage& m) {
    return QJsonDocument::fromJson(m.payload).object();
}

class Stations : public ::testing::Test {
protected:
    void SetUp() override {
        sim::SimulatorOptions options;
        options.count = kStations * kPerStation;
        options.port = sim::findFreeLoopbackPort(QHostAddress("127.0.0.1"), options.count);
        ASSERT_NE(options.port, 0);
        ASSERT_TRUE(simulator.start(options));
        ASSERT_TRUE(broker.start());
    }

    // Station s (1..) watches receivers 127.0.0.(3s-2 .. 3s) from a directory of its own.
    std::unique_ptr<QProcess> startStation(int s, const std::string& mqttSection = {}) {
        auto& dir = dirs.emplace_back(std::make_unique<TempDir>());
        dir->write("Tessaly.ini",
                   "[comm]\r\nportno=" + std::to_string(simulator.port()) + "\r\n" + mqttSection);
        std::string env = "[receiver]\r\ncnt=" + std::to_string(kPerStation) + "\r\n";
        for (int n = 1; n <= kPerStation; ++n) {
            const int address = (s - 1) * kPerStation + n;
            env += "[recv" + std::to_string(n) + "]\r\nip=127.0.0." + std::to_string(address) +
                   "\r\nname=S" + std::to_string(s) + "R" + std::to_string(n) +
                   "\r\nfreq=" + std::to_string(600 + address) + ".125\r\n";
        }
        dir->write("env.ini", env);
        auto cli = std::make_unique<QProcess>();
        cli->setWorkingDirectory(QString::fromStdString(dir->path()));
        cli->start(TESSALY_CLI_PATH, {"monitor", "env.ini", "--mqtt", broker.url(), "--station",
                                      "S" + QString::number(s)});
        EXPECT_TRUE(cli->waitForStarted());
        return cli;
    }

    sim::Simulator simulator;
    MosquittoBroker broker{{}};
    std::vector<std::unique_ptr<TempDir>> dirs;
};

TEST_F(Stations, RetainedStatesAlarmsTheWillOfAKilledStationAndTheStopOfAClean) {
    MqttProbe probe(broker, "tessaly/v1/#", "watcher");
    std::vector<std::unique_ptr<QProcess>> stations;
    for (int s = 1; s <= kStations; ++s) {
        stations.push_back(startStation(s));
    }
    const auto allLive = [](MqttProbe& p) {
        for (int s = 1; s <= kStations; ++s) {
            for (int n = 1; n <= kPerStation; ++n) {
                const auto states = p.on(receiverTopic("S" + QString::number(s), n));
                if (states.empty() || objectOf(states.back())["state"] != "live") {
                    return false;
                }
            }
        }
        return true;
    };
    ASSERT_TRUE(probe.waitFor(allLive, 15000));

    // An alarm at station 2 arrives as its journal line.
    sim::ControlChannel control(simulator);
    ASSERT_EQ(control.handleLine("5 battery 0"), "ok"); // station 2, its receiver 2
    ASSERT_TRUE(probe.waitFor([](MqttProbe& p) { return !p.on(alarmTopic("S2")).empty(); }, 10000));
    const QJsonObject alarm = objectOf(probe.on(alarmTopic("S2"))[0]);
    EXPECT_EQ(alarm["station"], "S2");
    EXPECT_EQ(alarm["receiver"], 2);
    EXPECT_EQ(alarm["event"], "start");
    EXPECT_TRUE(alarm["kind"].toString().startsWith("battery"));
    EXPECT_TRUE(alarm["time"].toString().contains('T'));

    // A newcomer gets every station's status and receivers at once, retained.
    MqttProbe late(broker, "tessaly/v1/+/receiver/#", "newcomer");
    ASSERT_TRUE(late.waitFor(allLive, 5000));
    for (int s = 1; s <= kStations; ++s) {
        for (int n = 1; n <= kPerStation; ++n) {
            const QString topic = receiverTopic("S" + QString::number(s), n);
            EXPECT_TRUE(late.on(topic).front().retained) << topic.toStdString();
        }
    }

    // Station 2 is killed: the broker says its will. Station 3 stops cleanly: its receivers
    // say stopped, then it says offline itself.
    stations[1]->kill();
    stations[2]->terminate();
    for (const QString station : {"S2", "S3"}) {
        ASSERT_TRUE(probe.waitFor(
            [&](MqttProbe& p) {
                const auto status = p.on(statusTopic(station));
                return !status.empty() && status.back().payload == "offline";
            },
            10000))
            << station.toStdString();
    }
    EXPECT_EQ(objectOf(probe.on(receiverTopic("S3", 1)).back())["state"], "stopped");
    EXPECT_EQ(objectOf(probe.on(receiverTopic("S2", 1)).back())["state"], "live");
    EXPECT_EQ(probe.on(statusTopic("S1")).back().payload, "online");
    stations[0]->terminate();
    ASSERT_TRUE(stations[0]->waitForFinished(10000));
    EXPECT_EQ(stations[0]->exitCode(), 0) << stations[0]->readAllStandardError().toStdString();
}

TEST_F(Stations, AWrongPasswordIsSaidOnceAndMonitoringGoesOn) {
    MosquittoBroker guarded({"station", "right"});
    ASSERT_TRUE(guarded.start());
    auto& dir = dirs.emplace_back(std::make_unique<TempDir>());
    dir->write("Tessaly.ini", "[comm]\r\nportno=" + std::to_string(simulator.port()) +
                                  "\r\n[mqtt]\r\nuser=station\r\npassword=wrong\r\n");
    dir->write("env.ini", "[receiver]\r\ncnt=1\r\n[recv1]\r\nip=127.0.0.1\r\nname=R1\r\n"
                          "freq=601.125\r\n");
    QProcess cli;
    cli.setWorkingDirectory(QString::fromStdString(dir->path()));
    cli.start(TESSALY_CLI_PATH, {"monitor", "env.ini", "--seconds", "4", "--mqtt", guarded.url()});
    ASSERT_TRUE(cli.waitForFinished(20000));
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    const QString out = QString::fromUtf8(cli.readAllStandardOutput());
    EXPECT_EQ(err.count("refused the user name or password"), 1) << err.toStdString();
    EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
    EXPECT_TRUE(out.contains("1 of 1 receivers connected at the end")) << out.toStdString();
    EXPECT_EQ(cli.exitCode(), 0);
}

} // namespace
