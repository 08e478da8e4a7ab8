#pragma once
// Timer mode's schedule, for when no controller plays: buffer switches once per buffer
// period, counted on the 32-bit millisecond tick. Times are milliseconds in 32.32 fixed
// point, so a period such as 256 frames at 44.1 kHz (5.805 ms) keeps its fraction and the
// switches do not drift; the tick's wrap-around cancels out in the signed differences.

#include <cstdint>

namespace qmt {

class StreamTimer {
  public:
    static uint64_t periodOf(uint32_t bufferFrames, double sampleRate) {
        return static_cast<uint64_t>(bufferFrames * 1000.0 * 4294967296.0 / sampleRate);
    }

    explicit StreamTimer(uint64_t period = 0) : period_(period) {}

    // The schedule starts over: the next switch is one period from now.
    void restart(uint32_t nowMs) { base_ = fixed(nowMs); }
    // How long to wait for the next switch. A schedule more than a period away from now (a
    // late thread, a moved clock) starts over with a switch at once.
    uint32_t timeoutMs(uint32_t nowMs) {
        const auto period = static_cast<int64_t>(period_);
        const auto elapsed = static_cast<int64_t>(fixed(nowMs) - base_);
        if (-period < elapsed && elapsed < period) {
            return static_cast<uint32_t>(static_cast<uint64_t>(period - elapsed) >> 32);
        }
        base_ = fixed(nowMs) - period_;
        return 0;
    }
    // The switch was made.
    void elapse() { base_ += period_; }

  private:
    static uint64_t fixed(uint32_t ms) { return uint64_t{ms} << 32; }

    uint64_t period_;
    uint64_t base_ = 0;
};

}  // namespace qmt
