#pragma once

#include "comm/sock_cli.h"

#include <QString>

#include <functional>

namespace tessaly {

// Pings a receiver before every connect attempt: 1 when it answered within the limit.
using PingFunction = std::function<int(const QString& ip, int timeoutMs, int probePort)>;

constexpr int kPingBeforeConnectMs = 1000;
constexpr int kEngineStartDelayMs = 100;  // from a start request to the connect attempt
constexpr int kReconnectDelayMs = 5000;   // after a failure, before the next attempt
constexpr int kConfigQuitWaitMs = 3000;   // how long a requester waits for its engine to end
constexpr int kMonitorQuitWaitMs = 10000; // 1000 checks 10 ms apart

// The system's ICMP ping (tessaly::pingBeforeConnect: nothing is probed without ICMP).
PingFunction systemPing();

// What a creator may choose for an engine; the defaults are the running program's.
struct EngineOptions {
    // comm/debug: the configuration engine dumps received blocks and shows its window at start;
    // a monitor engine writes its message trace.
    bool commDebug = false;
    PingFunction ping = systemPing();
    int startDelayMs = kEngineStartDelayMs;
    int reconnectDelayMs = kReconnectDelayMs;
    int connectLimitMs = kDefaultConnectLimitMs;
};

} // namespace tessaly
