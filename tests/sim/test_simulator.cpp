#include "sim/simulator.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QThread>

#include <gtest/gtest.h>

#include <optional>

using namespace tessaly::sim;

namespace {

constexpr int kWaitMs = 3000;
constexpr int kQuietMs = 150; // long enough for an answer on loopback

// A blocking client on the test's thread; the simulator runs on its own thread.
class Client {
public:
    bool connectTo(const QHostAddress& address, quint16 port) {
        socket_.connectToHost(address, port);
        return socket_.waitForConnected(kWaitMs);
    }
    QAbstractSocket::SocketError error() const { return socket_.error(); }

    void send(const QByteArray& bytes) {
        socket_.write(bytes);
        socket_.waitForBytesWritten(kWaitMs);
    }

    // The next line without "\r\n", or nothing within the time.
    std::optional<QByteArray> readLine(int timeoutMs = kWaitMs) {
        QDeadlineTimer deadline(timeoutMs);
        while (!buffer_.contains('\n')) {
            if (deadline.hasExpired() || !waitForBytes(int(deadline.remainingTime()))) {
                return std::nullopt;
            }
        }
        const qsizetype end = buffer_.indexOf('\n');
        QByteArray line = buffer_.left(end);
        buffer_.remove(0, end + 1);
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        return line;
    }

    // Everything that arrives until the peer closes or the time is up.
    QByteArray readUntilClosed(int timeoutMs = kWaitMs) {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired() && waitForBytes(int(deadline.remainingTime()))) {
        }
        return std::exchange(buffer_, QByteArray());
    }

    // One read as it arrives.
    QByteArray readSome(int timeoutMs = kWaitMs) {
        if (buffer_.isEmpty()) {
            waitForBytes(timeoutMs);
        }
        return std::exchange(buffer_, QByteArray());
    }

    bool isClosed() {
        if (socket_.state() == QAbstractSocket::ConnectedState) {
            socket_.waitForReadyRead(kWaitMs);
        }
        return socket_.state() != QAbstractSocket::ConnectedState;
    }

private:
    bool waitForBytes(int timeoutMs) {
        if (socket_.bytesAvailable() == 0 && !socket_.waitForReadyRead(std::max(1, timeoutMs))) {
            return false;
        }
        buffer_ += socket_.readAll();
        return true;
    }

    QTcpSocket socket_;
    QByteArray buffer_;
};

class SimulatorTest : public ::testing::Test {
protected:
    void SetUp() override { startWith(2); }

    void startWith(int count, int rebootMs = 600) {
        SimulatorOptions options;
        options.count = count;
        options.port = 0;
        options.seed = 11;
        options.rebootRefuseMs = rebootMs;
        QString error;
        ASSERT_TRUE(sim.start(options, &error)) << error.toStdString();
    }

    void connect(Client& client, int number = 1) {
        ASSERT_TRUE(client.connectTo(sim.address(number), sim.port()));
    }

    std::optional<QByteArray> ask(Client& client, const QByteArray& line) {
        client.send(line + "\r\n");
        return client.readLine();
    }

    Simulator sim;
};

TEST_F(SimulatorTest, EachReceiverListensOnItsOwnAddressWithItsOwnState) {
    EXPECT_EQ(sim.count(), 2);
    EXPECT_EQ(sim.address(2).toString(), "127.0.0.2");
    Client first, second;
    connect(first, 1);
    connect(second, 2);
    EXPECT_EQ(ask(first, ":NAME \"MIC1\";:NAME?"), QByteArray("\"      MIC1\""));
    EXPECT_EQ(ask(second, ":NAME?"), QByteArray("\"       RX2\""));
    EXPECT_EQ(ask(second, ":COMM:LAN:IPADR?"), QByteArray("127.0.0.2"));
    EXPECT_EQ(sim.state(1).name, "MIC1");
    EXPECT_EQ(sim.state(2).name, "RX2");
}

TEST_F(SimulatorTest, OneAnswerLinePerQueryLineAndNoneForSetsOnly) {
    Client client;
    connect(client);
    // Sets only, in every framing, then one query: the first line back must answer the query.
    client.send(
        ":TXSET:RFP 3;MICG 6\r\n:AFV -2\n:REMOTE 1\r\n:TXSET:RFP?;MICG?;:AFV?;:REMOTE?\r\n");
    EXPECT_EQ(client.readLine(), QByteArray("3;6;-2;1"));
    EXPECT_FALSE(client.readLine(kQuietMs).has_value());

    // Two query lines sent at once give two lines, in order.
    client.send(":FREQ 711.5;:FREQ?\r\n:FREQ? MIN;:FREQ? MAX\r\n");
    EXPECT_EQ(client.readLine(), QByteArray("711.5000"));
    EXPECT_EQ(client.readLine(), QByteArray("710.1250;713.8750"));

    ASSERT_TRUE(sim.waitForReceived(1, 5, kWaitMs));
    const std::vector<std::string> lines = sim.receivedLines(1);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], ":TXSET:RFP 3;MICG 6");
    EXPECT_EQ(lines[1], ":AFV -2");
    EXPECT_EQ(sim.state(1).remote, 1);
    EXPECT_EQ(sim.state(1).frequencyText(), "711.5000");
}

