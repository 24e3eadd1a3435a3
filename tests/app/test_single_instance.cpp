#include "app/single_instance.h"

#include <QProcess>
#include <QSignalSpy>
#include <QUuid>
#include <gtest/gtest.h>

using tessaly::CSingleInstance;

namespace {

QString uniqueKey() {
    return QStringLiteral("tessaly-test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

int runPeer(const QString& key, const char* mode) {
    QProcess peer;
    peer.start(QStringLiteral(SINGLE_INSTANCE_PEER), {key, QString::fromLatin1(mode)});
    EXPECT_TRUE(peer.waitForStarted());
    // Keep our own event loop turning so that this process can answer the peer.
    QSignalSpy finished(&peer, &QProcess::finished);
    EXPECT_TRUE(finished.wait(10000));
    return peer.exitCode();
}

} // namespace

TEST(SingleInstance, SecondStartAsksTheFirstToRaiseAndEnds) {
    const QString key = uniqueKey();
    CSingleInstance first(key);
    ASSERT_EQ(first.claim(), CSingleInstance::Role::Primary);
    QSignalSpy raised(&first, &CSingleInstance::activationRequested);

    EXPECT_EQ(runPeer(key, "claim"), 1); // secondary
    EXPECT_TRUE(raised.count() == 1 || raised.wait(3000));
    EXPECT_EQ(raised.count(), 1);
}

TEST(SingleInstance, RunningPeerIsRaisedByThisStart) {
    const QString key = uniqueKey();
    QProcess peer;
    peer.start(QStringLiteral(SINGLE_INSTANCE_PEER), {key, QStringLiteral("hold")});
    ASSERT_TRUE(peer.waitForReadyRead(10000));
    ASSERT_EQ(peer.readLine().trimmed(), QByteArray("ready"));

    CSingleInstance second(key);
    EXPECT_EQ(second.claim(), CSingleInstance::Role::Secondary);
    ASSERT_TRUE(peer.waitForFinished(10000));
    EXPECT_EQ(peer.exitCode(), 3); // it received the raise request
}

TEST(SingleInstance, TheNextStartAfterTheFirstEndedIsTheInstance) {
    const QString key = uniqueKey();
    {
        CSingleInstance first(key);
        ASSERT_EQ(first.claim(), CSingleInstance::Role::Primary);
    }
    EXPECT_EQ(runPeer(key, "claim"), 0);
}

TEST(SingleInstance, AnInstanceThatWasKilledDoesNotBlockTheNext) {
    const QString key = uniqueKey();
    QProcess peer;
    peer.start(QStringLiteral(SINGLE_INSTANCE_PEER), {key, QStringLiteral("hold")});
    ASSERT_TRUE(peer.waitForReadyRead(10000));
    peer.kill(); // leaves its lock file and socket behind
    ASSERT_TRUE(peer.waitForFinished(10000));

    CSingleInstance next(key);
    EXPECT_EQ(next.claim(500), CSingleInstance::Role::Primary);
}
