#include "remote/remote_service.h"

#include "core/thread_sanitizer_marks.h"

#include <future>

namespace tessaly::remote {
namespace {

// The server and its source live on the stack of run(), so they are made and destroyed on the
// thread that serves them. Start and stop hand over through a promise and QThread::wait(): not
// through a blocking queued call, whose semaphore ThreadSanitizer cannot see.
class ServerThread : public QThread {
public:
    struct Started {
        RemoteServer* server = nullptr; // null: `error` says why
        quint16 port = 0;
        QString error;
    };

    ServerThread(RemoteOptions options, RemoteService::SourceFactory factory)
        : options_(std::move(options)), factory_(std::move(factory)) {
        setObjectName(QStringLiteral("remote server"));
    }

    std::future<Started> started() { return started_.get_future(); }

protected:
    void run() override {
        serve();
        handOver(this); // everything the thread made is gone by now
    }

private:
    void serve() {
        std::unique_ptr<BoardSource> source = factory_();
        RemoteServer server(*source, options_); // goes before the source it reads
        Started result;
        if (!server.start(result.error)) {
            started_.set_value(result);
            return;
        }
        result.server = &server;
        result.port = server.port();
        started_.set_value(result);
        exec();
    }

    RemoteOptions options_;
    RemoteService::SourceFactory factory_;
    std::promise<Started> started_;
};

} // namespace

RemoteService::~RemoteService() {
    stop();
}

bool RemoteService::start(RemoteOptions options, SourceFactory factory, QString& error) {
    stop();
    if (!mayListen(options.address, options.token, error)) {
        return false;
    }
    auto thread = std::make_unique<ServerThread>(std::move(options), std::move(factory));
    std::future<ServerThread::Started> started = thread->started();
    thread_ = std::move(thread);
    thread_->start();
    const ServerThread::Started result = started.get();
    if (result.server == nullptr) {
        error = result.error;
        stop();
        return false;
    }
    server_ = result.server;
    port_ = result.port;
    return true;
}

void RemoteService::stop() {
    if (!thread_) {
        return;
    }
    thread_->quit();
    thread_->wait();
    takeOver(thread_.get());
    thread_.reset();
    server_ = nullptr;
    port_ = 0;
}

RemoteService::SourceFactory localBoard(show::SnapshotHub& hub) {
    return [&hub] { return std::make_unique<LocalBoardSource>(hub); };
}

} // namespace tessaly::remote
