#include "core/thread_sanitizer_marks.h"
#include "remote/remote_service.h"

#include "tests/support/show_snapshots.h"
#include "tests/support/wait_until.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QThread>
#include <QWebSocket>
#include <gtest/gtest.h>

#include <mutex>

using namespace tessaly;
using namespace tessaly::remote;
using tessaly::testing::waitUntil;

namespace {

// One refresh of `count` receivers; receiver 2 is offline with the values it last had live.
show::ShowSnapshot stage(int count, int32_t rfA, int refreshMs = 100) {
    show::ShowSnapshot s;
    s.monitoring = true;
    s.refreshIntervalMs = refreshMs;
    for (int n = 1; n <= count; ++n) {
        show::ReceiverSnapshot r;
        r.observation.receiver = n;
        r.observation.name = "Mic \"" + std::to_string(n) + "\"";
        r.observation.freqText = "606.500";
        r.observation.rfLevelA = rfA;
        r.observation.rfLevelB = -700;
        r.observation.afLevel = -200;
        r.observation.battery = 3;
        r.observation.mute = 0;
        r.state.liveness = n == 2 ? show::Liveness::Offline : show::Liveness::Live;
        r.state.dataAgeMs = n == 2 ? 7000 : 20;
        r.antenna = 0;
        if (n == 2) {
            r.lastLive = show::LastLiveValues{-640, -700, -210, 2, 0, 1};
            r.activeAlarms.push_back(show::AlarmKind::Offline);
        }
        s.receivers.push_back(r);
    }
    show::AlarmRecord alarm;
    alarm.id = 1;
    alarm.receiver = 2;
    alarm.kind = show::AlarmKind::Offline;
    s.activeAlarms.push_back(alarm);
    show::AlarmEvent start;
    start.receiver = 2;
    start.kind = show::AlarmKind::Offline;
    start.alarmId = 1;
    s.events.push_back(start);
    return s;
}

class RemoteServerTest : public ::testing::Test {
protected:
    void serve(RemoteOptions options = {}) {
        options.address = QHostAddress::LocalHost;
        QString error;
        ASSERT_TRUE(service.start(options, localBoard(hub), error)) << error.toStdString();
    }
    void SetUp() override { hub.publish(stage(3, -615)); }

    // Sends `raw` and returns all that came back before the server closed (or `limitMs`).
    QByteArray exchange(const QByteArray& raw, int limitMs = 3000) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, service.port());
        if (!socket.waitForConnected(1000)) {
            return "no connection";
        }
        socket.write(raw);
        QByteArray answer;
        waitUntil(
            [&] {
                answer += socket.readAll();
                return socket.state() == QAbstractSocket::UnconnectedState;
            },
            limitMs);
        return answer + socket.readAll();
    }
    QByteArray get(const QByteArray& target, const QByteArray& headers = {}) {
        return exchange("GET " + target + " HTTP/1.1\r\nHost: x\r\n" + headers + "\r\n");
    }
    static int status(const QByteArray& answer) { return answer.mid(9, 3).toInt(); }
    static QByteArray body(const QByteArray& answer) {
        return answer.mid(answer.indexOf("\r\n\r\n") + 4);
    }
    QByteArray metricsBody() { return body(get("/metrics")); }

    show::SnapshotHub hub;
    RemoteService service;
};

TEST_F(RemoteServerTest, ReceiversAndAlarmsAreHonestAboutStaleValues) {
    serve();
    const QByteArray answer = get("/api/v1/receivers");
    ASSERT_EQ(status(answer), 200) << answer.toStdString();
    EXPECT_TRUE(answer.contains("application/json"));
    const QJsonArray receivers = QJsonDocument::fromJson(body(answer)).array();
    ASSERT_EQ(receivers.size(), 3);
    EXPECT_DOUBLE_EQ(receivers[0].toObject()["rf_a_dbm"].toDouble(), -61.5);
    const QJsonObject offline = receivers[1].toObject();
    EXPECT_EQ(offline["state"].toString(), "offline");
    EXPECT_TRUE(offline["rf_a_dbm"].isNull());
    EXPECT_TRUE(offline["battery"].isNull());
    EXPECT_DOUBLE_EQ(offline["last"].toObject()["rf_a_dbm"].toDouble(), -64.0);
    EXPECT_EQ(offline["last"].toObject()["age_ms"].toInt(), 7000);

    const QJsonObject alarms = QJsonDocument::fromJson(body(get("/api/v1/alarms"))).object();
    ASSERT_EQ(alarms["active"].toArray().size(), 1);
    EXPECT_EQ(alarms["active"].toArray()[0].toObject()["kind"].toString(), "offline");
    EXPECT_EQ(alarms["journal"].toArray()[0].toObject()["receiver"].toInt(), 2);

    const QByteArray page = get("/");
    EXPECT_EQ(status(page), 200);
    EXPECT_TRUE(page.contains("text/html"));

    // A stopped program serves no receivers rather than the last ones.
    hub.publish(show::ShowSnapshot{});
    ASSERT_TRUE(waitUntil([&] { return body(get("/api/v1/receivers")) == "[]"; }, 2000));
}

