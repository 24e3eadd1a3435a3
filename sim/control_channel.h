#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <string>

class QLocalServer;
class QLocalSocket;
class QSocketNotifier;

namespace tessaly::sim {

class Simulator;

// The rehearsal control of tessaly-sim: lines "RX KEY VALUE..." from a local socket
// (--control PATH) or standard input (--control -), each answered with one line, "ok" or
// "error: REASON". Lives on the simulator's owner thread.
class ControlChannel : public QObject {
public:
    explicit ControlChannel(Simulator& simulator, QObject* parent = nullptr);
    ~ControlChannel() override;

    // Listens at `path`, replacing a stale socket file left by an earlier run.
    bool listen(const QString& path, QString* error);
    // Reads standard input until it ends; answers go to standard output.
    void readStandardInput();

    // One line in, its answer out (without the line end).
    std::string handleLine(const std::string& line);

private:
    void acceptConnections();
    void feed(QByteArray& buffer, const QByteArray& data,
              const std::function<void(const QByteArray&)>& answer);

    Simulator& simulator_;
    QLocalServer* server_ = nullptr;
    QSocketNotifier* stdinNotifier_ = nullptr;
    QByteArray stdinBuffer_;
};

} // namespace tessaly::sim
