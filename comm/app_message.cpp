#include "comm/app_message.h"

#include <QCoreApplication>

namespace tessaly {

AppMessage::AppMessage(int code, qintptr value, QString payload)
    : QEvent(kAppMessageEventType), code_(code), value_(value), payload_(std::move(payload)) {}

const AppMessage* AppMessage::from(const QEvent* event) {
    if (event == nullptr || event->type() != kAppMessageEventType) {
        return nullptr;
    }
    return static_cast<const AppMessage*>(event);
}

void postAppMessage(QObject* target, int code, qintptr value, const QString& payload) {
    QCoreApplication::postEvent(target, new AppMessage(code, value, payload));
}

bool sendAppMessage(QObject* target, int code, qintptr value, const QString& payload) {
    AppMessage message(code, value, payload);
    return QCoreApplication::sendEvent(target, &message);
}

} // namespace tessaly
