#pragma once

#include "comm/engine_options.h"
#include "core/comm_trace.h"

#include <QObject>
#include <QThread>

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace tessaly {

// The thread one engine lives on, for both kinds of engine. The engine is made on the thread
// when it starts (so that its socket and timers belong to it), takes the events posted to it
// through post(), and is deleted on the thread when the loop ends. A kind of engine supplies
// makeEngine() and, when it has something to say once its engine runs, engineStarted(). A
// derived class whose members the engine uses calls endThread() in its destructor.
class EngineThread : public QThread {
public:
    // Events posted before the engine exists: kept for it (from construction until the thread has
    // finished), or refused.
    enum class EarlyPosts { Keep, Refuse };

    ~EngineThread() override;

    // Posts an event to the engine; false when it cannot reach it (see EarlyPosts).
    bool post(int code, qintptr value = 0);

    // Asks the engine's loop to quit, ending a connect in progress; does not wait.
    void requestQuit();
    // Waits at most `waitMs` for the thread to end; true when it ended. After it, all that the
    // engine did is done, also for ThreadSanitizer.
    bool waitForEnd(int waitMs);
    // requestQuit(), then waitForEnd(waitMs); without a time, the engine's usual one.
    bool stop(int waitMs);
    bool stop() { return stop(quitWaitMs_); }

    CommTrace& trace() { return trace_; }
    bool commDebug() const { return options_.commDebug; }

protected:
    EngineThread(EngineOptions options, EarlyPosts earlyPosts, int quitWaitMs, QObject* parent);

    // Called on the thread: the engine, which lives until the loop ends.
    virtual std::unique_ptr<QObject> makeEngine() = 0;
    // Called on the thread once the engine takes posts, before the loop runs.
    virtual void engineStarted() {}
    // Stops the thread, waiting as long as it takes: destroying a running thread would abort the
    // program.
    void endThread();

    const EngineOptions& options() const { return options_; }

private:
    void run() final;

    EngineOptions options_;
    EarlyPosts earlyPosts_;
    int quitWaitMs_;
    CommTrace trace_;
    std::mutex engineMutex_;
    QObject* engine_ = nullptr;
    std::vector<std::pair<int, qintptr>> early_; // posted before the engine existed
};

} // namespace tessaly