TEST_F(RemoteServerTest, MetricsPassPromtoolAndLeaveOutValuesThatAreNotLive) {
    serve();
    const QByteArray text = metricsBody();
    EXPECT_TRUE(text.contains("tessaly_receiver_up{receiver=\"2\",name=\"Mic \\\"2\\\"\"} 0"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("tessaly_receiver_rf_dbm{receiver=\"1\",name=\"Mic \\\"1\\\"\","
                              "antenna=\"A\"} -61.5"));
    EXPECT_FALSE(text.contains("tessaly_receiver_rf_dbm{receiver=\"2\""));
    EXPECT_TRUE(text.contains("tessaly_alarms_active{kind=\"offline\",severity=\"critical\"} 1"));

#ifdef TESSALY_THREAD_SANITIZER
    GTEST_SKIP() << "promtool runs in the normal build: TSan cannot go on after a threaded fork";
#endif
    const QString promtool = QStandardPaths::findExecutable("promtool");
    if (promtool.isEmpty()) {
        GTEST_SKIP() << "promtool is not installed (Debian package prometheus)";
    }
    QProcess check;
    check.start(promtool, {"check", "metrics"});
    check.write(text);
    check.closeWriteChannel();
    ASSERT_TRUE(check.waitForFinished(20000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardError().toStdString()
                                   << check.readAllStandardOutput().toStdString();
}

struct Refusal {
    const char* name;
    QByteArray request;
    int status;
};

class RequestRefusal : public RemoteServerTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RequestRefusal, GetsItsStatusAndTheServerGoesOn) {
    serve();
    EXPECT_EQ(status(exchange(GetParam().request)), GetParam().status);
    EXPECT_EQ(status(get("/api/v1/receivers")), 200) << "still serving";
}

QByteArray manyHeaders(int count) {
    QByteArray request = "GET / HTTP/1.1\r\n";
    for (int i = 0; i < count; ++i) {
        request += "X-H" + QByteArray::number(i) + ": v\r\n";
    }
    return request + "\r\n";
}

INSTANTIATE_TEST_SUITE_P(
    Requests, RequestRefusal,
    ::testing::Values(
        Refusal{"UnknownPath", "GET /etc/passwd HTTP/1.1\r\n\r\n", 404},
        Refusal{"DotDot", "GET /../remote/index.html HTTP/1.1\r\n\r\n", 404},
        Refusal{"Post", "POST /api/v1/receivers HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}", 405},
        Refusal{"Delete", "DELETE /metrics HTTP/1.1\r\n\r\n", 405},
        Refusal{"Garbage", "\x01\x02 nonsense \xff\r\n\r\n", 400},
        Refusal{"StreamWithoutUpgrade", "GET /api/v1/stream HTTP/1.1\r\n\r\n", 400},
        Refusal{"TooManyHeaders", manyHeaders(100), 431},
        Refusal{"OversizedHead", "GET /?" + QByteArray(20000, 'a') + " HTTP/1.1\r\n\r\n", 431}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RemoteServerTest, ATokenIsRequiredOnEveryPathWhenSetAndAnywhereButLoopback) {
    QString error;
    EXPECT_FALSE(mayListen(QHostAddress("192.168.1.20"), {}, error));
    EXPECT_TRUE(error.contains("token")) << error.toStdString();
    EXPECT_TRUE(mayListen(QHostAddress("192.168.1.20"), "s3cret", error));
    EXPECT_TRUE(mayListen(QHostAddress("127.0.0.5"), {}, error));
    QHostAddress address;
    quint16 port = 0;
    EXPECT_TRUE(parseListenAddress("0.0.0.0:8080", address, port, error));
    EXPECT_EQ(port, 8080);
    for (const char* wrong : {"8080", "127.0.0.1", "127.0.0.1:0", "127.0.0.1:70000", "host:80"}) {
        EXPECT_FALSE(parseListenAddress(wrong, address, port, error)) << wrong;
    }
    // Refused before anything listens.
    RemoteService refused;
    RemoteOptions wide;
    wide.address = QHostAddress::AnyIPv4;
    EXPECT_FALSE(refused.start(wide, localBoard(hub), error));
    EXPECT_FALSE(refused.running());

    RemoteOptions options;
    options.token = "s3cret";
    serve(options);
    EXPECT_EQ(status(get("/api/v1/receivers")), 401);
    EXPECT_EQ(status(get("/nowhere")), 401) << "nothing is told without the token";
    EXPECT_EQ(status(get("/api/v1/receivers", "Authorization: Bearer wrong\r\n")), 401);
    EXPECT_EQ(status(get("/api/v1/receivers", "Authorization: Bearer s3cret\r\n")), 200);
    EXPECT_EQ(status(get("/?token=s3cret")), 200);
    EXPECT_EQ(status(get("/metrics?token=s3cre")), 401);
    EXPECT_EQ(status(get("/api/v1/history/1")), 401);
    EXPECT_EQ(status(get("/api/v1/history/1?token=s3cret")), 200);

    QWebSocket anonymous;
    bool closed = false;
    QObject::connect(&anonymous, &QWebSocket::disconnected, [&] { closed = true; });
    QString received;
    QObject::connect(&anonymous, &QWebSocket::textMessageReceived,
                     [&](const QString& m) { received += m; });
    anonymous.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/v1/stream").arg(service.port())));
    ASSERT_TRUE(waitUntil([&] { return closed; }, 3000));
    EXPECT_TRUE(received.isEmpty());
}

TEST_F(RemoteServerTest, HistoryKeepsTheLastTenMinutesOneRowASecondWithoutStaleValues) {
    using tessaly::testing::showSnapshot;
    serve();
    const int64_t base = 1'765'000'000;
    const auto history = [&](int number) {
        return QJsonDocument::fromJson(body(get("/api/v1/history/" + QByteArray::number(number))))
            .object();
    };
    // 605 seconds of one refresh each: receiver 1 offline in second 603, second 600 has two
    // refreshes; receiver 2 is on the board throughout. Every second's snapshot closes the last.
    for (int s = 0; s <= 604; ++s) {
        const auto state = s == 603 ? show::Liveness::Offline : show::Liveness::Live;
        const int32_t rfA = -600 - s % 7;
        hub.publish(showSnapshot(
            (base + s) * 1000, {{.receiver = 1, .liveness = state, .rfA = rfA}, {.receiver = 2}}));
        if (s == 600) {
            hub.publish(showSnapshot((base + s) * 1000 + 500,
                                     {{.receiver = 1, .rfA = -550}, {.receiver = 2}}));
        }
        if (s % 50 == 0 || s == 604) { // let the server's thread keep up with the inbox
            ASSERT_TRUE(waitUntil([&] { return history(1)["now"].toInteger() == base + s; }));
        }
    }
    const QJsonArray rows = history(1)["seconds"].toArray();
    ASSERT_EQ(rows.size(), 600) << "bounded to ten minutes of closed seconds";
    EXPECT_EQ(rows.first().toObject()["time"].toInteger(), base + 4);
    const QJsonObject twice = rows[600 - 4].toObject();
    EXPECT_EQ(twice["time"].toInteger(), base + 600);
    EXPECT_DOUBLE_EQ(twice["rf_a_min_dbm"].toDouble(), -60.5); // -600 - 600 % 7
    EXPECT_DOUBLE_EQ(twice["rf_a_max_dbm"].toDouble(), -55.0);
    EXPECT_DOUBLE_EQ(twice["af_max_db"].toDouble(), -20.0);
    EXPECT_EQ(twice["battery"].toInt(), 4);
    const QJsonObject offline = rows.last().toObject();
    EXPECT_EQ(offline["time"].toInteger(), base + 603);
    EXPECT_EQ(offline["state"].toString(), "offline");
    for (const char* key : {"rf_a_min_dbm", "rf_b_max_dbm", "af_max_db", "battery"}) {
        EXPECT_TRUE(offline[key].isNull()) << key;
    }
    EXPECT_EQ(history(2)["seconds"].toArray().size(), 600);
    EXPECT_EQ(status(get("/api/v1/history/7")), 404) << "not on the board";
    EXPECT_EQ(status(get("/api/v1/history/x")), 404);
}

TEST_F(RemoteServerTest, ConnectionsBeyondTheLimitAndClientsThatStallAreDropped) {
    RemoteOptions options;
    options.limits.maxConnections = 3;
    options.limits.deadlineMs = 600;
    options.maxQueuedBytes = 32 * 1024;
    serve(options);
    // A client that sends half a head and waits is closed at its deadline.
    QTcpSocket slow;
    slow.connectToHost(QHostAddress::LocalHost, service.port());
    ASSERT_TRUE(slow.waitForConnected(1000));
    slow.write("GET / HTTP/1.1\r\nHost: x\r\n");
    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int i = 0; i < 2; ++i) {
        idle.push_back(std::make_unique<QTcpSocket>());
        idle.back()->connectToHost(QHostAddress::LocalHost, service.port());
        ASSERT_TRUE(idle.back()->waitForConnected(1000));
    }
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(status(get("/")), 503);
    ASSERT_TRUE(waitUntil([&] { return slow.state() == QAbstractSocket::UnconnectedState; }, 2000));
    ASSERT_TRUE(waitUntil([&] { return status(get("/")) == 200; }, 2000)) << "room again";

    // A stream client that never reads: upgraded by hand, then left alone while the board moves.
    QTcpSocket deaf;
    deaf.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    deaf.setReadBufferSize(4096); // Qt itself stops reading too
    deaf.connectToHost(QHostAddress::LocalHost, service.port());
    ASSERT_TRUE(deaf.waitForConnected(1000));
    deaf.write("GET /api/v1/stream HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\n"
               "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
               "Sec-WebSocket-Version: 13\r\n\r\n");
    deaf.flush();
    int32_t level = -600;
    ASSERT_TRUE(waitUntil(
        [&] {
            hub.publish(stage(60, --level, 10));
            return metricsBody().contains("tessaly_remote_stream_dropped_total 1");
        },
        30000));
}

TEST_F(RemoteServerTest, TheStreamSendsTheBoardOnceThenOnlyChangesAtMostOnceARefresh) {
    serve();
    QWebSocket client;
    std::vector<QJsonObject> frames;
    QObject::connect(&client, &QWebSocket::textMessageReceived, [&](const QString& m) {
        frames.push_back(QJsonDocument::fromJson(m.toUtf8()).object());
    });
    client.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/v1/stream").arg(service.port())));
    ASSERT_TRUE(waitUntil([&] { return !frames.empty(); }, 3000));
    ASSERT_TRUE(waitUntil([&] { return frames.back()["receivers"].toArray().size() == 3; }, 3000))
        << "the first frames carry the whole board";
    EXPECT_EQ(frames.front()["type"].toString(), "full");
    EXPECT_EQ(frames.front()["refresh_ms"].toInt(), 100);

    // Receiver 1 changes, then a burst of twenty refreshes arrives within one refresh.
    frames.clear();
    show::ShowSnapshot next = stage(3, -615);
    next.receivers[0].observation.afLevel = -50;
    next.events.clear();
    for (int i = 0; i < 20; ++i) {
        hub.publish(next);
    }
    ASSERT_TRUE(waitUntil([&] { return !frames.empty(); }, 2000));
    waitUntil([] { return false; }, 350);
    ASSERT_EQ(frames.size(), 1u) << "one frame for the burst, nothing for what did not change";
    EXPECT_EQ(frames[0]["type"].toString(), "changes");
    const QJsonArray changed = frames[0]["receivers"].toArray();
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0].toObject()["receiver"].toInt(), 1);
    EXPECT_DOUBLE_EQ(changed[0].toObject()["af_db"].toDouble(), -5.0);

    frames.clear();
    hub.publish(stage(2, -615));
    ASSERT_TRUE(waitUntil([&] { return !frames.empty(); }, 2000));
    EXPECT_EQ(frames[0]["removed"].toArray()[0].toObject()["receiver"].toInt(), 3);
    frames.clear();
    show::ShowSnapshot stopped;
    hub.publish(stopped);
    ASSERT_TRUE(waitUntil([&] { return !frames.empty(); }, 2000));
    EXPECT_EQ(frames[0].value("monitoring"), QJsonValue(false));
    EXPECT_EQ(frames[0]["removed"].toArray().size(), 2);
}

