#pragma once
// The sample position and system time of the last buffer switch: written by the streaming
// thread at each switch, read by the host (getSamplePosition) at any time, so both travel
// together under one lock.

#include <cstdint>
#include <mutex>

#include "asio/AsioTypes.h"

namespace qmt {

inline ASIOSamples toAsioSamples(uint64_t value) {
    return {static_cast<uint32_t>(value >> 32), static_cast<uint32_t>(value)};
}
inline ASIOTimeStamp toAsioTimeStamp(uint64_t value) {
    return {static_cast<uint32_t>(value >> 32), static_cast<uint32_t>(value)};
}

// A performance counter reading in nanoseconds, without overflowing for large counts.
inline uint64_t counterToNanoseconds(int64_t counter, int64_t frequency) {
    const auto count = static_cast<uint64_t>(counter);
    const auto perSecond = static_cast<uint64_t>(frequency);
    return count / perSecond * 1'000'000'000u + count % perSecond * 1'000'000'000u / perSecond;
}

class AsioSamplePosition {
  public:
    void reset() {
        std::lock_guard lock(mutex_);
        samples_ = 0;
        nanoseconds_ = 0;
    }
    // A buffer switch at `nanoseconds`: the position moves on by `frames`.
    void advance(uint64_t frames, uint64_t nanoseconds, ASIOSamples& samples,
                 ASIOTimeStamp& stamp) {
        std::lock_guard lock(mutex_);
        samples_ += frames;
        nanoseconds_ = nanoseconds;
        samples = toAsioSamples(samples_);
        stamp = toAsioTimeStamp(nanoseconds_);
    }
    void get(ASIOSamples& samples, ASIOTimeStamp& stamp) {
        std::lock_guard lock(mutex_);
        samples = toAsioSamples(samples_);
        stamp = toAsioTimeStamp(nanoseconds_);
    }

  private:
    std::mutex mutex_;
    uint64_t samples_ = 0;
    uint64_t nanoseconds_ = 0;
};

}  // namespace qmt
