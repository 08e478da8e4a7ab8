#pragma once
// Clocks behind interfaces so every timing rule can be tested by advancing time by hand.

#include <atomic>
#include <cstdint>

namespace qmt {

// The MIDI port's master clock: current time in 100-nanosecond units.
class PortClockIf {
  public:
    virtual ~PortClockIf() = default;
    // Returns false when the clock cannot be read; callers count that as a failed step.
    virtual bool Now(int64_t& time100ns) = 0;
};

// Millisecond tick counter (wraps like a 32-bit tick count).
class TickClockIf {
  public:
    virtual ~TickClockIf() = default;
    virtual uint32_t tickMs() = 0;
};

// High-resolution performance counter with its frequency in counts per second.
class PerformanceCounterIf {
  public:
    virtual ~PerformanceCounterIf() = default;
    virtual int64_t counter() = 0;
    virtual int64_t frequency() = 0;
};

// Real clocks on the monotonic system clock.
class SteadyPortClock final : public PortClockIf {
  public:
    bool Now(int64_t& time100ns) override;
};

class SteadyTickClock final : public TickClockIf {
  public:
    uint32_t tickMs() override;
};

class SteadyPerformanceCounter final : public PerformanceCounterIf {
  public:
    int64_t counter() override;
    int64_t frequency() override { return 1'000'000'000; }
};

// One manual clock serves all three roles in tests: time only moves when the test says so.
class ManualClock final : public PortClockIf, public TickClockIf, public PerformanceCounterIf {
  public:
    explicit ManualClock(int64_t start100ns = 0) : now_(start100ns) {}

    void set(int64_t time100ns) { now_.store(time100ns); }
    void advance(int64_t delta100ns) { now_.fetch_add(delta100ns); }
    void advanceMs(int64_t ms) { advance(ms * 10'000); }
    // Makes the next Now() calls fail, as a broken port clock would.
    void setFailing(bool failing) { failing_.store(failing); }

    bool Now(int64_t& time100ns) override;
    uint32_t tickMs() override { return static_cast<uint32_t>(now_.load() / 10'000); }
    int64_t counter() override { return now_.load(); }
    int64_t frequency() override { return 10'000'000; }

  private:
    std::atomic<int64_t> now_;
    std::atomic<bool> failing_{false};
};

}  // namespace qmt
