#pragma once

// A private Mosquitto broker for the broker tests: Debian's `mosquitto` on 127.0.0.1 at a free
// port, with its own configuration file, persistence and (optionally) a password file in a
// temporary directory; and MqttProbe, a `mosquitto_sub` child that records what arrives.

#include "tests/support/temp_dir.h"
#include "tests/support/wait_until.h"

#include <QProcess>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

#include <csignal>
#include <pwd.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace tessaly::testing {

inline int freeLoopbackPort() {
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

class MosquittoBroker {
public:
    struct Options {
        std::string user; // non-empty: anonymous clients are refused
        std::string password;
        bool tls = false; // a certificate for 127.0.0.1 from a CA of its own (caFile())
    };

    MosquittoBroker() : MosquittoBroker(Options()) {}
    explicit MosquittoBroker(Options options) : options_(std::move(options)) {
        port_ = freeLoopbackPort();
        std::string config = "listener " + std::to_string(port_) +
                             " 127.0.0.1\npersistence true\npersistence_location " + dir_.path() +
                             "/\nautosave_interval 1\nlog_dest file " + dir_.file("broker.log") +
                             "\nmax_queued_messages 100000\n";
        // Started as root, the broker would switch to the "mosquitto" user, which cannot use
        // this private directory: it stays who we are.
        if (const passwd* me = ::getpwuid(::getuid())) {
            config += std::string("user ") + me->pw_name + "\n";
        }
        if (options_.user.empty()) {
            config += "allow_anonymous true\n";
        } else {
            QProcess::execute("mosquitto_passwd",
                              {"-b", "-c", QString::fromStdString(dir_.file("passwords")),
                               QString::fromStdString(options_.user),
                               QString::fromStdString(options_.password)});
            config += "allow_anonymous false\npassword_file " + dir_.file("passwords") + "\n";
        }
        if (options_.tls && makeCertificates()) {
            config += "cafile " + dir_.file("ca.pem") + "\ncertfile " + dir_.file("server.pem") +
                      "\nkeyfile " + dir_.file("server.key") + "\n";
        }
        dir_.write("mosquitto.conf", config);
    }
    ~MosquittoBroker() { stop(); }

    // Starts the broker and waits until it accepts connections.
    bool start() {
        process_.start("mosquitto", {"-c", QString::fromStdString(dir_.file("mosquitto.conf"))});
        if (!process_.waitForStarted(5000)) {
            return false;
        }
        return waitUntil(
            [this] {
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, quint16(port_));
                return probe.waitForConnected(100);
            },
            5000);
    }
    // A clean stop: the broker saves its persistence file.
    void stop() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            process_.waitForFinished(5000);
        }
    }

    int port() const { return port_; }
    QString url() const {
        return (options_.tls ? "mqtts://127.0.0.1:" : "mqtt://127.0.0.1:") + QString::number(port_);
    }
    std::string caFile() const { return options_.tls ? dir_.file("ca.pem") : std::string(); }
    std::string log() const { return dir_.read("broker.log"); }

private:
    // With Debian's openssl: a CA, and a server certificate it signs for IP 127.0.0.1.
    bool makeCertificates() const {
        const QString dir = QString::fromStdString(dir_.path());
        const auto run = [&](const QStringList& arguments) {
            QProcess openssl;
            openssl.setWorkingDirectory(dir);
            openssl.start("openssl", arguments);
            return openssl.waitForFinished(30000) && openssl.exitCode() == 0;
        };
        dir_.write("server.ext", "subjectAltName=IP:127.0.0.1\n");
        return run({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                    "/CN=Tessaly test CA", "-keyout", "ca.key", "-out", "ca.pem"}) &&
               run({"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout",
                    "server.key", "-out", "server.csr"}) &&
               run({"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                    "-CAcreateserial", "-days", "2", "-extfile", "server.ext", "-out",
                    "server.pem"});
    }

    Options options_;
    TempDir dir_;
    int port_ = 0;
    QProcess process_;
};

// One message as mosquitto_sub printed it.
struct ProbeMessage {
    bool retained = false;
    QString topic;
    QByteArray payload;
};

class MqttProbe {
public:
    // A persistent session (clean session off, QoS 1) that the broker keeps across its restart.
    MqttProbe(const MosquittoBroker& broker, const QString& filter, const QString& clientId) {
        process_.start("mosquitto_sub",
                       {"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-t", filter, "-q",
                        "1", "-c", "-i", clientId, "-F", "%r %t %p"});
        process_.waitForStarted(5000);
    }
    ~MqttProbe() {
        resume();
        process_.kill();
        process_.waitForFinished(2000);
    }

    // A subscriber that never reads: stopped, it leaves the broker's messages unread.
    void pause() { ::kill(pid_t(process_.processId()), SIGSTOP); }
    void resume() { ::kill(pid_t(process_.processId()), SIGCONT); }

    const std::vector<ProbeMessage>& messages() {
        pump();
        return messages_;
    }
    std::vector<ProbeMessage> on(const QString& topic) {
        std::vector<ProbeMessage> found;
        for (const auto& m : messages()) {
            if (m.topic == topic) {
                found.push_back(m);
            }
        }
        return found;
    }
    bool waitFor(const std::function<bool(MqttProbe&)>& done, int limitMs) {
        return waitUntil([&] { return done(*this); }, limitMs);
    }

private:
    void pump() {
        while (process_.canReadLine()) {
            const QByteArray line = process_.readLine().chopped(1);
            const int space = line.indexOf(' ', 2);
            ProbeMessage m;
            m.retained = line.startsWith('1');
            m.topic = QString::fromUtf8(line.mid(2, space < 0 ? -1 : space - 2));
            m.payload = space < 0 ? QByteArray() : line.mid(space + 1);
            messages_.push_back(std::move(m));
        }
    }

    QProcess process_;
    std::vector<ProbeMessage> messages_;
};

} // namespace tessaly::testing
