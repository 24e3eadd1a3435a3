#include "comm/comm_thread_config.h"

#include "core/app_message.h"

namespace tessaly {

CCommThreadConfig::CCommThreadConfig(ReceiverTable* table, QObject* requester,
                                     EngineOptions options, QObject* parent)
    : EngineThread(std::move(options), EarlyPosts::Refuse, kConfigQuitWaitMs, parent),
      table_(table), requester_(requester) {}

CCommThreadConfig::~CCommThreadConfig() {
    endThread();
}

std::unique_ptr<QObject> CCommThreadConfig::makeEngine() {
    return std::make_unique<ConfigEngine>(table_, requester_, &trace(), &messageText_, options());
}

void CCommThreadConfig::engineStarted() {
    if (commDebug()) {
        trace().requestShow();
    }
    postAppMessage(requester_, kEvConfigReady, kConfigReadyValue);
}

} // namespace tessaly
