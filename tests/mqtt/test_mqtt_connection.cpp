// The connection's own thread against a host that takes no connection: it gives up in time,
// says why, and stopping it never waits for the kernel's connect time-out.
#include "mqtt/mqtt_connection.h"

#include "tests/support/wait_until.h"

#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <mutex>
#include <vector>

using namespace tessaly::mqtt;
using tessaly::testing::waitUntil;

namespace {

// A loopback port whose listen queue is already full: the kernel drops every further SYN, as a
// host behind a dropping firewall would, and a plain connect() waits for minutes.
class SilentPort {
public:
    SilentPort() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), size), 0);
        EXPECT_EQ(::listen(listener_, 0), 0);
        EXPECT_EQ(::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size), 0);
        port_ = ntohs(address.sin_port);
        EXPECT_EQ(::connect(filler_, reinterpret_cast<sockaddr*>(&address), size), 0);
    }
    ~SilentPort() {
        ::close(filler_);
        ::close(listener_);
    }
    int port() const { return port_; }

private:
    int listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int filler_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int port_ = 0;
};

TEST(MqttConnection, AHostThatNeverAnswersIsGivenUpInTimeAndStoppingDoesNotWaitForIt) {
    SilentPort silent;
    ConnectionOptions options;
    options.endpoint.host = "127.0.0.1";
    options.endpoint.port = silent.port();
    options.connectLimitMs = 300;
    MqttConnection connection(options);
    std::mutex mutex;
    std::vector<QString> said;
    connection.setMessageHandler([&](const QString& text) {
        std::lock_guard lock(mutex);
        said.push_back(text);
    });
    connection.start();
    ASSERT_TRUE(waitUntil([&] {
        std::lock_guard lock(mutex);
        return !said.empty();
    }));
    EXPECT_TRUE(said.front().contains("cannot reach the broker 127.0.0.1:"))
        << said.front().toStdString();
    EXPECT_TRUE(said.front().contains("no answer within 0.3 s")) << said.front().toStdString();

    QThread::msleep(400); // into the next attempt
    QElapsedTimer stopping;
    stopping.start();
    connection.stop();
    EXPECT_LT(stopping.elapsed(), 200);
    EXPECT_FALSE(connection.isConnected());
}

} // namespace
