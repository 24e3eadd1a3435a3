#pragma once

#include <string>

namespace tessaly {

// The show lock: while it is held the operator's commands that could stop or change the show
// (open, save, configure, upload, download, panel editors, stop, exit) are refused; monitoring
// goes on. A lock held while monitoring is also written to a small state file, so that a
// program restarted after a crash or by the desktop session comes back locked.
class ShowLock {
public:
    // `statePath` empty: nothing is remembered across runs.
    explicit ShowLock(std::string statePath = {}) : statePath_(std::move(statePath)) {}

    bool locked() const { return locked_; }
    const std::string& statePath() const { return statePath_; }
    void setStatePath(std::string path) { statePath_ = std::move(path); }

    // Takes the lock; remembered across runs when monitoring.
    void lock(bool monitoring);
    // Releases the lock and forgets it. The PIN, when one is set, is the caller's to check.
    void unlock();
    // Monitoring started or stopped while the lock is held: remember or forget it.
    void monitoringChanged(bool monitoring);
    // At start-up: locked when the last run left a remembered lock. False when none was left.
    bool restore();

    // True when `entered` releases a lock whose PIN is `pin` (an empty PIN asks for none).
    static bool pinAccepted(const std::string& pin, const std::string& entered);

private:
    void remember(bool on);

    std::string statePath_;
    bool locked_ = false;
};

// Where the lock is remembered: $XDG_STATE_HOME/tessaly/show-lock, or
// ~/.local/state/tessaly/show-lock when XDG_STATE_HOME is not set; empty without a home.
std::string defaultShowLockPath();

// The program's lock.
ShowLock& showLock();

} // namespace tessaly