TEST_F(SimulatorTest, PollAnswersTheLevelsSetForTheTest) {
    LiveLevels levels;
    levels.rfA = -52.5;
    levels.rfB = -61.0;
    levels.af = -18.3;
    levels.battery = 3;
    levels.antennaSelect = 0;
    levels.mute = 1;
    sim.setLevels(2, levels);
    Client client;
    connect(client, 2);
    EXPECT_EQ(ask(client, ":MON:RSSIA?;RSSIB?;AFL?;BATT?;ANTSEL?;:MUTE?"),
              QByteArray("-52.5;-61.0;-18.3;3;0;1"));
    sim.clearLevels(2);
    const auto live = ask(client, ":MON:RSSIA?;RSSIB?;AFL?;BATT?;ANTSEL?;:MUTE?");
    ASSERT_TRUE(live);
    EXPECT_EQ(live->split(';').size(), 6);
}

TEST_F(SimulatorTest, RebootDropsTheConnectionAndRefusesForAWhile) {
    Client client;
    connect(client);
    ask(client, ":REMOTE 1;:REMOTE?");
    client.send(":SYST:REBOOT\r\n");
    EXPECT_TRUE(client.isClosed());
    EXPECT_TRUE(sim.isRebooting(1));

    Client refused;
    EXPECT_FALSE(refused.connectTo(sim.address(1), sim.port()));
    EXPECT_EQ(refused.error(), QAbstractSocket::ConnectionRefusedError);

    Client again;
    QDeadlineTimer deadline(kWaitMs);
    bool connected = false;
    while (!connected && !deadline.hasExpired()) {
        connected = Client().connectTo(sim.address(1), sim.port());
        QThread::msleep(20);
    }
    EXPECT_TRUE(connected);
    connect(again);
    EXPECT_EQ(ask(again, ":REMOTE?"), QByteArray("0")) << "a reboot ends remote control";
}

TEST_F(SimulatorTest, RefuseAndKillStopNewConnections) {
    sim.setFault(1, makeFault(FaultKind::Refuse));
    Client refused;
    EXPECT_FALSE(refused.connectTo(sim.address(1), sim.port()));
    EXPECT_EQ(refused.error(), QAbstractSocket::ConnectionRefusedError);
    Client other;
    connect(other, 2); // the fault is receiver 1's alone

    sim.setFault(1, Fault{});
    Client client;
    connect(client, 1);
    sim.stopReceiver(1);
    EXPECT_TRUE(client.isClosed());
    EXPECT_FALSE(Client().connectTo(sim.address(1), sim.port()));
    ASSERT_TRUE(sim.startReceiver(1));
    Client revived;
    connect(revived, 1);
    EXPECT_EQ(ask(revived, ":BAND?"), QByteArray("2"));
}

TEST_F(SimulatorTest, SilentAndLateReceivers) {
    Client client;
    connect(client);
    sim.setFault(1, makeFault(FaultKind::Silent));
    client.send(":NAME \"X\";:NAME?\r\n");
    EXPECT_FALSE(client.readLine(kQuietMs).has_value());
    EXPECT_TRUE(sim.waitForReceived(1, 1, kWaitMs));
    EXPECT_EQ(sim.state(1).name, "RX1") << "a hung receiver does not act on commands";

    sim.setFault(1, makeFault(FaultKind::Late, 400));
    QElapsedTimer clock;
    clock.start();
    client.send(":NAME?\r\n");
    EXPECT_EQ(client.readLine(), QByteArray("\"       RX1\""));
    EXPECT_GE(clock.elapsed(), 380);
}

TEST_F(SimulatorTest, CloseMidAnswerSendsPartOfALineThenCloses) {
    sim.setFault(1, makeFault(FaultKind::CloseMidAnswer));
    Client client;
    connect(client);
    client.send(":MON:RSSIA?;RSSIB?;AFL?;BATT?;ANTSEL?;:MUTE?\r\n");
    const QByteArray bytes = client.readUntilClosed();
    EXPECT_FALSE(bytes.isEmpty());
    EXPECT_FALSE(bytes.contains('\n'));
    EXPECT_TRUE(client.isClosed());
}

