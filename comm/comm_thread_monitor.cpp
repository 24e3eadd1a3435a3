#include "comm/comm_thread_monitor.h"

#include "core/app_message.h"

namespace tessaly {

CCommThreadMonitor::CCommThreadMonitor(ReceiverTable* table, MonitorValueTable* values,
                                       int receiverNumber, EngineOptions options, QObject* parent)
    : QThread(parent), table_(table), values_(values), receiverNumber_(receiverNumber),
      options_(std::move(options)) {
    trace_.setMessageTraceOn(options_.commDebug);
}

CCommThreadMonitor::~CCommThreadMonitor() {
    // Destroying a running thread would abort the program; wait as long as it takes.
    if (!stop()) {
        wait();
        std::lock_guard lock(engineMutex_);
    }
}

bool CCommThreadMonitor::post(int code, qintptr value) {
    std::lock_guard lock(engineMutex_);
    if (engine_ == nullptr) {
        if (isFinished()) {
            return false;
        }
        early_.emplace_back(code, value);
        return true;
    }
    postAppMessage(engine_, code, value);
    return true;
}

void CCommThreadMonitor::requestQuit() {
    requestInterruption();
    quit();
}

bool CCommThreadMonitor::stop(int waitMs) {
    requestQuit();
    return waitForEnd(waitMs);
}

bool CCommThreadMonitor::waitForEnd(int waitMs) {
    if (!wait(QDeadlineTimer(waitMs))) {
        return false;
    }
    // run() ends under this lock; taking it here orders everything the engine did before what
    // the caller does next (QThread's own wait is invisible to the thread sanitizer).
    std::lock_guard lock(engineMutex_);
    return true;
}

void CCommThreadMonitor::run() {
    auto* engine = new MonitorEngine(table_, values_, receiverNumber_, &trace_, &status_, options_);
    {
        std::lock_guard lock(engineMutex_);
        engine_ = engine;
        for (const auto& [code, value] : early_) {
            postAppMessage(engine_, code, value);
        }
        early_.clear();
    }
    exec();
    {
        std::lock_guard lock(engineMutex_);
        engine_ = nullptr;
    }
    delete engine;
}

} // namespace tessaly
