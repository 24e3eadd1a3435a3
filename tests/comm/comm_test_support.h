#pragma once

#include "core/app_message.h"
#include "tests/support/wait_until.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QThread>

#include <functional>
#include <mutex>
#include <vector>

namespace tessaly::testing {

// Runs the calling thread's events for a while, for checks that something does NOT happen.
inline void runEventsFor(int milliseconds) {
    waitUntil([] { return false; }, milliseconds);
}

// Records every application message it receives, with an optional hook run at delivery.
class MessageRecorder : public QObject {
public:
    struct Message {
        int code;
        qintptr value;
        QString payload;
    };

    std::function<void(const AppMessage&)> onMessage;

    std::vector<Message> messages() const {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    int count(int code) const {
        std::lock_guard lock(mutex_);
        int n = 0;
        for (const Message& message : messages_) {
            n += message.code == code ? 1 : 0;
        }
        return n;
    }
    bool waitFor(int code, int times = 1, int limitMs = 5000) {
        return waitUntil([&] { return count(code) >= times; }, limitMs);
    }
    void clear() {
        std::lock_guard lock(mutex_);
        messages_.clear();
    }

protected:
    bool event(QEvent* event) override {
        if (const AppMessage* message = AppMessage::from(event)) {
            {
                std::lock_guard lock(mutex_);
                messages_.push_back({message->code(), message->value(), message->payload()});
            }
            if (onMessage) {
                onMessage(*message);
            }
            return true;
        }
        return QObject::event(event);
    }

private:
    mutable std::mutex mutex_;
    std::vector<Message> messages_;
};

} // namespace tessaly::testing
