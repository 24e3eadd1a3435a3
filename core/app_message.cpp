#include "core/app_message.h"

#include "core/thread_sanitizer_marks.h"

#include <QCoreApplication>

// Qt's event queue hands a posted event to the receiving thread under Qt's own locks, which
// ThreadSanitizer cannot see in an uninstrumented Qt; the marks tell it about the hand-over.

namespace tessaly {

AppMessage::AppMessage(int code, qintptr value, QString payload)
    : QEvent(kAppMessageEventType), code_(code), value_(value), payload_(std::move(payload)) {}

const AppMessage* AppMessage::from(const QEvent* event) {
    if (event == nullptr) {
        return nullptr;
    }
    takeOver(const_cast<QEvent*>(event));
    if (event->type() != kAppMessageEventType) {
        return nullptr;
    }
    return static_cast<const AppMessage*>(event);
}

void postAppMessage(QObject* target, int code, qintptr value, const QString& payload) {
    auto* message = new AppMessage(code, value, payload);
    handOver(message);
    QCoreApplication::postEvent(target, message);
}

bool sendAppMessage(QObject* target, int code, qintptr value, const QString& payload) {
    AppMessage message(code, value, payload);
    return QCoreApplication::sendEvent(target, &message);
}

} // namespace tessaly
