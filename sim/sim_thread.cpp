#include "sim/sim_thread.h"

#include <QEventLoop>
#include <QSocketNotifier>

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace tessaly::sim {

SimThread::~SimThread() {
    stop();
}

bool SimThread::start() {
    if (thread_.joinable()) {
        return true;
    }
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        ready_ = false;
    }
    thread_ = std::thread([this] { threadMain(); });
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return ready_; });
    return ready_;
}

void SimThread::threadMain() {
    QEventLoop loop;
    QSocketNotifier notifier(wakeFd_, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [this] {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t got = ::read(wakeFd_, &count, sizeof count);
        runQueued();
    });
    loop_ = &loop;
    {
        std::lock_guard lock(mutex_);
        ready_ = true;
    }
    changed_.notify_all();
    loop.exec();
    runQueued(); // nobody may be left waiting
    loop_ = nullptr;
}

void SimThread::runQueued() {
    while (true) {
        Task* task = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (tasks_.empty()) {
                return;
            }
            task = tasks_.front();
            tasks_.pop_front();
        }
        task->work();
        {
            std::lock_guard lock(mutex_);
            task->done = true;
        }
        changed_.notify_all();
    }
}

void SimThread::run(const std::function<void()>& work) {
    if (!thread_.joinable() || isCurrentThread()) {
        work();
        return;
    }
    Task task{work};
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(&task);
    }
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&task] { return task.done; });
}

void SimThread::stop() {
    if (!thread_.joinable()) {
        return;
    }
    run([this] { loop_->quit(); });
    thread_.join();
    ::close(wakeFd_);
    wakeFd_ = -1;
}

} // namespace tessaly::sim
