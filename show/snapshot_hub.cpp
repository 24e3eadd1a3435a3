#include "show/snapshot_hub.h"

#include <algorithm>

namespace tessaly::show {

int SnapshotHub::subscribe(Listener listener) {
    std::lock_guard lock(mutex_);
    const int key = nextKey_++;
    listeners_.emplace_back(key, std::move(listener));
    return key;
}

void SnapshotHub::unsubscribe(int key) {
    std::lock_guard lock(mutex_);
    std::erase_if(listeners_, [key](const auto& entry) { return entry.first == key; });
}

void SnapshotHub::publish(ShowSnapshot snapshot) {
    std::vector<std::pair<int, Listener>> listeners;
    ShowSnapshotPtr shared;
    {
        std::lock_guard lock(mutex_);
        snapshot.sequence = ++sequence_;
        shared = std::make_shared<const ShowSnapshot>(std::move(snapshot));
        latest_ = shared;
        listeners = listeners_;
    }
    // Outside the lock: a listener may subscribe or unsubscribe others.
    for (const auto& entry : listeners) {
        entry.second(shared);
    }
}

ShowSnapshotPtr SnapshotHub::latest() const {
    std::lock_guard lock(mutex_);
    return latest_;
}

} // namespace tessaly::show
