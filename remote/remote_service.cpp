#include "remote/remote_service.h"

#include <QMetaObject>

namespace tessaly::remote {

RemoteService::RemoteService() {
    thread_.setObjectName(QStringLiteral("remote server"));
}

RemoteService::~RemoteService() {
    stop();
}

bool RemoteService::start(RemoteOptions options, SourceFactory factory, QString& error) {
    stop();
    if (!mayListen(options.address, options.token, error)) {
        return false;
    }
    thread_.start();
    context_ = new QObject;
    context_->moveToThread(&thread_);
    bool started = false;
    QMetaObject::invokeMethod(
        context_,
        [&] {
            std::unique_ptr<BoardSource> source = factory();
            auto server = std::make_unique<RemoteServer>(*source, options);
            if (server->start(error)) {
                port_ = server->port();
                source_ = source.release();
                server_ = server.release();
                started = true;
            }
        },
        Qt::BlockingQueuedConnection);
    if (!started) {
        stop();
    }
    return started;
}

void RemoteService::stop() {
    if (!thread_.isRunning()) {
        return;
    }
    QMetaObject::invokeMethod(
        context_,
        [this] {
            delete server_; // before the source it reads
            delete source_;
        },
        Qt::BlockingQueuedConnection);
    server_ = nullptr;
    source_ = nullptr;
    port_ = 0;
    thread_.quit();
    thread_.wait();
    delete context_; // its thread has ended
    context_ = nullptr;
}

RemoteService::SourceFactory localBoard(show::SnapshotHub& hub) {
    return [&hub] { return std::make_unique<LocalBoardSource>(hub); };
}

} // namespace tessaly::remote
