#pragma once

// Whether a TCP connection to the broker's port opens, found out without blocking for long.
// mosquitto_connect() waits as long as the kernel keeps trying, which is minutes on a host that
// drops packets; the connection's thread would not answer stop() all that time, and whoever
// stops it (the GUI thread when the settings change, the program when it quits) would hang.

#include <QByteArray>
#include <QString>

#include <functional>

namespace tessaly::mqtt {

struct TcpProbe {
    enum class Outcome { Open, Failed, GaveUp };
    Outcome outcome = Outcome::Failed;
    QString reason; // why it failed
};

// Tries each address of `host` in turn, for at most `limitMs` in all. `wakeFd` is polled as
// well; whenever it fires it is drained and `giveUp()` asked whether to stop trying.
// The host name lookup itself is the system's and may block for its own time-out.
TcpProbe probeTcp(const QByteArray& host, int port, int limitMs, int wakeFd,
                  const std::function<bool()>& giveUp);

} // namespace tessaly::mqtt
