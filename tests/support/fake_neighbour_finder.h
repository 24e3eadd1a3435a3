#pragma once

#include "dialogs/neighbour_finder.h"

#include <QString>

#include <atomic>
#include <mutex>
#include <vector>

namespace tessaly::testing {

// A LAN that the test describes: no packet leaves the process.
class FakeNeighbourFinder : public INeighbourFinder {
public:
    void setEntries(std::vector<NeighbourEntry> entries, int failed = 0) {
        std::lock_guard lock(mutex_);
        entries_ = std::move(entries);
        failed_ = failed;
    }
    void sweepLocalSubnets() override { ++sweeps; }
    int scanNeighbourTable(std::vector<NeighbourEntry>& entries) override {
        ++scans;
        std::lock_guard lock(mutex_);
        entries = failed_ != 0 ? std::vector<NeighbourEntry>{} : entries_;
        return failed_;
    }
    void ping(const QString& ip, int) override {
        std::lock_guard lock(mutex_);
        pinged.push_back(ip);
    }

    std::atomic<int> sweeps{0};
    std::atomic<int> scans{0};
    std::vector<QString> pinged;

private:
    std::mutex mutex_;
    std::vector<NeighbourEntry> entries_;
    int failed_ = 0;
};

inline NeighbourEntry neighbour(const QString& ip, const QString& mac) {
    return {kNeighbourTypeDynamic, ip, mac};
}

} // namespace tessaly::testing
