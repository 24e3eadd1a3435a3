#include "sim/simulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocalSocket>
#include <QProcess>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <csignal>

using namespace tessaly::sim;

namespace {

constexpr int kWaitMs = 5000;

class ProgramTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(kWaitMs);
        }
    }

    // Starts the program and returns its start lines, one per receiver.
    QStringList startProgram(const QStringList& arguments, int receivers) {
        program.setProgram(QStringLiteral(TESSALY_SIM_PROGRAM));
        program.setArguments(arguments);
        program.start();
        EXPECT_TRUE(program.waitForStarted(kWaitMs));
        QStringList lines;
        while (lines.size() < receivers && program.waitForReadyRead(kWaitMs)) {
            while (program.canReadLine()) {
                lines << QString::fromUtf8(program.readLine()).trimmed();
            }
        }
        return lines;
    }

    int stopWith(int signalNumber) {
        ::kill(static_cast<pid_t>(program.processId()), signalNumber);
        EXPECT_TRUE(program.waitForFinished(kWaitMs));
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }

    QProcess program;
};

TEST_F(ProgramTest, ServesItsReceiversAndEndsCleanlyOnSigterm) {
    const quint16 port = findFreeLoopbackPort(QHostAddress(QStringLiteral("127.0.0.1")), 3);
    ASSERT_NE(port, 0);
    const QStringList lines =
        startProgram({"--count", "3", "--port", QString::number(port), "--fault", "2=refuse"}, 3);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("Receiver 1 listens on 127.0.0.1:%1").arg(port));
    EXPECT_EQ(lines[1],
              QStringLiteral("Receiver 2 listens on 127.0.0.2:%1 (fault refuse)").arg(port));

    QTcpSocket socket;
    socket.connectToHost(QHostAddress(QStringLiteral("127.0.0.3")), port);
    ASSERT_TRUE(socket.waitForConnected(kWaitMs));
    socket.write(":NAME?\r\n");
    ASSERT_TRUE(socket.waitForReadyRead(kWaitMs));
    while (!socket.canReadLine() && socket.waitForReadyRead(kWaitMs)) {
    }
    EXPECT_EQ(socket.readLine(), QByteArray("\"       RX3\"\r\n"));

    QTcpSocket refused;
    refused.connectToHost(QHostAddress(QStringLiteral("127.0.0.2")), port);
    EXPECT_FALSE(refused.waitForConnected(kWaitMs));

    EXPECT_EQ(stopWith(SIGTERM), 0);
    EXPECT_TRUE(program.readAll().contains("tessaly-sim stopped"));
}

TEST_F(ProgramTest, EndsCleanlyOnSigintAndCanBeStartedAgainAtOnce) {
    const quint16 port = findFreeLoopbackPort();
    ASSERT_NE(port, 0);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(startProgram({"--port", QString::number(port)}, 1).size(), 1) << round;
        EXPECT_EQ(stopWith(SIGINT), 0);
    }
}

TEST_F(ProgramTest, RejectsBadOptionsWithUsageErrors) {
    for (const QStringList& arguments :
         {QStringList{"--count", "0"}, QStringList{"--first-address", "10.0.0.1"},
          QStringList{"--fault", "1=boom"}, QStringList{"--port", "70000"}, QStringList{"stray"}}) {
        program.start(QStringLiteral(TESSALY_SIM_PROGRAM), arguments);
        ASSERT_TRUE(program.waitForFinished(kWaitMs));
        EXPECT_NE(program.exitCode(), 0) << arguments.join(' ').toStdString();
        EXPECT_FALSE(program.readAllStandardError().isEmpty());
    }
}

} // namespace

TEST_F(ProgramTest, ControlSocketAnswersEveryLine) {
    const quint16 port = findFreeLoopbackPort(QHostAddress(QStringLiteral("127.0.0.1")), 2);
    ASSERT_NE(port, 0);
    const QString path = QDir::temp().filePath(
        QStringLiteral("tessaly-sim-control-%1").arg(QCoreApplication::applicationPid()));
    const QStringList lines =
        startProgram({"--count", "2", "--port", QString::number(port), "--control", path}, 3);
    ASSERT_EQ(lines.value(2), "Control listens on " + path);

    QLocalSocket control;
    control.connectToServer(path);
    ASSERT_TRUE(control.waitForConnected(kWaitMs));
    control.write("2 down\n1,2 battery 9\nall mute 1\n");
    QByteArray answers;
    while (answers.count('\n') < 3 && control.waitForReadyRead(kWaitMs)) {
        answers += control.readAll();
    }
    EXPECT_EQ(answers, "ok\nerror: usage: RX battery 0..4\nok\n");
    QTcpSocket down;
    down.connectToHost(QHostAddress(QStringLiteral("127.0.0.2")), port);
    EXPECT_FALSE(down.waitForConnected(kWaitMs));
    EXPECT_EQ(stopWith(SIGTERM), 0);
}
