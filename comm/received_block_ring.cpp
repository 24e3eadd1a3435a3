#include "comm/received_block_ring.h"

#include <algorithm>

namespace tessaly {

void ReceivedBlockRing::store(const char* bytes, int length) {
    if (count_ >= kReceivedBlockSlots) {
        count_ = 0;
        readIndex_ = 0;
        writeIndex_ = 0;
    }
    const int kept = std::clamp(length, 0, kReceiveBlockSize);
    slots_[writeIndex_] = QByteArray(bytes, kept);
    writeIndex_ = (writeIndex_ + 1) % kReceivedBlockSlots;
    ++count_;
}

int ReceivedBlockRing::take(QByteArray& destination) {
    if (count_ == 0) {
        return 0;
    }
    destination = std::move(slots_[readIndex_]);
    slots_[readIndex_] = QByteArray();
    readIndex_ = (readIndex_ + 1) % kReceivedBlockSlots;
    --count_;
    return static_cast<int>(destination.size());
}

} // namespace tessaly
