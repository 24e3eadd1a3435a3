#include "comm/comm_thread_monitor.h"

namespace tessaly {

CCommThreadMonitor::CCommThreadMonitor(ReceiverTable* table, MonitorValueTable* values,
                                       int receiverNumber, EngineOptions options, QObject* parent)
    : EngineThread(std::move(options), EarlyPosts::Keep, kMonitorQuitWaitMs, parent), table_(table),
      values_(values), receiverNumber_(receiverNumber) {
    trace().setMessageTraceOn(commDebug());
}

CCommThreadMonitor::~CCommThreadMonitor() {
    endThread();
}

std::unique_ptr<QObject> CCommThreadMonitor::makeEngine() {
    return std::make_unique<MonitorEngine>(table_, values_, receiverNumber_, &trace(), &status_,
                                           options());
}

} // namespace tessaly
