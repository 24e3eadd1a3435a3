#include "core/app_message.h"

#include <QCoreApplication>

// Qt's event queue hands a posted event to the receiving thread under Qt's own locks, which
// ThreadSanitizer cannot see in an uninstrumented Qt; these marks tell it about the hand-over.
#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#define TESSALY_HAND_OVER(event) __tsan_release(event)
#define TESSALY_TAKE_OVER(event) __tsan_acquire(event)
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#include <sanitizer/tsan_interface.h>
#define TESSALY_HAND_OVER(event) __tsan_release(event)
#define TESSALY_TAKE_OVER(event) __tsan_acquire(event)
#endif
#endif
#ifndef TESSALY_HAND_OVER
#define TESSALY_HAND_OVER(event) (void)(event)
#define TESSALY_TAKE_OVER(event) (void)(event)
#endif

namespace tessaly {

AppMessage::AppMessage(int code, qintptr value, QString payload)
    : QEvent(kAppMessageEventType), code_(code), value_(value), payload_(std::move(payload)) {}

const AppMessage* AppMessage::from(const QEvent* event) {
    if (event == nullptr) {
        return nullptr;
    }
    TESSALY_TAKE_OVER(const_cast<QEvent*>(event));
    if (event->type() != kAppMessageEventType) {
        return nullptr;
    }
    return static_cast<const AppMessage*>(event);
}

void postAppMessage(QObject* target, int code, qintptr value, const QString& payload) {
    auto* message = new AppMessage(code, value, payload);
    TESSALY_HAND_OVER(message);
    QCoreApplication::postEvent(target, message);
}

bool sendAppMessage(QObject* target, int code, qintptr value, const QString& payload) {
    AppMessage message(code, value, payload);
    return QCoreApplication::sendEvent(target, &message);
}

} // namespace tessaly
