#pragma once

#include "core/app_message.h"

#include <QCoreApplication>
#include <QWidget>

#include <vector>

namespace tessaly::test {

struct RecordedMessage {
    int code = 0;
    int value = 0;
    QString payload;
    bool operator==(const RecordedMessage& other) const {
        return code == other.code && value == other.value && payload == other.payload;
    }
};

// A window that keeps every AppMessage it receives: the owner of menus under test.
class MessageRecorder : public QWidget {
public:
    std::vector<RecordedMessage> messages;

    std::vector<int> codes() const {
        std::vector<int> result;
        for (const auto& message : messages) {
            result.push_back(message.code);
        }
        return result;
    }

protected:
    bool event(QEvent* event) override {
        if (const AppMessage* message = AppMessage::from(event)) {
            messages.push_back(
                {message->code(), static_cast<int>(message->value()), message->payload()});
            return true;
        }
        return QWidget::event(event);
    }
};

inline void deliverPosted() {
    for (int round = 0; round < 4; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

} // namespace tessaly::test
