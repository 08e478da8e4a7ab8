#pragma once
// One writer (the buffer switch) and one reader (the main loop that writes the WAV file)
// exchange recorded samples without a lock: the switch never waits for the disk. When the
// reader falls behind by the whole capacity, new samples are dropped and counted.

#include <atomic>
#include <cstdint>
#include <vector>

namespace qmt::asiohost {

class SampleRing {
  public:
    explicit SampleRing(size_t capacity) : buffer_(capacity + 1) {}

    // False (and nothing written) when the samples do not fit.
    bool push(const int32_t* samples, size_t count) {
        const size_t size = buffer_.size();
        const size_t head = head_.load(std::memory_order_relaxed);
        const size_t tail = tail_.load(std::memory_order_acquire);
        const size_t free = (tail + size - head - 1) % size;
        if (count > free) {
            dropped_.fetch_add(count, std::memory_order_relaxed);
            return false;
        }
        for (size_t i = 0; i < count; ++i)
            buffer_[(head + i) % size] = samples[i];
        head_.store((head + count) % size, std::memory_order_release);
        return true;
    }
    // Takes everything there is.
    void drain(std::vector<int32_t>& out) {
        const size_t size = buffer_.size();
        const size_t tail = tail_.load(std::memory_order_relaxed);
        const size_t head = head_.load(std::memory_order_acquire);
        for (size_t at = tail; at != head; at = (at + 1) % size)
            out.push_back(buffer_[at]);
        tail_.store(head, std::memory_order_release);
    }
    uint64_t dropped() const { return dropped_.load(); }

  private:
    std::vector<int32_t> buffer_;
    std::atomic<size_t> head_{0};
    std::atomic<size_t> tail_{0};
    std::atomic<uint64_t> dropped_{0};
};

}  // namespace qmt::asiohost
