#include "comm/engine_thread.h"

#include "core/app_message.h"
#include "core/thread_sanitizer_marks.h"

namespace tessaly {

EngineThread::EngineThread(EngineOptions options, EarlyPosts earlyPosts, int quitWaitMs,
                           QObject* parent)
    : QThread(parent), options_(std::move(options)), earlyPosts_(earlyPosts),
      quitWaitMs_(quitWaitMs) {}

EngineThread::~EngineThread() {
    endThread();
}

void EngineThread::endThread() {
    if (!stop()) {
        wait();
        takeOver(this); // as in waitForEnd
    }
}

bool EngineThread::post(int code, qintptr value) {
    std::lock_guard lock(engineMutex_);
    if (engine_ != nullptr) {
        postAppMessage(engine_, code, value);
        return true;
    }
    if (earlyPosts_ == EarlyPosts::Refuse || isFinished()) {
        return false;
    }
    early_.emplace_back(code, value);
    return true;
}

void EngineThread::requestQuit() {
    requestInterruption();
    quit();
}

bool EngineThread::waitForEnd(int waitMs) {
    if (!wait(QDeadlineTimer(waitMs))) {
        return false;
    }
    // QThread::wait() orders the thread's end before its return under Qt's own lock, which the
    // sanitizer cannot see; no suppression can name it (the thread's only Qt frame is Qt's
    // unnamed thread start), so the hand-over is marked.
    takeOver(this);
    return true;
}

bool EngineThread::stop(int waitMs) {
    requestQuit();
    return waitForEnd(waitMs);
}

void EngineThread::run() {
    std::unique_ptr<QObject> engine = makeEngine();
    {
        std::lock_guard lock(engineMutex_);
        engine_ = engine.get();
        for (const auto& [code, value] : early_) {
            postAppMessage(engine_, code, value);
        }
        early_.clear();
    }
    engineStarted();
    exec();
    {
        std::lock_guard lock(engineMutex_);
        engine_ = nullptr;
    }
    engine.reset();
    handOver(this);
}

} // namespace tessaly
