#pragma once

#include "comm/sock_comm.h"

#include <QString>

namespace tessaly {

constexpr int kConnectOk = 0;
// How long a connect may take before it fails with ETIMEDOUT. Engines ping first, so a receiver
// that is there answers at once; the limit only keeps a silent one from holding the thread.
constexpr int kDefaultConnectLimitMs = 3000;

// The receiver socket as the engines use it: CSockComm plus connecting and its error text.
class CSockCli : public CSockComm {
public:
    explicit CSockCli(QObject* notificationTarget) : CSockComm(notificationTarget) {}

    // Connects to ip:port, closing any earlier connection first. Returns 0 when connected, else the
    // operating system's error code with connectionErrorText() "Create Error[%d] %s" or
    // "Connect Error[%d] %s". Blocks the calling thread until connected, refused, the connect
    // limit passes, or the thread is asked to stop (QThread::requestInterruption).
    int connectTo(int port, const QString& ip);

    const QString& connectionErrorText() const { return connectionErrorText_; }

    void setConnectLimitMs(int milliseconds) { connectLimitMs_ = milliseconds; }

private:
    int waitForConnect(int descriptor);

    QString connectionErrorText_;
    int connectLimitMs_ = kDefaultConnectLimitMs;
};

} // namespace tessaly
