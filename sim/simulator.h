#pragma once

#include "sim/control_command.h"
#include "sim/fault.h"
#include "sim/live_levels.h"
#include "sim/receiver_state.h"

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessaly::sim {

class ReceiverCore;
class ReceiverEndpoint;
class SimThread;

constexpr quint16 kDefaultSimPort = 5025;
constexpr int kDefaultRebootRefuseMs = 3000;
constexpr int kMaxSimulatedReceivers = 254;

struct SimulatorOptions {
    int count = 1;
    QHostAddress firstAddress{QStringLiteral("127.0.0.1")}; // must lie in 127.0.0.0/8
    quint16 port = kDefaultSimPort; // 0: one free port shared by all receivers
    uint64_t seed = 1;
    int32_t band = kSimDefaultBand;
    int rebootRefuseMs = kDefaultRebootRefuseMs;
    std::vector<FaultAssignment> faults;
    // true: the receivers run on a thread the simulator owns, so the caller may block (engine
    // waits, QTest::qWait, its own event loops). false: they run on the caller's thread, whose
    // event loop must spin for them (the tessaly-sim program does this).
    bool ownThread = true;
    // Emit traffic() for every line in and out. It crosses to the owner's thread through Qt's
    // queued signals, which ThreadSanitizer cannot follow; the program uses it on one thread.
    bool reportTraffic = false;
};

// Many simulated receivers in one process, each on its own loopback address at one port.
// Receivers are addressed by their 1-based number: number n listens on the first address + n - 1.
// Every method may be called from any thread; start() and stop() from one controlling thread,
// not concurrently with other calls.
class Simulator : public QObject {
    Q_OBJECT
public:
    explicit Simulator(QObject* parent = nullptr);
    ~Simulator() override;

    bool start(const SimulatorOptions& options, QString* error = nullptr);
    void stop();
    bool isRunning() const { return !cores_.empty(); }

    int count() const { return static_cast<int>(cores_.size()); }
    quint16 port() const { return port_; }
    QHostAddress address(int number) const;

    // Faults take effect for the next line (and for new connections with Refuse); number 0
    // means every receiver. Refuse keeps connections that are already open.
    void setFault(int number, const Fault& fault);
    Fault fault(int number) const;

    // Kill and revive one receiver: stopping drops its connections and its listener.
    void stopReceiver(int number);
    bool startReceiver(int number, QString* error = nullptr);
    bool isRebooting(int number) const;

    // Fixed levels for deterministic tests; clearing returns to the simulated stage.
    void setLevels(int number, const LiveLevels& levels);
    void clearLevels(int number);
    LiveLevels levels(int number) const;

    // Carries out one line of the rehearsal control for every receiver it names; false with
    // `error` when a receiver could not start listening again.
    bool applyControl(const ControlCommand& command, std::string* error = nullptr);

    ReceiverState state(int number) const;
    void setState(int number, const ReceiverState& state);

    // Command lines as received, without line ends (the latest kMaxRecordedLines).
    std::vector<std::string> receivedLines(int number) const;
    size_t receivedCount(int number) const;
    void clearReceivedLines(int number);
    // Waits until the receiver has received `count` lines since the last clear.
    bool waitForReceived(int number, size_t count, int timeoutMs);

    int openConnections(int number) const;
    int acceptedConnections(int number) const;

signals:
    // Only with SimulatorOptions::reportTraffic; delivered on the simulator's owner thread.
    void traffic(int number, bool fromClient, const QByteArray& line);

private:
    template <class Function> void onSimThread(Function&& function) const;
    ReceiverCore* core(int number) const;

    std::unique_ptr<SimThread> thread_; // none when the receivers run on the caller's thread
    std::vector<std::shared_ptr<ReceiverCore>> cores_;
    std::vector<ReceiverEndpoint*> endpoints_; // owned, created and deleted on their thread
    quint16 port_ = 0;
    quint32 firstAddress_ = 0;
};

// A port that is free at `count` consecutive loopback addresses from `first` right now, or 0.
quint16 findFreeLoopbackPort(const QHostAddress& first = QHostAddress(QStringLiteral("127.0.0.1")),
                             int count = 1);

} // namespace tessaly::sim
