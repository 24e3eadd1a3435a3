#pragma once

#include <atomic>
#include <cstdint>

namespace tessaly {

// A 32-bit integer that one thread may write while another reads it. Engine threads write
// communication states and monitor values that the GUI thread reads; relaxed order is enough
// because every reader wants only the latest whole value, never an ordering between fields.
// A flag that announces other fields (a pending change) is the exception: it is published with
// publish() after those fields and read with seen(), so that whoever sees it set also sees them.
// Unlike std::atomic it copies, so records and tables stay plain values.
class SharedInt {
public:
    constexpr SharedInt(int32_t value = 0) noexcept : value_(value) {}
    SharedInt(const SharedInt& other) noexcept : value_(other.load()) {}
    SharedInt& operator=(const SharedInt& other) noexcept {
        store(other.load());
        return *this;
    }
    SharedInt& operator=(int32_t value) noexcept {
        store(value);
        return *this;
    }

    int32_t load() const noexcept { return value_.load(std::memory_order_relaxed); }
    void store(int32_t value) noexcept { value_.store(value, std::memory_order_relaxed); }
    // Release and acquire: the writes before publish() are visible to a thread that seen() it.
    void publish(int32_t value) noexcept { value_.store(value, std::memory_order_release); }
    int32_t seen() const noexcept { return value_.load(std::memory_order_acquire); }
    operator int32_t() const noexcept { return load(); }

private:
    std::atomic<int32_t> value_;
};

} // namespace tessaly
