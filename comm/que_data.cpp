#include "comm/que_data.h"

#include <algorithm>

namespace tessaly {

CQueData::CQueData(int capacity)
    : capacity_(std::max(capacity, 1)), slots_(static_cast<size_t>(capacity_)) {}

int CQueData::put(int32_t itemId, const CommandItem& item) {
    if (count_ >= capacity_) {
        return 1;
    }
    Slot& slot = slots_[static_cast<size_t>(writeIndex_)];
    slot.itemId = itemId;
    slot.size = static_cast<int32_t>(sizeof(CommandItem));
    slot.item = item;
    writeIndex_ = (writeIndex_ + 1) % capacity_;
    ++count_;
    return 0;
}

int CQueData::take(int32_t& itemId, CommandItem& item) {
    if (count_ == 0) {
        return 0;
    }
    Slot& slot = slots_[static_cast<size_t>(readIndex_)];
    itemId = slot.itemId;
    item = *slot.item;
    slot.item.reset();
    slot.itemId = 0;
    readIndex_ = (readIndex_ + 1) % capacity_;
    --count_;
    return 1;
}

void CQueData::clear() {
    for (Slot& slot : slots_) {
        slot.item.reset();
        slot.itemId = 0;
    }
    count_ = 0;
    readIndex_ = 0;
    writeIndex_ = 0;
}

} // namespace tessaly
