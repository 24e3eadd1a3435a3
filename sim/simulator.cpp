#include "sim/simulator.h"

#include "sim/receiver_core.h"
#include "sim/receiver_endpoint.h"
#include "sim/sim_thread.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <QThread>

namespace tessaly::sim {

namespace {

constexpr quint32 kLoopbackNet = 0x7F000000;
constexpr quint32 kLoopbackMask = 0xFF000000;
constexpr int kFreePortAttempts = 40;
constexpr int kWaitSliceMs = 5;

bool isLoopbackV4(quint32 address) {
    return (address & kLoopbackMask) == kLoopbackNet;
}

} // namespace

Simulator::Simulator(QObject* parent) : QObject(parent) {}

Simulator::~Simulator() {
    stop();
}

template <class Function> void Simulator::onSimThread(Function&& function) const {
    if (thread_) {
        thread_->run(function);
    } else {
        function();
    }
}

bool Simulator::start(const SimulatorOptions& options, QString* error) {
    stop();
    auto fail = [&](const QString& text) {
        if (error) {
            *error = text;
        }
        stop();
        return false;
    };
    bool isV4 = false;
    const quint32 first = options.firstAddress.toIPv4Address(&isV4);
    if (options.count < 1 || options.count > kMaxSimulatedReceivers) {
        return fail(
            QStringLiteral("the receiver count must lie in 1 to %1").arg(kMaxSimulatedReceivers));
    }
    if (!isV4 || !isLoopbackV4(first) || !isLoopbackV4(first + options.count - 1) ||
        first + options.count - 1 < first) {
        return fail(QStringLiteral("receivers listen on loopback addresses (127.x.x.x) only"));
    }

    firstAddress_ = first;
    const auto startTime = ReceiverCore::Clock::now();
    for (int number = 1; number <= options.count; ++number) {
        const std::string address = QHostAddress(first + number - 1).toString().toStdString();
        cores_.push_back(std::make_shared<ReceiverCore>(
            number, makeInitialState(number, address, options.seed, options.band), options.seed,
            startTime));
    }
    for (const FaultAssignment& assignment : options.faults) {
        if (assignment.numbers.empty()) {
            for (auto& core : cores_) {
                core->setFault(assignment.fault);
            }
        }
        for (int number : assignment.numbers) {
            if (number < 1 || number > options.count) {
                return fail(QStringLiteral("a fault names receiver %1, but there are %2")
                                .arg(number)
                                .arg(options.count));
            }
            cores_[number - 1]->setFault(assignment.fault);
        }
    }

    if (options.ownThread) {
        thread_ = std::make_unique<SimThread>();
        if (!thread_->start()) {
            return fail(QStringLiteral("cannot start the simulator thread"));
        }
    }

    bool bound = false;
    QString bindError;
    for (int attempt = 0; attempt < (options.port == 0 ? kFreePortAttempts : 1) && !bound;
         ++attempt) {
        const quint16 port = options.port != 0
                                 ? options.port
                                 : findFreeLoopbackPort(options.firstAddress, options.count);
        if (port == 0) {
            continue;
        }
        onSimThread([&] {
            qDeleteAll(endpoints_);
            endpoints_.clear();
            bound = true;
            for (auto& core : cores_) {
                auto* endpoint =
                    new ReceiverEndpoint(core, QHostAddress(first + core->number() - 1), port,
                                         options.rebootRefuseMs, options.reportTraffic);
                endpoints_.push_back(endpoint);
                if (options.reportTraffic) {
                    connect(endpoint, &ReceiverEndpoint::traffic, this, &Simulator::traffic);
                }
                if (bound && !endpoint->updateListening(&bindError)) {
                    bound = false;
                }
            }
        });
        port_ = port;
    }
    if (!bound) {
        return fail(bindError.isEmpty() ? QStringLiteral("no free port found") : bindError);
    }
    return true;
}

void Simulator::stop() {
    onSimThread([&] {
        qDeleteAll(endpoints_);
        endpoints_.clear();
    });
    if (thread_) {
        thread_->stop();
        thread_.reset();
    }
    cores_.clear();
    port_ = 0;
}

QHostAddress Simulator::address(int number) const {
    if (number < 1 || number > count()) {
        return QHostAddress();
    }
    return QHostAddress(firstAddress_ + static_cast<quint32>(number - 1));
}

ReceiverCore* Simulator::core(int number) const {
    if (number < 1 || number > count()) {
        return nullptr;
    }
    return cores_[number - 1].get();
}

bool Simulator::applyControl(const ControlCommand& command, std::string* error) {
    bool ok = true;
    for (int number : command.receivers) {
        ReceiverCore* target = core(number);
        if (target == nullptr) {
            continue; // parseControlLine checked the numbers against the count
        }
        switch (command.key) {
        case ControlKey::Battery:
            target->setBatteryLevel(command.value);
            break;
        case ControlKey::Drain:
            target->setDrain(command.value);
            break;
        case ControlKey::Rf:
            target->setRfLevels(command.levelA, command.levelB);
            break;
        case ControlKey::Af:
            target->setAfLevel(command.levelA);
            break;
        case ControlKey::Mute:
            target->setMute(command.value);
            break;
        case ControlKey::Fault:
            setFault(number, command.fault);
            break;
        case ControlKey::Down:
            stopReceiver(number);
            break;
        case ControlKey::Up: {
            QString startError;
            if (!startReceiver(number, &startError)) {
                if (error != nullptr && ok) {
                    *error = "receiver " + std::to_string(number) + ": " + startError.toStdString();
                }
                ok = false;
            }
            break;
        }
        }
    }
    return ok;
}

void Simulator::setFault(int number, const Fault& fault) {
    if (number == 0) {
        for (auto& core : cores_) {
            core->setFault(fault);
        }
    } else if (ReceiverCore* target = core(number)) {
        target->setFault(fault);
    } else {
        return;
    }
    onSimThread([&] {
        for (ReceiverEndpoint* endpoint : endpoints_) {
            endpoint->updateListening();
        }
    });
}

Fault Simulator::fault(int number) const {
    ReceiverCore* target = core(number);
    return target ? target->fault() : Fault{};
}

void Simulator::stopReceiver(int number) {
    if (!core(number)) {
        return;
    }
    onSimThread([&] { endpoints_[number - 1]->stop(); });
}

bool Simulator::startReceiver(int number, QString* error) {
    if (!core(number)) {
        return false;
    }
    bool ok = false;
    onSimThread([&] { ok = endpoints_[number - 1]->start(error); });
    return ok;
}

bool Simulator::isRebooting(int number) const {
    if (!core(number)) {
        return false;
    }
    bool rebooting = false;
    onSimThread([&] { rebooting = endpoints_[number - 1]->isRebooting(); });
    return rebooting;
}

void Simulator::setLevels(int number, const LiveLevels& levels) {
    if (ReceiverCore* target = core(number)) {
        target->setLevelOverride(levels);
    }
}

void Simulator::clearLevels(int number) {
    if (ReceiverCore* target = core(number)) {
        target->setLevelOverride(std::nullopt);
    }
}

LiveLevels Simulator::levels(int number) const {
    ReceiverCore* target = core(number);
    return target ? target->levels() : LiveLevels{};
}

ReceiverState Simulator::state(int number) const {
    ReceiverCore* target = core(number);
    return target ? target->state() : ReceiverState{};
}

void Simulator::setState(int number, const ReceiverState& state) {
    if (ReceiverCore* target = core(number)) {
        target->setState(state);
    }
}

std::vector<std::string> Simulator::receivedLines(int number) const {
    ReceiverCore* target = core(number);
    return target ? target->receivedLines() : std::vector<std::string>{};
}

size_t Simulator::receivedCount(int number) const {
    ReceiverCore* target = core(number);
    return target ? target->receivedCount() : 0;
}

void Simulator::clearReceivedLines(int number) {
    if (ReceiverCore* target = core(number)) {
        target->clearReceivedLines();
    }
}

bool Simulator::waitForReceived(int number, size_t count, int timeoutMs) {
    ReceiverCore* target = core(number);
    if (!target) {
        return false;
    }
    if (thread_ && !thread_->isCurrentThread()) {
        return target->waitForReceivedCount(count, timeoutMs);
    }
    // The receivers run on this very thread: keep its events going while waiting.
    QDeadlineTimer deadline(timeoutMs);
    while (target->receivedCount() < count) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, kWaitSliceMs);
        QThread::msleep(1);
    }
    return true;
}

int Simulator::openConnections(int number) const {
    ReceiverCore* target = core(number);
    return target ? target->openConnections() : 0;
}

int Simulator::acceptedConnections(int number) const {
    ReceiverCore* target = core(number);
    return target ? target->acceptedConnections() : 0;
}

quint16 findFreeLoopbackPort(const QHostAddress& first, int count) {
    bool isV4 = false;
    const quint32 base = first.toIPv4Address(&isV4);
    if (!isV4 || count < 1) {
        return 0;
    }
    for (int attempt = 0; attempt < kFreePortAttempts; ++attempt) {
        QTcpServer probe;
        if (!probe.listen(first, 0)) {
            return 0;
        }
        const quint16 port = probe.serverPort();
        bool free = true;
        std::vector<std::unique_ptr<QTcpServer>> others;
        for (int i = 1; i < count && free; ++i) {
            others.push_back(std::make_unique<QTcpServer>());
            free = others.back()->listen(QHostAddress(base + i), port);
        }
        if (free) {
            return port;
        }
    }
    return 0;
}

} // namespace tessaly::sim
