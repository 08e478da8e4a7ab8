#pragma once
// The driver-wide MIDI state that incremental and relative actions continue from. One table
// is shared by every controller; it is read and written without a lock by whichever
// reader thread runs (two controllers on one channel and controller may interleave), and
// read by the worker that sends it to a newly connected application. Each value is a
// relaxed atomic: interleaved updates may still overwrite each other as before, but no read
// is a data race.

#include <array>
#include <atomic>
#include <cstdint>

namespace qmt {

// A value shared between threads that reads and writes like the plain value.
template <typename T>
class SharedValue {
  public:
    SharedValue(T value = T{}) : value_(value) {}  // NOLINT: reads like the plain value
    SharedValue(const SharedValue& other) : value_(other.load()) {}
    SharedValue& operator=(const SharedValue& other) { return *this = other.load(); }
    SharedValue& operator=(T value) {
        value_.store(value, std::memory_order_relaxed);
        return *this;
    }
    operator T() const { return load(); }  // NOLINT: reads like the plain value
    T load() const { return value_.load(std::memory_order_relaxed); }

  private:
    std::atomic<T> value_;
};

struct MidiState {
    std::array<std::array<SharedValue<uint8_t>, 128>, 16> controllers{};  // 7-bit values
    std::array<SharedValue<uint8_t>, 16> programs{};                      // 7-bit programs
    std::array<SharedValue<int32_t>, 16> pitch{};                         // 14-bit value × 4096
};

}  // namespace qmt
