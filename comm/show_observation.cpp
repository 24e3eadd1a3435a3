#include "comm/show_observation.h"

namespace tessaly {

show::ReceiverObservation observeReceiver(const ReceiverTable& table,
                                          const MonitorValueTable& values, int number,
                                          const MonitorEngineStatus& status, int64_t nowMs) {
    show::ReceiverObservation o;
    o.receiver = number;
    const ReceiverRecord& record = table.byNumber(number);
    {
        auto lock = table.lockTexts();
        o.name = record.name;
        o.freqText = record.freqText;
    }
    o.freqKhz = record.freqKhz;
    o.link.running = status.runState.load(std::memory_order_relaxed) == kMonitorRunning;
    o.link.connected = status.connectionState.load(std::memory_order_relaxed) == kEngineConnected;
    o.link.lastAnswerMs = status.lastAnswerMs.load(std::memory_order_relaxed);
    o.link.pollIntervalMs = table.pollIntervalMs;
    o.link.answerTimeoutMs = table.answerTimeoutMs;
    const MonitorValues& v = values.byNumber(number);
    o.rfLevelA = v.rfLevelA;
    o.rfLevelB = v.rfLevelB;
    o.afLevel = v.afLevel;
    o.battery = v.battery;
    o.mute = v.mute;
    o.clipRun = status.clipRun.load(std::memory_order_relaxed);
    o.health.lastAnswerAgeMs = o.link.lastAnswerMs < 0 ? -1 : nowMs - o.link.lastAnswerMs;
    o.health.roundTripLastMs = status.roundTripLastMs.load(std::memory_order_relaxed);
    o.health.roundTripWorstMs = status.roundTripWorstMs.load(std::memory_order_relaxed);
    o.health.reconnects = status.reconnects.load(std::memory_order_relaxed);
    return o;
}

} // namespace tessaly
