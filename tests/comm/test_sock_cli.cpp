#include "comm/sock_cli.h"
#include "comm/system_error_text.h"
#include "tests/support/message_recorder.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/socket.h>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

// A port on loopback where nobody listens.
int closedPort() {
    QTcpServer server;
    EXPECT_TRUE(server.listen(QHostAddress::LocalHost));
    const int port = server.serverPort();
    server.close();
    return port;
}

// A listening server and the connection it accepted from a CSockCli.
struct ConnectedPair {
    QTcpServer server;
    MessageRecorder<> recorder;
    CSockCli socket{&recorder};
    QTcpSocket* peer = nullptr;

    bool open() {
        if (!server.listen(QHostAddress::LocalHost)) {
            return false;
        }
        if (socket.connectTo(server.serverPort(), "127.0.0.1") != kConnectOk) {
            return false;
        }
        if (!waitUntil([&] { return server.hasPendingConnections(); })) {
            return false;
        }
        peer = server.nextPendingConnection();
        return peer != nullptr;
    }
};

} // namespace

TEST(SockCliConnect, RefusedConnectGivesTheOsCodeAndItsEnglishText) {
    MessageRecorder<> recorder;
    CSockCli socket(&recorder);
    const int result = socket.connectTo(closedPort(), "127.0.0.1");
    EXPECT_EQ(result, ECONNREFUSED);
    EXPECT_EQ(socket.connectionErrorText(),
              QString("Connect Error[%1] Connection refused").arg(ECONNREFUSED));
    EXPECT_EQ(socket.state(), kSockConnecting); // a failed connect stays in state 2
    socket.close();
    EXPECT_EQ(socket.state(), kSockClosed);
}

TEST(SockCliConnect, AddressThatIsNoAddressFailsAsAConnectError) {
    MessageRecorder<> recorder;
    CSockCli socket(&recorder);
    EXPECT_EQ(socket.connectTo(5025, "receiver.example"), EINVAL);
    EXPECT_TRUE(socket.connectionErrorText().startsWith("Connect Error[22] "));
}

TEST(SockCliConnect, ConnectsAndIsReusableAfterClose) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.open());
    EXPECT_EQ(pair.socket.state(), kSockConnected);
    pair.socket.close();
    EXPECT_EQ(pair.socket.state(), kSockClosed);
    EXPECT_EQ(pair.socket.connectTo(pair.server.serverPort(), "127.0.0.1"), kConnectOk);
    EXPECT_EQ(pair.socket.state(), kSockConnected);
}

TEST(SockCliEvents, ReceiverClosingGivesExactlyOne211AndStateClosed) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.open());
    pair.peer->write("1;2\r\n");
    pair.peer->flush();
    pair.peer->close();
    ASSERT_TRUE(pair.recorder.waitFor(kEvSocketClosed));
    runEventsFor(150);
    EXPECT_EQ(pair.recorder.count(kEvSocketClosed), 1);
    EXPECT_EQ(pair.recorder.count(kEvSocketReceiveError), 0);
    EXPECT_EQ(pair.socket.state(), kSockClosed);
    // The data came before the close, and its 212 before the 211.
    const auto messages = pair.recorder.messages();
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages.front().code, kEvSocketBlock);
    EXPECT_EQ(messages.back().code, kEvSocketClosed);
}

TEST(SockCliEvents, BlockIsInTheRingWhile212IsHandledAndLargeDataArrivesWhole) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.open());
    QByteArray received;
    int emptyAt212 = 0;
    pair.recorder.onMessage = [&](const AppMessage& message) {
        if (message.code() == kEvSocketBlock) {
            QByteArray block;
            if (pair.socket.takeBlock(block) == 0) {
                ++emptyAt212;
            }
            EXPECT_LE(block.size(), kReceiveBlockSize);
            received += block;
        }
    };
    QByteArray sent(100000, 'x');
    for (int i = 0; i < sent.size(); ++i) {
        sent[i] = static_cast<char>(i % 251);
    }
    pair.peer->write(sent);
    ASSERT_TRUE(waitUntil([&] { return received.size() >= sent.size(); }));
    EXPECT_EQ(received, sent);
    EXPECT_EQ(emptyAt212, 0);
}

TEST(SockCliEvents, ConnectionResetGivesOne213WithTheOsCodeAndNo211) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.open());
    linger abort{1, 0};
    ASSERT_EQ(setsockopt(static_cast<int>(pair.peer->socketDescriptor()), SOL_SOCKET, SO_LINGER,
                         &abort, sizeof abort),
              0);
    pair.peer->abort(); // a reset, not an orderly close
    ASSERT_TRUE(pair.recorder.waitFor(kEvSocketReceiveError));
    runEventsFor(150);
    EXPECT_EQ(pair.recorder.count(kEvSocketReceiveError), 1);
    EXPECT_EQ(pair.recorder.count(kEvSocketClosed), 0);
    EXPECT_EQ(pair.socket.ioErrorText(), QString("Receive Error [%1]").arg(ECONNRESET));
}

TEST(SockCliSend, SendingWithoutAConnectionFailsWithSendError) {
    MessageRecorder<> recorder;
    CSockCli socket(&recorder);
    EXPECT_EQ(socket.send(5, "abc\r\n"), kSendFailed);
    EXPECT_EQ(socket.lastSendError(), ENOTCONN);
    EXPECT_EQ(socket.ioErrorText(), QString("Send Error [%1]").arg(ENOTCONN));
}

TEST(SystemErrorText, EnglishTextsWithoutLineBreaksAndEmptyForUnknownCodes) {
    EXPECT_EQ(systemErrorText(ECONNREFUSED), "Connection refused");
    EXPECT_EQ(systemErrorText(ETIMEDOUT), "Connection timed out");
    EXPECT_TRUE(systemErrorText(987654).isEmpty());
}
