#pragma once
// A periodic timer, armed with a first due time and a period, that calls a function on
// every expiry. The driver's idle tick runs on one; tests fire a manual one by hand.

#include <cstdint>
#include <functional>

namespace qmt {

class PeriodicTimerIf {
  public:
    virtual ~PeriodicTimerIf() = default;
    // Replaces any earlier arming.
    virtual void Arm(uint32_t firstDueMs, uint32_t periodMs, std::function<void()> expired) = 0;
    // After this returns the function is not running and will not be called again.
    virtual void Cancel() = 0;
};

}  // namespace qmt
