#include "sim/signal_pipe.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tessaly::sim {

namespace {

int gPipe[2] = {-1, -1};

void onSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(gPipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

SignalPipe::SignalPipe(std::initializer_list<int> signalNumbers, QObject* parent)
    : QObject(parent) {
    if (gPipe[0] >= 0 || ::pipe2(gPipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        return; // one per process
    }
    notifier_ = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalPipe::drain);
    for (int signalNumber : signalNumbers) {
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(signalNumber, &action, nullptr);
        signalNumbers_.push_back(signalNumber);
    }
}

SignalPipe::~SignalPipe() {
    if (!notifier_) {
        return;
    }
    for (int signalNumber : signalNumbers_) {
        ::signal(signalNumber, SIG_DFL);
    }
    delete notifier_;
    ::close(gPipe[0]);
    ::close(gPipe[1]);
    gPipe[0] = gPipe[1] = -1;
}

void SignalPipe::drain() {
    unsigned char byte = 0;
    while (::read(gPipe[0], &byte, 1) == 1) {
        emit signalled(byte);
    }
}

} // namespace tessaly::sim
