#include "comm/comm_thread_config.h"
#include "protocol/command_builder.h"
#include "tests/support/message_recorder.h"
#include "tests/support/simulated_receivers.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <sys/socket.h>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

constexpr int kShortAnswerTimeoutMs = 300;

int alwaysAnswers(const QString&, int, int) {
    return 1;
}

// One configuration engine for receiver 1 of a table copy, the way a dialog runs it.
class ConfigEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        table.reset();
        table.count = 1;
        table.answerTimeoutMs = kShortAnswerTimeoutMs;
        table.byNumber(1).ip = "127.0.0.1";
        table.byNumber(1).name = "MIC1";
        table.byNumber(1).setFrequencyText("710.125");
    }
    void TearDown() override {
        if (engine) {
            EXPECT_TRUE(engine->stop());
        }
        simulator.stop();
    }

    void startSimulator() {
        QString error;
        ASSERT_TRUE(receivers.start(1, {.fillTable = false}, &error)) << error.toStdString();
    }

    void startEngine(PingFunction ping = alwaysAnswers, bool commDebug = false) {
        EngineOptions options;
        options.ping = std::move(ping);
        options.commDebug = commDebug;
        engine = std::make_unique<CCommThreadConfig>(&table, &requester, options);
        engine->start();
        ASSERT_TRUE(requester.waitFor(kEvConfigReady));
        EXPECT_EQ(requester.messages().front().value, kConfigReadyValue);
        requester.clear();
    }

    // Runs one exchange and returns its result, -1 when none came.
    int exchange(uint32_t setMask, uint32_t getMask, int startCode = kEvConfigStart) {
        table.setMask = setMask;
        table.getMask = getMask;
        const int resultCode = startCode == kEvConfigStart ? kEvConfigResult : kEvConfigResultOther;
        const int before = requester.count(resultCode);
        EXPECT_TRUE(engine->post(startCode, 1));
        if (!requester.waitFor(resultCode, before + 1, 8000)) {
            return -1;
        }
        return static_cast<int>(requester.messages().back().value);
    }

    std::vector<std::string> linesAtReceiver() { return simulator.receivedLines(1); }

    SimulatedReceivers receivers;
    sim::Simulator& simulator = receivers.simulator;
    ReceiverTable& table = receivers.table;
    MessageRecorder<> requester;
    std::unique_ptr<CCommThreadConfig> engine;
};

const std::vector<std::string> kUploadQueries = {
    ":AFV?",        ":AFV:LVL?",    ":ANT:SW?",     ":LOCK?",     ":SQUELCH?", ":TXSET:RFP?",
    ":TXSET:MICG?", ":TXSET:LOCK?", ":TXSET:BATK?", ":SYST:INF?", ":BAND?"};

} // namespace

TEST_F(ConfigEngineTest, UploadSendsTheThirteenLinesAndStoresTheAnswers) {
    startSimulator();
    startEngine();
    ASSERT_EQ(exchange(kUploadSetMask, kUploadGetMask), kConfigResultOk);
    std::vector<std::string> expected = {":NAME \"      MIC1\";:NAME?", ":FREQ 710.1250;:FREQ?"};
    expected.insert(expected.end(), kUploadQueries.begin(), kUploadQueries.end());
    EXPECT_EQ(linesAtReceiver(), expected);

    const sim::ReceiverState state = simulator.state(1);
    const ReceiverRecord& record = table.byNumber(1);
    EXPECT_EQ(state.name, "MIC1");
    EXPECT_EQ(record.name, "MIC1");
    EXPECT_EQ(record.freqText, "710.125");
    EXPECT_EQ(record.afVolume, state.afVolume);
    EXPECT_EQ(record.micGain, state.micGain);
    EXPECT_EQ(record.band, state.band);
    EXPECT_FALSE(record.systemInfo.empty());
    EXPECT_TRUE(waitUntil([&] { return simulator.openConnections(1) == 0; })); // closed at the end
    EXPECT_TRUE(engine->trace().list(kTraceListMessages).contains("Send :BAND?\r\n"));
}

