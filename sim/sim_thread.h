#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class QEventLoop;

namespace tessaly::sim {

// A thread running a Qt event loop for the simulated receivers. Work is handed over through
// a queue under a std::mutex and the loop is woken through an eventfd, so every hand-over is
// visible to ThreadSanitizer (Qt's own cross-thread events are not: the system Qt is not
// instrumented).
class SimThread {
public:
    SimThread() = default;
    ~SimThread();
    SimThread(const SimThread&) = delete;
    SimThread& operator=(const SimThread&) = delete;

    // Starts the thread and returns once its loop is ready; false when no eventfd can be made.
    bool start();
    // Runs `work` on the thread and returns when it is done (at once on the thread itself).
    void run(const std::function<void()>& work);
    // Ends the loop and joins the thread.
    void stop();

    bool isCurrentThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    struct Task {
        std::function<void()> work;
        bool done = false;
    };

    void threadMain();
    void runQueued();

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Task*> tasks_;
    int wakeFd_ = -1;
    bool ready_ = false;
    QEventLoop* loop_ = nullptr; // only touched on the thread
};

} // namespace tessaly::sim
