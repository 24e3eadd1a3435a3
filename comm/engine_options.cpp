#include "comm/engine_options.h"

#include "comm/reachability.h"

namespace tessaly {

PingFunction systemPing() {
    return [](const QString& ip, int timeoutMs, int) { return pingBeforeConnect(ip, timeoutMs); };
}

} // namespace tessaly
