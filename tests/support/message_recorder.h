#pragma once

#include "comm/app_message.h"
#include "tests/support/wait_until.h"

#include <QCoreApplication>
#include <QObject>

#include <functional>
#include <mutex>
#include <vector>

namespace tessaly::testing {

struct RecordedMessage {
    int code = 0;
    qintptr value = 0;
    QString payload;
    bool operator==(const RecordedMessage& other) const {
        return code == other.code && value == other.value && payload == other.payload;
    }
};

// Keeps every application message it receives, from any thread, with an optional hook run at
// delivery. `Base` is QObject for engines' requesters, QWidget for the owner of menus under test.
template <typename Base = QObject> class MessageRecorder : public Base {
public:
    using Base::Base;

    std::function<void(const AppMessage&)> onMessage;

    std::vector<RecordedMessage> messages() const {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::vector<int> codes() const {
        std::lock_guard lock(mutex_);
        std::vector<int> result;
        for (const RecordedMessage& message : messages_) {
            result.push_back(message.code);
        }
        return result;
    }
    int count(int code) const {
        std::lock_guard lock(mutex_);
        int n = 0;
        for (const RecordedMessage& message : messages_) {
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
        return Base::event(event);
    }

private:
    mutable std::mutex mutex_;
    std::vector<RecordedMessage> messages_;
};

// Delivers what was posted to objects of this thread, a few rounds deep.
inline void deliverPosted() {
    for (int round = 0; round < 4; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// Runs the calling thread's events for a while, for checks that something does NOT happen.
inline void runEventsFor(int milliseconds) {
    waitUntil([] { return false; }, milliseconds);
}

} // namespace tessaly::testing
