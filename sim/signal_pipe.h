#pragma once

#include <QObject>

#include <initializer_list>
#include <vector>

class QSocketNotifier;

namespace tessaly::sim {

// Turns POSIX signals into a Qt signal: the handler only writes a byte into a pipe, and a
// socket notifier reads it on the event loop, where Qt may be called.
class SignalPipe : public QObject {
    Q_OBJECT
public:
    explicit SignalPipe(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~SignalPipe() override;

    bool isValid() const { return notifier_ != nullptr; }

signals:
    void signalled(int signalNumber);

private:
    void drain();

    QSocketNotifier* notifier_ = nullptr;
    std::vector<int> signalNumbers_;
};

} // namespace tessaly::sim
