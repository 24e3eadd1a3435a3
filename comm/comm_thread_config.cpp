#include "comm/comm_thread_config.h"

#include "core/app_message.h"

namespace tessaly {

CCommThreadConfig::CCommThreadConfig(ReceiverTable* table, QObject* requester,
                                     EngineOptions options, QObject* parent)
    : QThread(parent), table_(table), requester_(requester), options_(std::move(options)) {}

CCommThreadConfig::~CCommThreadConfig() {
    // Destroying a running thread would abort the program; wait as long as it takes.
    if (!stop()) {
        wait();
        std::lock_guard lock(engineMutex_);
    }
}

bool CCommThreadConfig::post(int code, qintptr value) {
    std::lock_guard lock(engineMutex_);
    if (engine_ == nullptr) {
        return false;
    }
    postAppMessage(engine_, code, value);
    return true;
}

bool CCommThreadConfig::stop(int waitMs) {
    requestInterruption();
    quit();
    if (!wait(QDeadlineTimer(waitMs))) {
        return false;
    }
    // run() ends under this lock; taking it here orders everything the engine did before what
    // the caller does next (QThread's own wait is invisible to the thread sanitizer).
    std::lock_guard lock(engineMutex_);
    return true;
}

void CCommThreadConfig::run() {
    auto* engine = new ConfigEngine(table_, requester_, &trace_, &messageText_, options_);
    {
        std::lock_guard lock(engineMutex_);
        engine_ = engine;
    }
    if (options_.commDebug) {
        trace_.requestShow();
    }
    postAppMessage(requester_, kEvConfigReady, kConfigReadyValue);
    exec();
    {
        std::lock_guard lock(engineMutex_);
        engine_ = nullptr;
    }
    delete engine;
}

} // namespace tessaly
