#pragma once
// A timed wait on a ManualClock: a waiting thread's time-out runs out only when the test
// advances the clock past it. waitUntilWaiting() lets the test know that a thread has
// started a wait (and so has read the clock) before it advances time.

#include <mutex>
#include <vector>

#include "common/Clock.h"
#include "common/Event.h"
#include "common/Semaphore.h"
#include "common/TimedWaitIf.h"

namespace qmt {

class ManualTimedWait final : public TimedWaitIf {
  public:
    explicit ManualTimedWait(ManualClock& clock) : clock_(clock) {}

    bool waitFor(Waitable& stop, uint32_t timeoutMs) override;
    int waitForAny(std::span<Waitable* const> objects, uint32_t timeoutMs) override;

    void advanceMs(int64_t ms);
    // Takes one "a wait has started" notice; false when none came within `timeoutMs`.
    bool waitUntilWaiting(uint32_t timeoutMs = kInfinite) { return started_.wait(timeoutMs); }

  private:
    ManualClock& clock_;
    std::mutex mutex_;
    std::vector<Event*> waiters_;
    Semaphore started_{0, 0x7FFFFFFF};
};

}  // namespace qmt
