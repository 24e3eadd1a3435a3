#pragma once

#include "protocol/command_item.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tessaly {

constexpr int kConfigQueueCapacity = 32;
constexpr int kMonitorQueueCapacity = 10;

// The command queue of an engine: a ring of a fixed capacity holding copies of command items.
// Used only on its engine's thread.
class CQueData {
public:
    explicit CQueData(int capacity);

    // 0 when stored; nonzero, storing nothing, when the queue is full.
    int put(int32_t itemId, const CommandItem& item);

    // Nonzero with the oldest item and its id copied out; 0 when the queue is empty.
    int take(int32_t& itemId, CommandItem& item);

    void clear();

    int capacity() const { return capacity_; }
    int count() const { return count_; }

private:
    struct Slot {
        int32_t itemId = 0;
        int32_t size = 0;
        std::optional<CommandItem> item;
    };

    int capacity_;
    std::vector<Slot> slots_;
    int count_ = 0;
    int writeIndex_ = 0;
    int readIndex_ = 0;
};

} // namespace tessaly