TEST_F(ConfigEngineTest, DownloadQueriesNameAndFrequencyFirstAndAnswersWith2003For2005) {
    startSimulator();
    startEngine();
    sim::ReceiverState state = simulator.state(1);
    state.name = "STAGE L";
    state.freqKhz = 711000;
    simulator.setState(1, state);
    ASSERT_EQ(exchange(kDownloadSetMask, kDownloadGetMask, kEvConfigStartOther), kConfigResultOk);
    std::vector<std::string> expected = {":NAME?", ":FREQ?"};
    expected.insert(expected.end(), kUploadQueries.begin(), kUploadQueries.end());
    EXPECT_EQ(linesAtReceiver(), expected);
    EXPECT_EQ(table.byNumber(1).name, "STAGE L");
    EXPECT_EQ(table.byNumber(1).freqText, "711.000");
    EXPECT_EQ(table.byNumber(1).freqKhz, 711000);
    EXPECT_EQ(requester.count(kEvConfigResult), 0);
}

TEST_F(ConfigEngineTest, EmptyMasksConnectAndReportSuccess) {
    startSimulator();
    startEngine();
    ASSERT_EQ(exchange(0, 0), kConfigResultOk);
    EXPECT_TRUE(waitUntil([&] { return simulator.acceptedConnections(1) == 1; }));
    EXPECT_TRUE(linesAtReceiver().empty());
}

TEST_F(ConfigEngineTest, FrequencySetWithPendingRxTxSettingsSendsBothLines) {
    startSimulator();
    startEngine();
    table.byNumber(1).rxtxChanged = 1;
    table.byNumber(1).squelch = 7;
    ASSERT_EQ(exchange(kMaskFrequency, 0), kConfigResultOk);
    const auto lines = linesAtReceiver();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], ":FREQ 710.1250;:FREQ?");
    EXPECT_EQ(lines[1].rfind(":AFV 0;:AFV:LVL 1;", 0), 0u);
    EXPECT_EQ(simulator.state(1).squelch, 7);
    EXPECT_EQ(table.byNumber(1).rxtxChanged, 0);
    EXPECT_EQ(table.byNumber(1).freqKhz, 710125);
}

TEST_F(ConfigEngineTest, PingFailureGivesResult5AndNoConnection) {
    startSimulator();
    startEngine([](const QString&, int, int) { return 0; });
    EXPECT_EQ(exchange(kUploadSetMask, kUploadGetMask), kConfigResultPingError);
    EXPECT_EQ(engine->messageText(), "Ping Error (127.0.0.1)");
    EXPECT_EQ(simulator.acceptedConnections(1), 0);
}

TEST_F(ConfigEngineTest, RefusedConnectGivesResult4WithTheConnectErrorText) {
    startSimulator();
    simulator.setFault(1, sim::makeFault(sim::FaultKind::Refuse));
    startEngine();
    EXPECT_EQ(exchange(kUploadSetMask, kUploadGetMask), kConfigResultConnectError);
    EXPECT_EQ(engine->messageText(),
              QString("Connect Error[%1] Connection refused").arg(ECONNREFUSED));
}

TEST_F(ConfigEngineTest, SilentReceiverGivesOneResult3NamingTheLastCommand) {
    startSimulator();
    simulator.setFault(1, sim::makeFault(sim::FaultKind::Silent));
    startEngine();
    EXPECT_EQ(exchange(kMaskName, 0), kConfigResultAnswerTimeout);
    EXPECT_EQ(engine->messageText(), "Answer Timeout (:NAME \"      MIC1\";:NAME?)");
    runEventsFor(2 * kShortAnswerTimeoutMs);
    EXPECT_EQ(requester.count(kEvConfigResult), 1);
    EXPECT_TRUE(waitUntil([&] { return simulator.openConnections(1) == 0; }));
}

TEST_F(ConfigEngineTest, ReceiverClosingMidAnswerGivesResult1) {
    startSimulator();
    simulator.setFault(1, sim::makeFault(sim::FaultKind::CloseMidAnswer));
    startEngine();
    EXPECT_EQ(exchange(0, kDownloadGetMask), kConfigResultDisconnected);
    EXPECT_EQ(engine->messageText(), "DisConnect");
    EXPECT_TRUE(engine->trace().list(kTraceListMessages).contains("DisConnect From Receiver"));
    runEventsFor(2 * kShortAnswerTimeoutMs);
    EXPECT_EQ(requester.count(kEvConfigResult), 1);
}

