#include "protocol/show_lock.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace tessaly {

void ShowLock::lock(bool monitoring) {
    locked_ = true;
    remember(monitoring);
}

void ShowLock::unlock() {
    locked_ = false;
    remember(false);
}

void ShowLock::monitoringChanged(bool monitoring) {
    if (locked_) {
        remember(monitoring);
    }
}

bool ShowLock::restore() {
    std::error_code error;
    locked_ = !statePath_.empty() && std::filesystem::exists(statePath_, error);
    return locked_;
}

bool ShowLock::pinAccepted(const std::string& pin, const std::string& entered) {
    return pin.empty() || entered == pin;
}

void ShowLock::remember(bool on) {
    if (statePath_.empty()) {
        return;
    }
    std::error_code error;
    const std::filesystem::path path(statePath_);
    if (!on) {
        std::filesystem::remove(path, error);
        return;
    }
    // A failure here only costs the lock after a crash; the lock itself holds.
    std::filesystem::create_directories(path.parent_path(), error);
    std::ofstream(path) << "locked\n";
}

std::string defaultShowLockPath() {
    const char* state = std::getenv("XDG_STATE_HOME");
    std::filesystem::path base;
    if (state != nullptr && *state == '/') {
        base = state;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        base = std::filesystem::path(home) / ".local" / "state";
    } else {
        return {};
    }
    return (base / "tessaly" / "show-lock").string();
}

ShowLock& showLock() {
    static ShowLock lock;
    return lock;
}

} // namespace tessaly
