#pragma once

#include <QByteArray>

#include <array>

namespace tessaly {

constexpr int kReceiveBlockSize = 32800; // most bytes one receive takes
constexpr int kReceivedBlockSlots = 5;

// Blocks the socket received and its engine has not yet taken. When a sixth block arrives while
// five are unread, the five are dropped: the engine takes each block as it arrives, so a full
// ring means the engine has stopped listening and the old bytes are of no use any more.
class ReceivedBlockRing {
public:
    void store(const char* bytes, int length);

    // Moves the oldest block into `destination` and returns its length; 0 when the ring is empty
    // (and `destination` is left alone).
    int take(QByteArray& destination);

    int count() const { return count_; }

private:
    std::array<QByteArray, kReceivedBlockSlots> slots_;
    int count_ = 0;
    int readIndex_ = 0;
    int writeIndex_ = 0;
};

} // namespace tessaly