// Several stations' boards, as a broker gathers them; changed from the test's thread.
class StationsSource : public BoardSource {
public:
    StationsSource(int stations, int refreshMs, int gatherMs) : gatherMs_(gatherMs) {
        auto board = std::make_shared<BoardState>();
        for (int i = 0; i < stations; ++i) {
            BoardStation station;
            station.station = QStringLiteral("S%1").arg(i);
            station.refreshIntervalMs = refreshMs;
            station.monitoring = true;
            station.receivers.append(QJsonObject{{"receiver", 1}, {"af_db", -20.0}});
            board->stations.push_back(station);
        }
        board_ = board;
    }
    BoardStatePtr current() const override {
        std::lock_guard lock(mutex_);
        return board_;
    }
    int gatherMs() const override { return gatherMs_; }
    void setAf(int station, double af) {
        {
            std::lock_guard lock(mutex_);
            auto board = std::make_shared<BoardState>(*board_);
            ++board->version;
            board->stations[station].receivers[0] = QJsonObject{{"receiver", 1}, {"af_db", af}};
            board_ = board;
        }
        emit changed();
    }

private:
    const int gatherMs_;
    mutable std::mutex mutex_;
    BoardStatePtr board_;
};

class PacedStream : public ::testing::Test {
protected:
    void serve(int stations, int refreshMs, int gatherMs) {
        QString error;
        ASSERT_TRUE(service.start(
            {},
            [&] {
                auto made = std::make_unique<StationsSource>(stations, refreshMs, gatherMs);
                source = made.get();
                return made;
            },
            error));
        QObject::connect(&client, &QWebSocket::textMessageReceived, [&](const QString& m) {
            frames.push_back(QJsonDocument::fromJson(m.toUtf8()).object());
        });
        client.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/v1/stream").arg(service.port())));
        ASSERT_TRUE(waitUntil([&] { return frames.size() == 1; }, 3000)) << "the full board";
    }
    // Changes station 0, waits for its frame and then `pauseMs` more; then changes `then` and
    // returns how long their frame took.
    qint64 secondChangeMs(int pauseMs, const std::vector<int>& then) {
        source->setAf(0, -10.0);
        EXPECT_TRUE(waitUntil([&] { return frames.size() == 2; }, 3000));
        waitUntil([] { return false; }, pauseMs);
        QElapsedTimer since;
        since.start();
        for (int station : then) {
            source->setAf(station, -30.0 - station);
            QThread::msleep(20);
        }
        EXPECT_TRUE(waitUntil([&] { return frames.size() == 3; }, 5000));
        return since.elapsed();
    }

    RemoteService service;
    StationsSource* source = nullptr;
    QWebSocket client;
    std::vector<QJsonObject> frames;
};

// Frames are paced from the last one sent (3/4 of a refresh, shared among the stations), not
// held to a grid whose phase would keep every later change waiting.
TEST_F(PacedStream, AChangeOnceARefreshIsFramedAtOnceWhateverThePhase) {
    serve(1, 2000, 0);
    EXPECT_LT(secondChangeMs(1600, {0}), 300) << "a grid would hold it to 2 s after the first";
}

TEST_F(PacedStream, OnACombinedBoardAStationDoesNotWaitForAFrameAnotherStationTook) {
    serve(4, 2000, 0);
    EXPECT_LT(secondChangeMs(400, {1}), 300) << "a whole refresh would hold it to 2 s";
}

TEST_F(PacedStream, AStationsRefreshArrivingInPartsGoesOutInOneFrame) {
    serve(4, 2000, 300);
    secondChangeMs(600, {1, 2, 3});
    waitUntil([] { return false; }, 500);
    ASSERT_EQ(frames.size(), 3u) << "no frame for the first part alone";
    EXPECT_EQ(frames[2]["receivers"].toArray().size(), 3);
}

} // namespace
