#pragma once

// Runs the remote server on a thread of its own, beside the engines and away from the GUI
// thread. The board source is made on that thread too, so the JSON is written there.

#include "remote/remote_server.h"

#include <QThread>

#include <functional>
#include <memory>

namespace tessaly::remote {

class RemoteService {
public:
    // Called on the server's thread; the source is destroyed there as well.
    using SourceFactory = std::function<std::unique_ptr<BoardSource>()>;

    RemoteService() = default;
    ~RemoteService(); // stops
    RemoteService(const RemoteService&) = delete;
    RemoteService& operator=(const RemoteService&) = delete;

    // Starts the thread, the source and the server. On failure false, with the reason.
    bool start(RemoteOptions options, SourceFactory factory, QString& error);
    void stop();

    bool running() const { return server_ != nullptr; }
    quint16 port() const { return port_; }
    // The server, for queued connections to its signals (benches, tests); lives on thread().
    RemoteServer* server() const { return server_; }
    QThread* thread() { return thread_.get(); }

private:
    std::unique_ptr<QThread> thread_;
    RemoteServer* server_ = nullptr; // owned by thread_'s run()
    quint16 port_ = 0;
};

// This program's own board from `hub`: the one-station source.
RemoteService::SourceFactory localBoard(show::SnapshotHub& hub);

} // namespace tessaly::remote