TEST_F(SimulatorTest, ShortGarbageAndOverlongAnswers) {
    LiveLevels levels;
    levels.rfA = -50.0;
    sim.setLevels(1, levels);
    const QByteArray poll = ":MON:RSSIA?;RSSIB?;AFL?;BATT?;ANTSEL?;:MUTE?";
    Client client;
    connect(client);

    sim.setFault(1, makeFault(FaultKind::ShortAnswer));
    EXPECT_EQ(ask(client, poll), QByteArray("-50.0;-60.0;-40.0"));

    sim.setFault(1, makeFault(FaultKind::Garbage));
    const auto garbage = ask(client, poll);
    ASSERT_TRUE(garbage);
    EXPECT_NE(*garbage, QByteArray("-50.0;-60.0;-40.0;4;0;0"));

    sim.setFault(1, makeFault(FaultKind::LongLine));
    const auto longLine = ask(client, poll);
    ASSERT_TRUE(longLine);
    EXPECT_EQ(longLine->size(), 300);
    EXPECT_TRUE(longLine->endsWith("-50.0;-60.0;-40.0;4;0;0"));

    sim.setFault(1, makeFault(FaultKind::LargeBlock));
    const auto block = ask(client, poll);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->size(), kDefaultLargeBlockBytes - 2);

    sim.setFault(1, Fault{});
    EXPECT_EQ(ask(client, poll), QByteArray("-50.0;-60.0;-40.0;4;0;0"));
}

TEST_F(SimulatorTest, ByteByByteDeliveryArrivesInPieces) {
    sim.setFault(1, makeFault(FaultKind::ByteByByte, 30));
    Client client;
    connect(client);
    client.send(":COMM:LAN:MAC?\r\n");
    const QByteArray first = client.readSome();
    EXPECT_GE(first.size(), 1);
    EXPECT_LT(first.size(), 19) << "the 19 bytes of the answer must not come in one piece";
    const auto rest = client.readLine();
    ASSERT_TRUE(rest);
    EXPECT_EQ(first + *rest, QByteArray::fromStdString(sim.state(1).mac));
}

TEST_F(SimulatorTest, OverlongAndGarbageInputIsBoundedAndHarmless) {
    Client client;
    connect(client);
    client.send(QByteArray(200000, 'A') + "\r\n:NAME?\r\n");
    EXPECT_EQ(client.readLine(), QByteArray("\"       RX1\""));

    QByteArray junk;
    for (int i = 0; i < 100000; ++i) {
        junk.append(static_cast<char>((i * 7919) % 256));
    }
    client.send(junk + "\n:BAND?\r\n");
    // Whatever the junk held, the receiver is still there and answers in order.
    std::optional<QByteArray> line;
    do {
        line = client.readLine();
    } while (line && *line != "2");
    EXPECT_EQ(line, QByteArray("2"));

    for (const std::string& received : sim.receivedLines(1)) {
        EXPECT_LE(received.size(), 256u);
    }
}

TEST_F(SimulatorTest, TooManyConnectionsAreTurnedAway) {
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < 10; ++i) {
        clients.push_back(std::make_unique<Client>());
        connect(*clients.back());
    }
    // Connections are accepted in the order they were made: the first eight are served.
    for (size_t i = 0; i < clients.size(); ++i) {
        clients[i]->send(":BAND?\r\n");
        if (i < 8) {
            EXPECT_EQ(clients[i]->readLine(), QByteArray("2")) << i;
        } else {
            EXPECT_TRUE(clients[i]->isClosed()) << i;
        }
    }
    EXPECT_EQ(sim.openConnections(1), 8);
}

TEST(SimulatorOptions, RefusesNonLoopbackAddressesAndBadCounts) {
    Simulator sim;
    SimulatorOptions options;
    options.port = 0;
    options.firstAddress = QHostAddress(QStringLiteral("192.168.1.10"));
    QString error;
    EXPECT_FALSE(sim.start(options, &error));
    EXPECT_FALSE(error.isEmpty());
    options.firstAddress = QHostAddress(QStringLiteral("127.255.255.250"));
    options.count = 10;
    EXPECT_FALSE(sim.start(options, &error)) << "the range would leave 127/8";
    options.firstAddress = QHostAddress(QStringLiteral("127.0.0.1"));
    options.count = 2;
    options.faults.push_back(FaultAssignment{{3}, makeFault(FaultKind::Silent)});
    EXPECT_FALSE(sim.start(options, &error)) << "a fault for a receiver that does not exist";
    EXPECT_FALSE(sim.isRunning());
}

TEST(SimulatorOptions, RunsOnTheCallersThreadToo) {
    Simulator sim;
    SimulatorOptions options;
    options.port = 0;
    options.ownThread = false;
    options.faults.push_back(FaultAssignment{{}, makeFault(FaultKind::Late, 50)});
    ASSERT_TRUE(sim.start(options));
    QTcpSocket socket;
    socket.connectToHost(sim.address(1), sim.port());
    ASSERT_TRUE(socket.waitForConnected(kWaitMs)); // the kernel completes the handshake
    socket.write(":BAND?\r\n");
    socket.flush();
    ASSERT_TRUE(sim.waitForReceived(1, 1, kWaitMs)); // spins this thread's events
    QDeadlineTimer deadline(kWaitMs);
    while (!socket.canReadLine() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_EQ(socket.readLine(), QByteArray("2\r\n"));
}

} // namespace
