#pragma once
// The wait of a thread that sleeps between periodic jobs until it is told to stop. Behind an
// interface so that tests move time by hand instead of sleeping.

#include <cstdint>
#include <span>

#include "common/Waitable.h"

namespace qmt {

class TimedWaitIf {
  public:
    virtual ~TimedWaitIf() = default;
    // True when `stop` was signalled (and consumed), false when `timeoutMs` passed first.
    virtual bool waitFor(Waitable& stop, uint32_t timeoutMs) = 0;
    // Like Waitable::waitForAny: the lowest signalled index (its signal consumed), or
    // kWaitTimeout when `timeoutMs` passed first.
    virtual int waitForAny(std::span<Waitable* const> objects, uint32_t timeoutMs) = 0;
};

// Waits in real time.
class SteadyTimedWait final : public TimedWaitIf {
  public:
    bool waitFor(Waitable& stop, uint32_t timeoutMs) override { return stop.wait(timeoutMs); }
    int waitForAny(std::span<Waitable* const> objects, uint32_t timeoutMs) override {
        return Waitable::waitForAny(objects, timeoutMs);
    }
};

}  // namespace qmt