TEST_F(ConfigEngineTest, LongLinesAndLargeBlocksAreWalkedWithinTheLineBuffer) {
    startSimulator();
    startEngine();
    const sim::ReceiverState state = simulator.state(1);
    for (const sim::Fault& fault : {sim::makeFault(sim::FaultKind::LargeBlock, kReceiveBlockSize),
                                    sim::makeFault(sim::FaultKind::LongLine, 300)}) {
        simulator.setFault(1, fault);
        table.byNumber(1).name.clear();
        ASSERT_EQ(exchange(0, kDownloadGetMask), kConfigResultOk);
        // Blanks before the quoted name stay in front of the quote, as the parser reads it.
        EXPECT_TRUE(QString::fromStdString(table.byNumber(1).name)
                        .endsWith(QString::fromStdString(state.name)));
        EXPECT_EQ(table.byNumber(1).band, state.band);
        EXPECT_EQ(table.byNumber(1).freqKhz, state.freqKhz);
    }
}

// A hand-made receiver for the failures the simulator does not stage.
class ScriptedReceiver : public QTcpServer {
public:
    std::function<void(QTcpSocket*, const QByteArray&)> onLine;
    ScriptedReceiver() {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                while (socket->canReadLine()) {
                    onLine(socket, socket->readLine());
                }
            });
        });
    }
};

TEST_F(ConfigEngineTest, ReceiveFailureGivesResult2OnceAndNoTimeoutAfter) {
    ScriptedReceiver receiver;
    receiver.onLine = [](QTcpSocket* socket, const QByteArray&) {
        linger abort{1, 0};
        setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abort,
                   sizeof abort);
        socket->abort();
    };
    table.portNumber = receiver.serverPort();
    startEngine();
    table.setMask = 0;
    table.getMask = kMaskName;
    ASSERT_TRUE(engine->post(kEvConfigStart, 1));
    ASSERT_TRUE(requester.waitFor(kEvConfigResult));
    EXPECT_EQ(requester.messages().back().value, kConfigResultSendError);
    EXPECT_EQ(engine->messageText(),
              QString("communication fault Receive Error [%1]").arg(ECONNRESET));
    runEventsFor(2 * kShortAnswerTimeoutMs);
    EXPECT_EQ(requester.count(kEvConfigResult), 1);
    EXPECT_FALSE(engine->trace().list(kTraceListMessages).contains("Answer Timeout"));
}

TEST_F(ConfigEngineTest, LinesNobodyAwaitsAreTracedAndChangeNothing) {
    ScriptedReceiver receiver;
    receiver.onLine = [](QTcpSocket* socket, const QByteArray& line) {
        if (line.startsWith(":NAME?")) {
            socket->write("\"  MIC9\"\r\n:FREQ 999.000\r\n"); // one answer, one line too many
        } else {
            socket->write("710.250\r\n");
        }
    };
    table.portNumber = receiver.serverPort();
    startEngine(alwaysAnswers, true);
    ASSERT_EQ(exchange(0, kMaskName | kMaskFrequency), kConfigResultOk);
    EXPECT_EQ(table.byNumber(1).name, "MIC9");
    EXPECT_EQ(table.byNumber(1).freqText, "710.250");
    const TraceList& trace = engine->trace().list(kTraceListMessages);
    EXPECT_TRUE(trace.contains(":FREQ 999.000"));
    EXPECT_TRUE(trace.contains("Recv(size:25)  \"  MIC9\"(0D)(0A):FREQ 999.000(0D)(0A)"))
        << trace.lines().join("\n").toStdString();
}

TEST_F(ConfigEngineTest, StopEndsTheThreadWithinTheQuitLimitAndPostsAreRefusedAfterwards) {
    startEngine();
    EXPECT_TRUE(engine->stop());
    EXPECT_FALSE(engine->post(kEvConfigStart, 1));
    engine.reset();
}
