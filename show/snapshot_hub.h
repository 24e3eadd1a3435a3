#pragma once

// Where the snapshot taker leaves each refresh's snapshot for its readers. publish() runs on the
// taker's thread (the GUI thread, or tessaly-cli's loop) and must never wait for a reader: a
// listener only takes the pointer and hands it to its own thread or queue. latest() serves a
// reader that comes late (a new WebSocket client, a page that asks once).

#include "show/show_snapshot.h"

#include <functional>
#include <mutex>
#include <vector>

namespace tessaly::show {

class SnapshotHub {
public:
    using Listener = std::function<void(const ShowSnapshotPtr&)>;

    // Returns a key for unsubscribe(). A listener is called on the publishing thread.
    int subscribe(Listener listener);
    void unsubscribe(int key);

    // Stamps the sequence number and passes the snapshot to every listener.
    void publish(ShowSnapshot snapshot);
    ShowSnapshotPtr latest() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<int, Listener>> listeners_;
    ShowSnapshotPtr latest_;
    uint64_t sequence_ = 0;
    int nextKey_ = 1;
};

} // namespace tessaly::show
