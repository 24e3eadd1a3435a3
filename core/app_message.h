#pragma once

#include "core/message_codes.h"

#include <QEvent>
#include <QString>

class QObject;

namespace tessaly {

// The one application message: a code telling the kind of traffic, a value, and for the few
// events that carry a path, a text.
class AppMessage : public QEvent {
public:
    AppMessage(int code, qintptr value = 0, QString payload = {});

    int code() const { return code_; }
    qintptr value() const { return value_; }
    const QString& payload() const { return payload_; }

    // The message inside an event, or nullptr when the event is another kind.
    static const AppMessage* from(const QEvent* event);

private:
    int code_;
    qintptr value_;
    QString payload_;
};

// Queues the message for the target's thread; safe from any thread.
void postAppMessage(QObject* target, int code, qintptr value = 0, const QString& payload = {});

// Delivers the message at once; only on the target's own thread.
bool sendAppMessage(QObject* target, int code, qintptr value = 0, const QString& payload = {});

} // namespace tessaly
