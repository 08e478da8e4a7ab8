#pragma once
// The streaming thread's waits on a manual clock, with a way for the test to know that the
// thread has done everything the test's last step made possible: waitUntilIdle() returns
// once the thread blocks in a wait with none of its objects signalled and its time-out (if
// any) not yet reached. Advancing sim cards or the clock and then waiting for idleness
// makes every streaming test step-by-step and deterministic, without sleeping.

#include <condition_variable>
#include <mutex>
#include <span>
#include <vector>

#include "common/Clock.h"
#include "common/Event.h"
#include "common/TimedWaitIf.h"

namespace qmt {

class ManualStreamWait final : public TimedWaitIf {
  public:
    explicit ManualStreamWait(ManualClock& clock) : clock_(clock) {}

    bool waitFor(Waitable& stop, uint32_t timeoutMs) override {
        Waitable* objects[] = {&stop};
        return waitForAny(objects, timeoutMs) == 0;
    }
    int waitForAny(std::span<Waitable* const> objects, uint32_t timeoutMs) override;

    // Moves the clock; a thread whose time-out passes wakes up.
    void advanceMs(int64_t ms);
    // Blocks until a thread waits here with nothing to do; see above.
    void waitUntilIdle();

  private:
    bool idleLocked();

    ManualClock& clock_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool blocked_ = false;
    std::vector<Waitable*> objects_;
    bool timed_ = false;
    int64_t deadline_ = 0;
    Event kick_{false};
};

}  // namespace qmt
